#include "bench/bench_host.h"

#include "plugin_host/built_plugin.h"

BenchHost::BenchHost() {
    leanHost() = LeanHost{};
    if (PluginEntry entry = quillbeatLibrary().entry("VSTPluginMain")) record = entry(&leanHostCallback);
}

BenchHost::~BenchHost() {
    if (record != nullptr) record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f);
}
