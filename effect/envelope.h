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

// One frame of an attack / first decay / second decay envelope. The attack
// ends the frame when it reaches 1; a frame of the first decay also runs the
// second decay, so the level then falls by both rates at once. Each rate is
// read only in the stage that uses it.
template <typename ReadAttack, typename ReadDecay1, typename ReadBreak, typename ReadDecay2>
inline void advanceEnvelope(std::int32_t& stage, float& level, float floor, ReadAttack attack,
                            ReadDecay1 decay1, ReadBreak breakLevel, ReadDecay2 decay2) {
    switch (stage) {
        case kAttack: {
            const double next = static_cast<double>(level) + envelopeIncrement(attack());
            if (next >= 1.0) {
                level = 1.0f;
                stage = kFirstDecay;
            } else {
                level = static_cast<float>(next);
            }
            return;
        }
        case kFirstDecay: {
            const double next = static_cast<double>(level) - envelopeIncrement(decay1());
            const float breakAt = breakLevel();
            if (next < breakAt) {
                level = breakAt;
                stage = kSecondDecay;
            } else {
                level = static_cast<float>(next);
            }
            [[fallthrough]];
        }
        case kSecondDecay: {
            const double next = static_cast<double>(level) - envelopeIncrement(decay2());
            if (next < floor) {
                level = floor;
                stage = kFinished;
            } else {
                level = static_cast<float>(next);
            }
            return;
        }
        default:
            return;
    }
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
