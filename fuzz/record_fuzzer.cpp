// libFuzzer target: every input is a run of hostile host requests against
// the effect's record (see hostile_requests.h). A broken check aborts, which libFuzzer
// reports as a crash and saves as a reproducer.
#include <cstdio>
#include <cstdlib>

#include "fuzz/hostile_requests.h"

extern "C" AEffect* VSTPluginMain(audioMasterCallback hostCallback);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string failure = playHostileRequests(VSTPluginMain, data, size);
    if (!failure.empty()) {
        std::fprintf(stderr, "hostile requests: %s\n", failure.c_str());
        std::abort();
    }
    return 0;
}
