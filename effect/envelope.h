// The arithmetic of the envelopes, the oscillator and the filters: small
// functions with no knowledge of the host, shared by the audio path and its
// tests. All of it is done in double precision and rounded to float where a
// value is stored; a comparison right after an update looks at the double.
#pragma once

#include <cmath>
#include <cstdint>

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
struct EnvelopeRates {
    double attack;
    double decay1;
    float breakLevel;
    double decay2;

    static EnvelopeRates of(float attack, float decay1, float breakLevel, float decay2) {
        return {envelopeIncrement(attack), envelopeIncrement(decay1), breakLevel, envelopeIncrement(decay2)};
    }
};

// An increment is never negative (a square times a positive constant, NaN
// taken as 0), and one of exactly 0 changes nothing: level - 0 is level, -0
// included, and level + 0 is level for every level an attack can hold (it
// starts at +0 and only grows). So a zero step skips the arithmetic and keeps
// only its comparison, which takes a held level off the frame's chain of
// dependent operations.

// Raises `level` by `increment`; true when it reached 1 (`level` is then 1).
inline bool rise(float& level, double increment) {
    if (increment == 0.0) {
        if (!(level >= 1.0f)) return false;
    } else {
        const double next = static_cast<double>(level) + increment;
        if (!(next >= 1.0)) {
            level = static_cast<float>(next);
            return false;
        }
    }
    level = 1.0f;
    return true;
}

// Lowers `level` by `decrement`; true when the result, before rounding, fell
// below `stopAt` (`level` is then `stopAt`).
inline bool fall(float& level, double decrement, float stopAt) {
    if (decrement == 0.0) {
        if (!(level < stopAt)) return false;
    } else {
        const double next = static_cast<double>(level) - decrement;
        if (!(next < stopAt)) {
            level = static_cast<float>(next);
            return false;
        }
    }
    level = stopAt;
    return true;
}

// One frame of an attack / first decay / second decay envelope. The attack
// ends the frame when it reaches 1; a frame of the first decay also runs the
// second decay, so the level then falls by both rates at once.
inline void advanceEnvelope(std::int32_t& stage, float& level, float floor, const EnvelopeRates& rates) {
    switch (stage) {
        case kAttack:
            if (rise(level, rates.attack)) stage = kFirstDecay;
            return;
        case kFirstDecay:
            if (fall(level, rates.decay1, rates.breakLevel)) stage = kSecondDecay;
            [[fallthrough]];
        case kSecondDecay:
            if (fall(level, rates.decay2, floor)) stage = kFinished;
            return;
        default:
            return;
    }
}

// The same with the parameters read through callables.
template <typename ReadAttack, typename ReadDecay1, typename ReadBreak, typename ReadDecay2>
inline void advanceEnvelope(std::int32_t& stage, float& level, float floor, ReadAttack attack,
                            ReadDecay1 decay1, ReadBreak breakLevel, ReadDecay2 decay2) {
    advanceEnvelope(stage, level, floor, EnvelopeRates::of(attack(), decay1(), breakLevel(), decay2()));
}

// A filter state is kept only while it is a normal float: a non-finite one
// (from non-finite input) and a subnormal one (a decay that would otherwise
// stick just above zero for ever) become 0.
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
