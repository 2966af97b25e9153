// Nanoseconds per stereo frame of the plug-in's replacing-process function,
// called through its record by a host whose transport moves on by each block,
// for each mode and for pass-through and a silence tail, at block sizes 64,
// 512 and 4096; beside them a plain copy of the same buffers and the floor
// kernels (the low-pass recurrence alone, channels paired and one by one).
// The closing table gives every case as a ratio to the faster floor kernel
// measured in the same run.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_cases.h"
#include "bench/bench_host.h"
#include "bench/floor_kernel.h"
#include "bench/floor_ratio_reporter.h"

namespace {

constexpr long kBlockSizes[] = {64, 512, 4096};

void reportPerFrame(benchmark::State& state, int block) {
    state.counters["per_frame"] = benchmark::Counter(static_cast<double>(state.iterations()) * block,
                                                     benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// ---- the effect's cases ------------------------------------------------------

void runEffect(benchmark::State& state, const EffectCase& effectCase) {
    const int block = static_cast<int>(state.range(0));
    BenchHost host;
    if (!host.opened()) {
        state.SkipWithError("the plug-in did not open");
        return;
    }
    for (const Setting& setting : effectCase.settings) host.setParameter(setting.index, setting.value);
    host.moving = !effectCase.standing;
    Buffers buffers(effectCase.tape(), block);
    for (auto _ : state) {
        buffers.next();
        host.process(buffers.in(), buffers.out(), block);
        benchmark::ClobberMemory();
    }
    reportPerFrame(state, block);
}

// ---- what the effect is measured against ---------------------------------------

void runCopy(benchmark::State& state) {
    const int block = static_cast<int>(state.range(0));
    Buffers buffers(noiseTape(), block);
    for (auto _ : state) {
        buffers.next();
        std::memcpy(buffers.out()[0], buffers.in()[0], sizeof(float) * static_cast<std::size_t>(block));
        std::memcpy(buffers.out()[1], buffers.in()[1], sizeof(float) * static_cast<std::size_t>(block));
        benchmark::ClobberMemory();
    }
    reportPerFrame(state, block);
}

template <void (*Kernel)(const float*, const float*, float*, float*, int, const FloorSettings&, float*)>
void runFloor(benchmark::State& state) {
    const int block = static_cast<int>(state.range(0));
    Buffers buffers(noiseTape(), block);
    FloorSettings settings;
    benchmark::DoNotOptimize(settings);
    float filterState[2] = {0.0f, 0.0f};
    for (auto _ : state) {
        buffers.next();
        Kernel(buffers.in()[0], buffers.in()[1], buffers.out()[0], buffers.out()[1], block, settings, filterState);
        benchmark::ClobberMemory();
    }
    reportPerFrame(state, block);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> order = {"floor", "floor_scalar", "copy"};
    auto sizes = [](benchmark::internal::Benchmark* b) {
        for (long block : kBlockSizes) b->Arg(block);
    };
    benchmark::RegisterBenchmark("floor", runFloor<floorKernel>)->Apply(sizes);
    benchmark::RegisterBenchmark("floor_scalar", runFloor<scalarFloorKernel>)->Apply(sizes);
    benchmark::RegisterBenchmark("copy", runCopy)->Apply(sizes);
    for (const EffectCase& effectCase : kEffectCases) {
        benchmark::RegisterBenchmark(effectCase.name, runEffect, effectCase)->Apply(sizes);
        order.emplace_back(effectCase.name);
    }

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    FloorRatioReporter reporter({"floor", "floor_scalar"}, order);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
