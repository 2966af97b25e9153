// QuillbeatEffect: a tempo-locked gate. On a step grid counted from the host's
// sample position an amplitude envelope and a low-pass filter envelope restart
// several times per step; the envelope values come from the parameters
// ("MANUAL"), from the random generator ("RANDOM") or from stored patterns
// ("AUTO").
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "effect/envelope.h"
#include "effect/low_pass.h"
#include "effect/parameters.h"
#include "effect/program_record.h"
#include "effect/step_clock.h"
#include "effect/triangle_lfo.h"
#include "host/effect_base_ext.h"


class QuillbeatEffect : public EffectBaseExt {
public:
    explicit QuillbeatEffect(audioMasterCallback hostCallback);
    ~QuillbeatEffect() override;

    void processReplacing(float** inputs, float** outputs, VstInt32 frames) override;
    void processDoubleReplacing(double** inputs, double** outputs, VstInt32 frames) override;
    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    void setProgram(VstInt32 program) override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    void getParameterLabel(VstInt32 index, char* label) override;
    void getParameterDisplay(VstInt32 index, char* text) override;
    void getParameterName(VstInt32 index, char* text) override;
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    VstInt32 getVendorVersion() override;

    // The effect's pseudo-random generator: a linear congruence whose upper
    // 16 bits are the result (0 to 65535).
    virtual std::uint32_t nextRandom();

private:
    using Parameter = std::atomic<float>;
    static_assert(Parameter::is_always_lock_free);

    Parameter& parameter(int index) { return this->*kParameterFields[index]; }
    float load(const Parameter& p) const { return p.load(std::memory_order_relaxed); }
    void store(Parameter& p, float value) { p.store(value, std::memory_order_relaxed); }

    void passThrough(float** inputs, float** outputs, VstInt32 frames);
    void processMovingBlock(float** inputs, float** outputs, VstInt32 frames);
    EnvelopeRates ampRates() const;
    EnvelopeRates filterRates() const;
    void chooseEnvelopeValues(std::int32_t newStepIndex);
    void rollRandomValues();
    void pickAutoPattern(std::int32_t newStepIndex);

    // The fields stand in the order of the effect's layout, the parameters
    // among the processing state. Units and the thread that writes each are
    // given beside it; "audio" is the thread that processes blocks.

    // Written once at construction, read by the host's threads.
    float fallbackParameterValue;  // what getParameter answers for an unknown index
    std::unique_ptr<ProgramRecord[]> programs;  // the bank; names written by the host's threads

    // Frames per second that the step grid counts with: the base's rate at
    // construction, before any host has announced its own. It is kept for
    // the life of the effect on purpose: the step length does not follow a
    // rate the host sets later, and the rhythm of every session depends on
    // that. Do not re-read the base's sample rate here.
    float capturedSampleRate;
    StepClockState stepClockState;  // audio
    std::int32_t lastAutoPick;      // audio: pick-list index of the latest "AUTO" choice
    float autoNotesThreshold;       // audio: vnotes when the latest "AUTO" choice began

    // The parameters, 0 to 1 from the host's side, stored unclamped. Written
    // by the host's threads; read by the audio thread and, in "RANDOM" and
    // "AUTO", overwritten by it at step changes. Each is one lock-free 32-bit
    // value; the last write wins.
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
    // Audio: frames of the previous call, so a block without time information
    // can be placed right after it.
    std::int32_t previousBlockFrames;

    static constexpr Parameter QuillbeatEffect::*kParameterFields[kParameterCount] = {
        &QuillbeatEffect::vA, &QuillbeatEffect::vD1, &QuillbeatEffect::vS,     &QuillbeatEffect::vD2,
        &QuillbeatEffect::vnotes, &QuillbeatEffect::fA, &QuillbeatEffect::fD1, &QuillbeatEffect::fS,
        &QuillbeatEffect::fD2, &QuillbeatEffect::fnotes, &QuillbeatEffect::RndSw, &QuillbeatEffect::Tempo,
    };
};
