// libFuzzer target: every input is a session of a hostile LV2 host with the
// LV2 edition's glue (see lv2_messages.h).
#include "fuzz/fuzz_verdict.h"
#include "fuzz/lv2_messages.h"

extern "C" const LV2_Descriptor* lv2_descriptor(std::uint32_t index);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return abortOnFailure("LV2 messages", playLv2Messages(*lv2_descriptor(0), data, size));
}
