// One envelope of the gate: attack to 1, a first decay to the break level,
// a second decay to the floor. The amplitude envelope is the signal's gain;
// the filter envelope opens the low-pass. Each restarts on its own countdown
// and at every step. All arithmetic is done in double precision and rounded
// to float where a value is stored; a comparison right after an update looks
// at the double.
#pragma once

#include <cmath>
#include <cstdint>

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
// arithmetic and keeps only its comparison.
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

// An envelope as the effect stores it between blocks. Written and read by the
// audio thread only.
struct EnvelopeState {
    std::int32_t stage;      // an EnvelopeStage; anything else holds the level
    float level;             // 0 to 1: the gain, or the filter's opening
    std::int32_t countdown;  // frames to the next restart within the step
    std::int32_t period;     // frames between restarts: frames per step / starts per step
};

// Levels are stored as floats. While a block runs, an envelope holds its
// level widened to double, which every use of it (its next update, the gain,
// the filter coefficient) wants. A held level is always exactly a float value.
inline double roundedToFloat(double value) { return static_cast<float>(value); }

// One envelope for the length of a block: loaded from its stored state,
// advanced frame by frame, stored back at the end.
class Envelope {
public:
    static Envelope load(const EnvelopeState& state, float floorLevel) { return Envelope(state, floorLevel); }
    void store(EnvelopeState& state) const {
        state.stage = stage_;
        state.level = static_cast<float>(level_);
        state.countdown = countdown;
        state.period = period;
    }

    std::int32_t stage() const { return stage_; }
    // A float value, widened.
    double level() const { return level_; }

    // New rates, from parameters that may have changed.
    void setRates(const EnvelopeRates& newRates) { rates = newRates; }

    void restart() {
        stage_ = kAttack;
        setLevel(0.0);
    }
    // Restarts when the countdown goes below zero, and reloads it.
    void countDown() {
        if (--countdown < 0) [[unlikely]] {
            restart();
            countdown = period;
        }
    }
    // A new step: restart, with a new period for `starts` starts per step.
    void startStep(std::int32_t framesPerStep, std::int32_t starts) {
        restart();
        period = framesPerStep / starts;
        countdown = period;
    }

    // One frame, stage by stage:
    //   attack        rises by the attack rate; at 1 the first decay follows,
    //                 from the next frame on
    //   first decay   falls by its rate; below the break level the second
    //                 decay follows, and in either case the second decay's
    //                 fall comes in this same frame (so the level falls by
    //                 both rates at once)
    //   second decay  falls by its rate; below the floor: finished
    //   finished, or any other stage: holds
    // Tests in a row rather than a switch; docs/developing.md tells why.
    void advance() {
        if (stage_ == kAttack) [[unlikely]] {
            if (rise()) stage_ = kFirstDecay;
            return;
        }
        if (stage_ == kFirstDecay && fall(rates.decay1, rates.decay1Moves, rates.breakLevel))
            stage_ = kSecondDecay;
        if ((stage_ == kFirstDecay || stage_ == kSecondDecay) && fall(rates.decay2, rates.decay2Moves, floorLevel))
            stage_ = kFinished;
    }

private:
    Envelope(const EnvelopeState& state, float floorLevel)
        : stage_(state.stage),
          countdown(state.countdown),
          period(state.period),
          floorLevel(floorLevel),
          rates(EnvelopeRates::of(0.0f, 0.0f, 0.0f, 0.0f)) {
        setLevel(state.level);
    }

    // Raises the level by the attack rate unless it does not move; true when
    // it reached 1 (the level is then 1).
    bool rise() {
        if (!rates.attackMoves) {
            if (!(level_ >= 1.0)) return false;
        } else {
            const double next = level_ + rates.attack;
            if (!(next >= 1.0)) [[likely]] {
                setRoundedLevel(next, kRising);
                return false;
            }
        }
        setLevel(1.0);
        return true;
    }

    // Lowers the level by `decrement` unless it does not move; true when the
    // result, before rounding, fell below `stopAt` (the level is then
    // `stopAt`, set, not rounded: perhaps above the level that reached it).
    bool fall(double decrement, bool moves, double stopAt) {
        if (!moves) {
            if (!(level_ < stopAt)) return false;
        } else {
            const double next = level_ - decrement;
            if (!(next < stopAt)) [[likely]] {
                setRoundedLevel(next, kFalling);
                return false;
            }
        }
        setLevel(stopAt);
        return true;
    }

    // The only two writes to the level: one exact, one rounded to float. A
    // fall rounds through decayRounding, which is right for a value no
    // greater than the last one that it rounded or was moved to (a
    // decrement is never negative). So an exact level moves it, and a rise,
    // rounded by conversion, leaves it with no range, which a fall would
    // take by conversion too.
    void setLevel(double exact) {
        level_ = exact;
        decayRounding.moveTo(exact);
    }
    enum Direction { kRising, kFalling };
    void setRoundedLevel(double next, Direction direction) {
        if (direction == kFalling) {
            level_ = decayRounding.falling(next);
        } else {
            level_ = roundedToFloat(next);
            decayRounding.clear();
        }
    }

    std::int32_t stage_;
    double level_;
    std::int32_t countdown;
    std::int32_t period;
    double floorLevel;
    EnvelopeRates rates;
    FloatRounding decayRounding;
};
