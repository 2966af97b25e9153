#include "bench/bench_host.h"

#include "player/built_plugin.h"

BenchHost::BenchHost() {
    host.timeAnswer = &transport;
    if (PluginEntry entry = quillbeatLibrary().entry("VSTPluginMain")) record = host.open(entry);
}
