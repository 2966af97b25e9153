// The gate itself, in no plug-in format: twelve parameters by index, and a
// block of stereo audio played at a plain host position. The VST 2 effect,
// the LV2 plug-in and the CLAP plug-in each hold one and call it directly.
//
// On a step grid counted from the host's sample position an amplitude
// envelope and a low-pass filter envelope restart several times per step;
// the envelope values come from the parameters ("MANUAL"), from the random
// generator ("RANDOM") or from stored patterns ("AUTO").
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>

#include "effect/envelope.h"
#include "effect/low_pass.h"
#include "effect/parameters.h"
#include "effect/step_clock.h"
#include "effect/triangle_lfo.h"

// The step being played, as an editor draws it. Note starts lie at frames
// 0, notePeriod + 1, 2 * (notePeriod + 1) and so on from the step's start.
struct StepView {
    std::int32_t framesPerStep;  // frames of one step, at the core's own rate
    std::int32_t step;           // the step number of the last frame played
    std::int32_t frameInStep;    // frames from the step's start to the frame after the last one played
    std::int32_t ampNotePeriod;     // the amplitude envelope's frames between restarts, less one
    std::int32_t filterNotePeriod;  // the filter envelope's
    bool passingThrough;         // the last block passed its input through: the position stood still
};

// Told of every step change at which "RANDOM" or "AUTO" chose envelope
// values, on the thread that processes, in the middle of a block: it must
// not allocate, lock or wait.
class PickListener {
public:
    virtual ~PickListener() = default;
    // `frame` counts from the first frame of the process call; `values` are
    // parameters 0 to 9 as now in use.
    virtual void picked(std::int32_t frame, const float (&values)[kEnvelopeParameterCount]) = 0;
};

// The rate a VST 2 effect has before its host names one, which the step
// grid counts with whatever rate the host plays at: every edition's core
// uses it, so every edition keeps the same rhythm.
inline constexpr float kStepGridSampleRate = 44100.0f;

class QuillbeatCore {
public:
    // `capturedSampleRate` is the rate the step grid counts frames with, for
    // the core's life; the effect passes the rate it has before any host
    // named one, so every edition's rhythm is the same whatever the rate.
    explicit QuillbeatCore(float capturedSampleRate);

    // Stores the value as given, unclamped; an index outside 0 to 11 changes
    // nothing. Safe on any thread: each value is one lock-free 32-bit field.
    void setParameter(int index, float value) {
        if (index >= 0 && index < kParameterCount) store(parameter(index), value);
    }
    // The value in use; `index` must be 0 to 11. Safe on any thread.
    float parameterValue(int index) const { return load(parameter(index)); }

    // One block: `frames` frames from two input channels to two output
    // channels, which may be the same. `samplePosition` is the host's sample
    // position of the block's first frame, or none (nor a value that is not
    // a finite number): then the block follows the previous one. A block
    // whose position has not moved since the previous block passes its
    // input through. Allocates nothing, locks nothing.
    void process(const float* const* inputs, float* const* outputs, std::int32_t frames,
                 std::optional<double> samplePosition);

    // Back to a new core's state, keeping the parameter values: the step
    // clock, the envelopes, the filters, the oscillator, the generator's
    // seed, the last "AUTO" pick, and a first block that passes through.
    // Allocates nothing; not while a block is processed.
    void reset();

    // The pseudo-random generator: a linear congruence whose upper 16 bits
    // are the result (0 to 65535). Each block draws one; "RANDOM" and "AUTO"
    // draw more at step changes.
    std::uint32_t nextRandom();

    // Counts the step changes at which "RANDOM" or "AUTO" chose envelope
    // values, so a caller learns cheaply that the values in use may have
    // moved. Wraps around; safe on any thread.
    std::uint32_t pickCount() const { return picks.load(std::memory_order_relaxed); }
    // Whom to tell of each pick, or null; not while a block is processed.
    void setPickListener(PickListener* listener) { pickListener = listener; }

    // The step as the last block left it. Only on the thread that processes.
    StepView stepView() const;

private:
    using Parameter = std::atomic<float>;
    static_assert(Parameter::is_always_lock_free);

    Parameter& parameter(int index) { return this->*kParameterFields[index]; }
    const Parameter& parameter(int index) const { return this->*kParameterFields[index]; }
    static float load(const Parameter& p) { return p.load(std::memory_order_relaxed); }
    static void store(Parameter& p, float value) { p.store(value, std::memory_order_relaxed); }

    void passThrough(const float* const* inputs, float* const* outputs, std::int32_t frames);
    void processMovingBlock(const float* const* inputs, float* const* outputs, std::int32_t frames);
    EnvelopeRates ampRates() const;
    EnvelopeRates filterRates() const;
    void chooseEnvelopeValues(std::int32_t newStepIndex, std::int32_t frame);
    void rollRandomValues();
    void pickAutoPattern(std::int32_t newStepIndex);

    // The fields stand in the order of the effect's layout, the parameters
    // among the processing state. "audio" marks what only the thread that
    // processes blocks writes.

    // Frames per second that the step grid counts with, for the core's
    // life: the step length does not follow a rate the host sets later, and
    // the rhythm of every session depends on that.
    float capturedSampleRate;
    StepClockState stepClockState;  // audio
    std::int32_t lastAutoPick;      // audio: pick-list index of the latest "AUTO" choice
    float autoNotesThreshold;       // audio: vnotes when the latest "AUTO" choice began

    // The parameters, 0 to 1 from the host's side, stored unclamped. Written
    // by the host's threads; read by the audio thread and, in "RANDOM" and
    // "AUTO", overwritten by it at step changes. The last write wins.
    Parameter vA, vD1, vS, vD2, vnotes;  // amplitude envelope: rates, break level, starts per step
    EnvelopeState ampEnvelopeState;      // audio
    Parameter fA, fD1, fS, fD2, fnotes;  // filter envelope: rates, break level, starts per step
    EnvelopeState filterEnvelopeState;   // audio
    Parameter Tempo;                     // beats per minute of the step grid
    StereoLowPassState lowPassState;     // audio
    Parameter RndSw;                     // switch: "MANUAL", "RANDOM" or "AUTO"
    TriangleLfoState lfoState;           // audio
    std::uint32_t randomSeed;            // audio: state of nextRandom
    std::int32_t tempoBpm;               // audio: beats per minute, from Tempo at every block
    // Audio: frames of the previous call, so a block without a position can
    // be placed right after it.
    std::int32_t previousBlockFrames;
    std::atomic<std::uint32_t> picks{0};  // written by the audio thread alone
    PickListener* pickListener = nullptr;

    static constexpr Parameter QuillbeatCore::*kParameterFields[] = {
        &QuillbeatCore::vA,  &QuillbeatCore::vD1, &QuillbeatCore::vS,     &QuillbeatCore::vD2,
        &QuillbeatCore::vnotes, &QuillbeatCore::fA, &QuillbeatCore::fD1, &QuillbeatCore::fS,
        &QuillbeatCore::fD2, &QuillbeatCore::fnotes, &QuillbeatCore::RndSw, &QuillbeatCore::Tempo,
    };
};
