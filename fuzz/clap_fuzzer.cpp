// libFuzzer target: every input is a session of a hostile CLAP host with the
// CLAP edition linked in (see clap_calls.h). A broken check aborts, which
// libFuzzer reports as a crash and saves as a reproducer.
#include <cstdio>
#include <cstdlib>

#include "fuzz/clap_calls.h"

extern "C" const clap::clap_plugin_entry clap_entry;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string failure = playClapCalls(clap_entry, data, size);
    if (!failure.empty()) {
        std::fprintf(stderr, "CLAP calls: %s\n", failure.c_str());
        std::abort();
    }
    return 0;
}
