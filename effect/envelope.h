// The arithmetic of the envelopes, the oscillator and the filters: small
// functions with no knowledge of the host, shared by the audio path and its
// tests. All of it is done in double precision and rounded to float where a
// value is stored; a comparison right after an update looks at the double.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

#include "effect/float_rounding.h"

enum EnvelopeStage : std::int32_t { kAttack = 1, kFirstDecay = 2, kSecondDecay = 3, kFinished = 4 };

// Per-frame change of a level for a rate parameter: (x * 100)^2 * 3.90625e-7,
// close to x^2 / 256. A rate of 0 leaves the level where it is; a rate that
// is not a number does too.
inline double envelopeIncrement(float rate) {
    const double scaled = static_cast<double>(rate) * 100.0f;
    const double increment = scaled * scaled * 3.90625e-7f;
    return std::isnan(increment) ? 0.0 : increment;
}

// Where an envelope's level stops falling: the amplitude goes to silence, the
// filter keeps a little opening.
constexpr float kAmpFloor = 0.0f;
constexpr float kFilterFloor = 0.01f;

// The per-frame changes of one envelope, worked out from its four parameters.
// They can change only where the parameters do: between blocks (the host) and
// at a step change (the pattern selection), so the audio path works them out
// at those two places and not on every frame.
//
// An increment is never negative (a square times a positive constant, NaN
// taken as 0), and one of exactly 0 changes nothing: level - 0 is level, -0
// included, and level + 0 is level for every level an attack can hold (it
// starts at +0 and only grows). So a stage whose increment is 0 skips the
// arithmetic and keeps only its comparison: a held level then costs the
// frame no chain of dependent operations.
struct EnvelopeRates {
    double attack;
    double decay1;
    double breakLevel;  // a float, widened
    double decay2;
    bool attackMoves;
    bool decay1Moves;
    bool decay2Moves;

    static EnvelopeRates of(float attack, float decay1, float breakLevel, float decay2) {
        EnvelopeRates rates{envelopeIncrement(attack), envelopeIncrement(decay1), breakLevel,
                            envelopeIncrement(decay2), false, false, false};
        rates.attackMoves = rates.attack != 0.0;
        rates.decay1Moves = rates.decay1 != 0.0;
        rates.decay2Moves = rates.decay2 != 0.0;
        return rates;
    }
};

// Levels are stored as floats. While a block runs, the audio path holds each
// level widened to double: every use of it (its next update, the gain, the
// filter coefficient) wants the double, so it is widened once per frame, not
// at each use. A held level is always exactly a float value.
inline double roundedToFloat(double value) { return static_cast<float>(value); }

// Raises `level` by `increment` unless it does not move; true when it reached
// 1 (`level` is then 1).
inline bool rise(double& level, double increment, bool moves) {
    if (!moves) {
        if (!(level >= 1.0)) return false;
    } else {
        const double next = level + increment;
        if (!(next >= 1.0)) {
            level = roundedToFloat(next);
            return false;
        }
    }
    level = 1.0;
    return true;
}

// Lowers `level` by `decrement` unless it does not move; true when the
// result, before rounding, fell below `stopAt` (`level` is then `stopAt`).
// A decay is where a frame can wait longest (two falls in a row in the first
// decay), so its rounding stays in double precision.
inline bool fall(double& level, double decrement, bool moves, double stopAt, FloatRounding& round) {
    if (!moves) {
        if (!(level < stopAt)) return false;
    } else {
        const double next = level - decrement;
        if (!(next < stopAt)) {
            level = round(next);
            return false;
        }
    }
    level = stopAt;
    return true;
}

// One frame of an attack / first decay / second decay envelope, on a level
// held widened. The attack ends the frame when it reaches 1; a frame of the
// first decay also runs the second decay, so the level then falls by both
// rates at once.
inline void advanceEnvelope(std::int32_t& stage, double& level, float floor, const EnvelopeRates& rates,
                            FloatRounding& round) {
    switch (stage) {
        case kAttack:
            if (rise(level, rates.attack, rates.attackMoves)) stage = kFirstDecay;
            return;
        case kFirstDecay:
            if (fall(level, rates.decay1, rates.decay1Moves, rates.breakLevel, round)) stage = kSecondDecay;
            [[fallthrough]];
        case kSecondDecay:
            if (fall(level, rates.decay2, rates.decay2Moves, floor, round)) stage = kFinished;
            return;
        default:
            return;
    }
}

// The same on a stored level, with the parameters read through callables.
template <typename ReadAttack, typename ReadDecay1, typename ReadBreak, typename ReadDecay2>
inline void advanceEnvelope(std::int32_t& stage, float& level, float floor, ReadAttack attack,
                            ReadDecay1 decay1, ReadBreak breakLevel, ReadDecay2 decay2) {
    double held = level;
    FloatRounding round(held);
    advanceEnvelope(stage, held, floor, EnvelopeRates::of(attack(), decay1(), breakLevel(), decay2()), round);
    level = static_cast<float>(held);
}

// A filter state is kept only while it is a normal float: a non-finite one
// (from non-finite input) and a subnormal one (a decay that would otherwise
// stick just above zero for ever) become 0. A double beyond the float range
// (from parameters far outside 0 to 1) becomes an infinity when narrowed, as
// IEEE 754 arithmetic defines, and so is dropped the same way.
static_assert(std::numeric_limits<float>::is_iec559 && std::numeric_limits<double>::is_iec559);
inline float settleFilterState(double next) {
    const float state = static_cast<float>(next);
    const int kind = std::fpclassify(state);
    return (kind == FP_SUBNORMAL || kind == FP_INFINITE || kind == FP_NAN) ? 0.0f : state;
}

// One-pole low-pass with the gain in front: the new state is also the output.
inline float lowPass(float input, float gain, float coefficient, float lfo, float state) {
    const double target = static_cast<double>(input) * gain - state;
    return settleFilterState(target * coefficient * lfo + state);
}
