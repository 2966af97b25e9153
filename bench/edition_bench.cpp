// The editions' glue: nanoseconds per stereo frame of the plug-in as VST 2,
// LV2 and CLAP, each played through the host library's interface with a
// moving transport, at blocks of 64 and 512, beside the VST 2
// replacing-process function called straight through its record by the lean
// benchmark host. The closing table gives each as a ratio to that call: what
// an edition, and the host library around it, add to the effect's own work.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "bench/bench_cases.h"
#include "bench/bench_host.h"
#include "bench/floor_ratio_reporter.h"
#include "player/clap_instance.h"
#include "player/lv2_instance.h"
#include "player/vst2_instance.h"

namespace {

constexpr long kBlockSizes[] = {64, 512};
constexpr double kRate = 44100.0;
// "MANUAL" with every envelope busy.
const EffectCase& busy() { return *findEffectCase("manual_busy"); }

void reportPerFrame(benchmark::State& state, int block) {
    state.counters["per_frame"] = benchmark::Counter(static_cast<double>(state.iterations()) * block,
                                                     benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void runRecord(benchmark::State& state) {
    const int block = static_cast<int>(state.range(0));
    BenchHost host;
    for (const Setting& setting : busy().settings) host.setParameter(setting.index, setting.value);
    Buffers buffers(noiseTape(), block);
    for (auto _ : state) {
        buffers.next();
        host.process(buffers.in(), buffers.out(), block);
        benchmark::ClobberMemory();
    }
    reportPerFrame(state, block);
}

template <typename Instance>
void runEdition(benchmark::State& state, const char* where) {
    const int block = static_cast<int>(state.range(0));
    Instance instance(where);
    for (const Setting& setting : busy().settings)
        instance.setValue(static_cast<std::size_t>(setting.index), setting.value);
    if (!instance.activate(kRate, static_cast<std::uint32_t>(block))) {
        state.SkipWithError("the plug-in did not activate");
        return;
    }
    Buffers buffers(noiseTape(), block);
    HostPosition position{1000.0, 120.0, true};
    for (auto _ : state) {
        buffers.next();
        if (!instance.play({buffers.in(), buffers.out(), static_cast<std::uint32_t>(block), &position, {}, {}})) {
            state.SkipWithError("the plug-in failed a block");
            return;
        }
        position.sample += block;
        benchmark::ClobberMemory();
    }
    reportPerFrame(state, block);
}

}  // namespace

int main(int argc, char** argv) {
    auto sizes = [](benchmark::internal::Benchmark* b) {
        for (long block : kBlockSizes) b->Arg(block);
    };
    benchmark::RegisterBenchmark("vst2_record", runRecord)->Apply(sizes);
    benchmark::RegisterBenchmark("vst2", runEdition<Vst2Instance>, QUILLBEAT_PLUGIN_PATH)->Apply(sizes);
    benchmark::RegisterBenchmark("lv2", runEdition<Lv2Instance>, QUILLBEAT_LV2_BUNDLE)->Apply(sizes);
    benchmark::RegisterBenchmark("clap", runEdition<ClapInstance>, QUILLBEAT_CLAP_PATH)->Apply(sizes);

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    FloorRatioReporter reporter({"vst2_record"}, {"vst2_record", "vst2", "lv2", "clap"},
                                "the VST 2 replacing-process call through the record");
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
