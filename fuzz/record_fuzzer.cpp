// libFuzzer target: every input is a run of hostile host requests against
// the effect's record (see hostile_requests.h).
#include "fuzz/fuzz_verdict.h"
#include "fuzz/hostile_requests.h"

extern "C" AEffect* VSTPluginMain(audioMasterCallback hostCallback);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return abortOnFailure("hostile requests", playHostileRequests(VSTPluginMain, data, size));
}
