// libFuzzer target: every input is a host session against the effect's
// record (see record_session.h). A broken check aborts, which libFuzzer
// reports as a crash and saves as a reproducer.
#include <cstdio>
#include <cstdlib>

#include "fuzz/record_session.h"

extern "C" AEffect* VSTPluginMain(audioMasterCallback hostCallback);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string failure = runRecordSession(VSTPluginMain, data, size);
    if (!failure.empty()) {
        std::fprintf(stderr, "record session: %s\n", failure.c_str());
        std::abort();
    }
    return 0;
}
