#include "bench/bench_cases.h"

#include <cstdint>

#include "effect/parameters.h"

Tape::Tape(int noiseFrames) : left(kTapeFrames, 0.0f), right(kTapeFrames, 0.0f) {
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

const Tape& noiseTape() {
    static const Tape tape(kTapeFrames);
    return tape;
}

const Tape& silenceTailTape() {
    static const Tape tape(4096);
    return tape;
}

namespace {
void manualDefaults(BenchHost& host) { host.setParameter(kRndSw, 0.0f); }

// Several notes per step and every rate non-zero, so both envelopes spend
// their time in attack and decays, and restart often.
void manualBusyGate(BenchHost& host) {
    const float values[kParameterCount] = {0.8f, 0.3f, 0.4f, 0.1f, 0.5f, 0.6f, 0.2f, 0.5f, 0.15f, 0.3f, 0.0f, 0.5f};
    for (int i = 0; i < kParameterCount; ++i) host.setParameter(i, values[i]);
}

void randomMode(BenchHost& host) { host.setParameter(kRndSw, 0.5f); }
void autoMode(BenchHost& /*host*/) {}  // the constructed switch is "AUTO"
}  // namespace

const EffectCase kEffectCases[6] = {
    {"manual_default", manualDefaults, noiseTape, false},
    {"manual_busy", manualBusyGate, noiseTape, false},
    {"random", randomMode, noiseTape, false},
    {"auto", autoMode, noiseTape, false},
    {"pass_through", manualDefaults, noiseTape, true},
    {"silence_tail", manualBusyGate, silenceTailTape, false},
};
