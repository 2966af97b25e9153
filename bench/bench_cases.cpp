#include "bench/bench_cases.h"

#include <cstdint>
#include <cstring>
#include <iterator>

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
constexpr Setting kManualDefaults[] = {{kRndSw, 0.0f}};

// Several notes per step and every rate non-zero, so both envelopes spend
// their time in attack and decays, and restart often.
constexpr Setting kManualBusyGate[] = {{0, 0.8f}, {1, 0.3f}, {2, 0.4f},  {3, 0.1f},  {4, 0.5f},  {5, 0.6f},
                                       {6, 0.2f}, {7, 0.5f}, {8, 0.15f}, {9, 0.3f}, {10, 0.0f}, {11, 0.5f}};
static_assert(std::size(kManualBusyGate) == kParameterCount);

constexpr Setting kRandomMode[] = {{kRndSw, 0.5f}};
// The constructed switch is "AUTO": nothing to set.
}  // namespace

const EffectCase kEffectCases[6] = {
    {"manual_default", kManualDefaults, noiseTape, false},
    {"manual_busy", kManualBusyGate, noiseTape, false},
    {"random", kRandomMode, noiseTape, false},
    {"auto", {}, noiseTape, false},
    {"pass_through", kManualDefaults, noiseTape, true},
    {"silence_tail", kManualBusyGate, silenceTailTape, false},
};

const EffectCase* findEffectCase(const char* name) {
    for (const EffectCase& effectCase : kEffectCases)
        if (std::strcmp(effectCase.name, name) == 0) return &effectCase;
    return nullptr;
}
