// TestHost's way to the plug-in this build made, apart from the rest of the
// host: the record fuzzer, which links the effect in, loads no library.
#include "player/built_plugin.h"
#include "tests/support/test_host.h"

AEffect* TestHost::open(const char* entryName) {
    PluginEntry entry = quillbeatLibrary().entry(entryName);
    return entry != nullptr ? EffectHost::open(entry) : nullptr;
}
