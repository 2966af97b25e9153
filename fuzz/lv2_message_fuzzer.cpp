// libFuzzer target: every input is a session of a hostile LV2 host with the
// LV2 edition's glue (see lv2_messages.h). A broken check aborts, which
// libFuzzer reports as a crash and saves as a reproducer.
#include <cstdio>
#include <cstdlib>

#include "fuzz/lv2_messages.h"

extern "C" const LV2_Descriptor* lv2_descriptor(std::uint32_t index);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string failure = playLv2Messages(*lv2_descriptor(0), data, size);
    if (!failure.empty()) {
        std::fprintf(stderr, "LV2 messages: %s\n", failure.c_str());
        std::abort();
    }
    return 0;
}
