// A straightforward model of the effect's audio path, kept in the tests: the
// same state, the same per-frame arithmetic in the same order, every field in
// memory and every parameter read at the moment it is used. It is the audio
// path as first written, before it was organised for speed; the differential
// test renders one session through both and compares every bit.
//
// Only the constant tables (initial parameter values, stored patterns, pick
// lists) are shared with the effect; every piece of arithmetic is a copy.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

class ReferenceGate {
public:
    ReferenceGate();

    // As the host's parameter functions: indices outside 0 to 11 change
    // nothing and read 1.
    void setParameter(int index, float value);
    float getParameter(int index) const;
    // As a program change: every program holds the initial values of
    // parameters 0 to 9; numbers outside 0 to 15 change nothing.
    void setProgram(int program);

    // One call of the replacing-process function. `hostPosition` is the
    // sample position the host reports, or empty when it answers the
    // time-information request with null.
    void process(std::optional<double> hostPosition, const float* inLeft, const float* inRight, float* outLeft,
                 float* outRight, std::int32_t frames);

private:
    std::uint32_t nextRandom();
    void chooseEnvelopeValues(std::int32_t newStepIndex);
    void rollRandomValues();
    void pickAutoPattern(std::int32_t newStepIndex);

    // Parameters in index order: vA, vD1, vS, vD2, vnotes, fA, fD1, fS, fD2,
    // fnotes, RndSw, Tempo.
    std::array<float, 12> parameters{};

    float capturedSampleRate = 44100.0f;
    float stepLength = 0.0f;
    std::int32_t blockStartPosition = 0;
    std::int32_t samplePosition = 0;
    std::int32_t previousBlockStartPosition = 0;
    std::int32_t stepIndex = 0;
    std::int32_t previousStepIndex = 0;
    std::int32_t positionDelta = 0;
    std::int32_t lastAutoPick = 12;
    float autoNotesThreshold = 0.0f;
    std::int32_t ampStage = 1;
    float ampLevel = 0.0f;
    std::int32_t ampCountdown = 0;
    std::int32_t ampPeriod = 0;
    std::int32_t filterStage = 1;
    float filterLevel = 0.5f;
    std::int32_t filterCountdown = 0;
    std::int32_t filterPeriod = 0;
    float filterStateLeft = 0.0f;
    float filterStateRight = 0.0f;
    std::int32_t lfoCounter = 0;
    std::int32_t lfoAccumulator = 160000;
    std::int32_t lfoDirection = -1;
    std::int32_t lfoHalfPeriod = 12800;
    std::uint32_t randomSeed = 5963;
    std::int32_t tempoBpm = 120;
    std::int32_t previousBlockFrames = 0;
};
