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

#include "bench/bench_host.h"
#include "bench/floor_kernel.h"
#include "bench/floor_ratio_reporter.h"
#include "effect/parameters.h"

namespace {

constexpr int kTapeFrames = 1 << 16;
constexpr long kBlockSizes[] = {64, 512, 4096};

// Input that the blocks read in turn: noise, then exact silence from
// `noiseFrames` on.
struct Tape {
    explicit Tape(int noiseFrames) : left(kTapeFrames, 0.0f), right(kTapeFrames, 0.0f) {
        std::uint32_t state = 12345;
        auto noise = [&state] {
            state = state * 1664525u + 1013904223u;
            return static_cast<float>(static_cast<std::int32_t>(state)) * (1.0f / 2147483648.0f);
        };
        for (int i = 0; i < noiseFrames; ++i) {
            left[i] = noise();
            right[i] = noise();
        }
    }
    std::vector<float> left, right;
};

const Tape& noiseTape() {
    static const Tape tape(kTapeFrames);
    return tape;
}

// Noise long enough to fill the filters, then a long run of exact silence in
// which they decay to 0 and stay there.
const Tape& silenceTailTape() {
    static const Tape tape(4096);
    return tape;
}

// The buffers of one benchmark: successive windows of a tape as input, and
// output buffers of one block.
class Buffers {
public:
    Buffers(const Tape& tape, int block) : tape(tape), block(block), outLeft(block), outRight(block) {}

    // The next window of the tape, wrapping at its end.
    void next() {
        inputs[0] = const_cast<float*>(tape.left.data()) + offset;
        inputs[1] = const_cast<float*>(tape.right.data()) + offset;
        offset = offset + 2 * block <= kTapeFrames ? offset + block : 0;
    }
    float** in() { return inputs; }
    float** out() { return outputs; }

private:
    const Tape& tape;
    int block;
    int offset = 0;
    std::vector<float> outLeft, outRight;
    float* inputs[2] = {nullptr, nullptr};
    float* outputs[2] = {outLeft.data(), outRight.data()};
};

void reportPerFrame(benchmark::State& state, int block) {
    state.counters["per_frame"] = benchmark::Counter(static_cast<double>(state.iterations()) * block,
                                                     benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// ---- the effect's cases ------------------------------------------------------

struct EffectCase {
    const char* name;
    void (*setUp)(BenchHost&);
    const Tape& (*tape)();
    bool standing;
};

void manualDefaults(BenchHost& host) { host.setParameter(kRndSw, 0.0f); }

// Several notes per step and every rate non-zero, so both envelopes spend
// their time in attack and decays, and restart often.
void manualBusyGate(BenchHost& host) {
    const float values[kParameterCount] = {0.8f, 0.3f, 0.4f, 0.1f, 0.5f, 0.6f, 0.2f, 0.5f, 0.15f, 0.3f, 0.0f, 0.5f};
    for (int i = 0; i < kParameterCount; ++i) host.setParameter(i, values[i]);
}

void randomMode(BenchHost& host) { host.setParameter(kRndSw, 0.5f); }
void autoMode(BenchHost& /*host*/) {}  // the constructed switch is "AUTO"

const EffectCase kEffectCases[] = {
    {"manual_default", manualDefaults, noiseTape, false},
    {"manual_busy", manualBusyGate, noiseTape, false},
    {"random", randomMode, noiseTape, false},
    {"auto", autoMode, noiseTape, false},
    {"pass_through", manualDefaults, noiseTape, true},
    {"silence_tail", manualBusyGate, silenceTailTape, false},
};

void runEffect(benchmark::State& state, const EffectCase& effectCase) {
    const int block = static_cast<int>(state.range(0));
    BenchHost host;
    if (!host.opened()) {
        state.SkipWithError("the plug-in did not open");
        return;
    }
    effectCase.setUp(host);
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
