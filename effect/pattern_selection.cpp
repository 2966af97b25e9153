// Where the ten envelope values of a new step come from in "RANDOM" and
// "AUTO". Chosen values replace the stored parameters themselves.
#include "effect/pattern_table.h"
#include "effect/parameter_scales.h"
#include "effect/quillbeat_core.h"

namespace {
// Each roll is a whole number times this constant, stored as a float.
constexpr float kRollScale = 0.01f;

// The RANDOM draws in the order they are made: r mod `modulus`, plus
// `offset`, times 0.01.
struct RandomRoll {
    int parameter;
    std::uint32_t modulus;
    std::uint32_t offset;
};
constexpr RandomRoll kRandomRolls[kEnvelopeParameterCount] = {
    {kVA, 80, 20},  {kVD1, 20, 0}, {kVS, 101, 0}, {kVD2, 20, 0}, {kVNotes, 51, 0},
    {kFA, 80, 20},  {kFD1, 20, 0}, {kFS, 101, 0}, {kFD2, 20, 0}, {kFNotes, 51, 0},
};
}  // namespace

void QuillbeatCore::chooseEnvelopeValues(std::int32_t newStepIndex, std::int32_t frame) {
    switch (switchMode(load(RndSw))) {
        case SwitchMode::Random: rollRandomValues(); break;
        case SwitchMode::Auto: pickAutoPattern(newStepIndex); break;
        case SwitchMode::Manual: return;
    }
    // Only this thread writes the count, so it needs no read-modify-write.
    picks.store(picks.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    if (pickListener != nullptr) [[unlikely]] {
        float values[kEnvelopeParameterCount];
        for (int i = 0; i < kEnvelopeParameterCount; ++i) values[i] = load(parameter(i));
        pickListener->picked(frame, values);
    }
}

void QuillbeatCore::rollRandomValues() {
    for (const RandomRoll& roll : kRandomRolls) {
        const std::uint32_t whole = nextRandom() % roll.modulus + roll.offset;
        store(parameter(roll.parameter), static_cast<float>(static_cast<double>(whole) * kRollScale));
    }
}

void QuillbeatCore::pickAutoPattern(std::int32_t newStepIndex) {
    autoNotesThreshold = load(vnotes);
    std::int32_t pick = 0;
    std::int32_t pattern = 0;
    if (newStepIndex % 2 != 0) {
        // Odd steps, negative ones included: never the same list index twice
        // in a row.
        do {
            pick = static_cast<std::int32_t>(nextRandom() % oddStepPicks.size());
        } while (pick == lastAutoPick);
        pattern = oddStepPicks[static_cast<std::size_t>(pick)];
    } else {
        // Even steps look for more notes than are in force, for a while.
        for (int tries = 0;; ++tries) {
            pick = static_cast<std::int32_t>(nextRandom() % evenStepPicks.size());
            pattern = evenStepPicks[static_cast<std::size_t>(pick)];
            if (patternTable[pattern][kVNotes] > autoNotesThreshold || tries >= kEvenStepExtraDraws) break;
        }
    }
    lastAutoPick = pick;
    for (int i = 0; i < kEnvelopeParameterCount; ++i) store(parameter(i), patternTable[pattern][i]);
}
