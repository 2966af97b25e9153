// QuillbeatEffect: a tempo-locked gate. On a step grid counted from the host's
// sample position an amplitude envelope and a low-pass filter envelope restart
// several times per step; the envelope values come from the parameters
// ("MANUAL"), from the random generator ("RANDOM") or from stored patterns
// ("AUTO").
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "effect/parameters.h"
#include "effect/program_record.h"
#include "host/effect_base_ext.h"

struct EnvelopeRates;

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

    // Read by the host's threads only, or written once at construction.
    float fallbackParameterValue;
    std::unique_ptr<ProgramRecord[]> programs;

    // Processing state: read and written on the audio thread only.
    float capturedSampleRate;
    float stepLength;
    std::int32_t blockStartPosition;
    std::int32_t samplePosition;
    std::int32_t previousBlockStartPosition;
    std::int32_t stepIndex;
    std::int32_t previousStepIndex;
    std::int32_t positionDelta;
    std::int32_t lastAutoPick;
    float autoNotesThreshold;

    // The parameters are written by the host's threads and read (and, in
    // "RANDOM" and "AUTO", overwritten at step changes) by the audio thread.
    // Each is one lock-free 32-bit value; the last write wins.
    Parameter vA, vD1, vS, vD2, vnotes;
    std::int32_t ampStage;
    float ampLevel;
    std::int32_t ampCountdown;
    std::int32_t ampPeriod;
    Parameter fA, fD1, fS, fD2, fnotes;
    std::int32_t filterStage;
    float filterLevel;
    std::int32_t filterCountdown;
    std::int32_t filterPeriod;
    Parameter Tempo;
    float filterStateLeft;
    float filterStateRight;
    Parameter RndSw;
    std::int32_t lfoCounter;
    std::int32_t lfoAccumulator;
    std::int32_t lfoDirection;
    std::int32_t lfoHalfPeriod;
    std::uint32_t randomSeed;
    std::int32_t tempoBpm;
    // Frames of the previous call, so a block without time information can be
    // placed right after it.
    std::int32_t previousBlockFrames;

    static constexpr Parameter QuillbeatEffect::*kParameterFields[kParameterCount] = {
        &QuillbeatEffect::vA, &QuillbeatEffect::vD1, &QuillbeatEffect::vS,     &QuillbeatEffect::vD2,
        &QuillbeatEffect::vnotes, &QuillbeatEffect::fA, &QuillbeatEffect::fD1, &QuillbeatEffect::fS,
        &QuillbeatEffect::fD2, &QuillbeatEffect::fnotes, &QuillbeatEffect::RndSw, &QuillbeatEffect::Tempo,
    };
};
