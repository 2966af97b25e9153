// libFuzzer target: every input is a session of a hostile CLAP host with the
// CLAP edition linked in (see clap_calls.h).
#include "fuzz/clap_calls.h"
#include "fuzz/fuzz_verdict.h"

extern "C" const clap::clap_plugin_entry clap_entry;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return abortOnFailure("CLAP calls", playClapCalls(clap_entry, data, size));
}
