#include "effect/quillbeat_core.h"

#include "host/float_conversion.h"

namespace {
// 6/7 as the nearest float (0x3F5B6DB7): the seconds of one step (two
// beats) at 140 beats per minute, the tempo of the initial Tempo value.
constexpr float kSecondsPerStepAt140 = 0.85714287f;
}  // namespace

QuillbeatCore::QuillbeatCore(float capturedSampleRate) : capturedSampleRate(capturedSampleRate) {
    static_assert(std::size(kParameterFields) == kParameterCount &&
                      kParameterFields[kVA] == &QuillbeatCore::vA && kParameterFields[kVD1] == &QuillbeatCore::vD1 &&
                      kParameterFields[kVS] == &QuillbeatCore::vS && kParameterFields[kVD2] == &QuillbeatCore::vD2 &&
                      kParameterFields[kVNotes] == &QuillbeatCore::vnotes &&
                      kParameterFields[kFA] == &QuillbeatCore::fA && kParameterFields[kFD1] == &QuillbeatCore::fD1 &&
                      kParameterFields[kFS] == &QuillbeatCore::fS && kParameterFields[kFD2] == &QuillbeatCore::fD2 &&
                      kParameterFields[kFNotes] == &QuillbeatCore::fnotes &&
                      kParameterFields[kRndSw] == &QuillbeatCore::RndSw &&
                      kParameterFields[kTempo] == &QuillbeatCore::Tempo,
                  "the field table follows the parameter indices");
    for (int i = 0; i < kParameterCount; ++i) store(parameter(i), kParameterTable[i].initialValue);
    reset();
}

void QuillbeatCore::reset() {
    // Positions and step numbers start at 0: a first block at host position 0
    // passes through.
    const auto stepLengthAt140 = static_cast<float>(static_cast<double>(capturedSampleRate) * kSecondsPerStepAt140);
    stepClockState = {stepLengthAt140, 0, 0, 0, 0, 0};
    lastAutoPick = 12;
    autoNotesThreshold = 0.0f;
    // Both envelopes start in their attack, as if triggered at construction,
    // so the first step after the transport starts is heard.
    const std::int32_t stepFramesRounded = truncToInt32(static_cast<double>(stepClockState.stepLength) + 0.5);
    ampEnvelopeState = {kAttack, 0.0f, stepFramesRounded, stepFramesRounded};
    filterEnvelopeState = {kAttack, 0.5f, stepFramesRounded, stepFramesRounded};
    lowPassState = {0.0f, 0.0f};
    lfoState = {0, 160000, -1, 12800};
    randomSeed = 5963;
    tempoBpm = 120;
    previousBlockFrames = 0;
}

std::uint32_t QuillbeatCore::nextRandom() {
    randomSeed = randomSeed * 9u + 5u;
    return randomSeed >> 16;
}

StepView QuillbeatCore::stepView() const {
    const StepClockState& clock = stepClockState;
    const std::int32_t framesPerStep = stepFrames(clock.stepLength);
    // The frame after the block's last one, where the next block goes on.
    const std::int32_t next = wrappingAdd(clock.blockStartPosition, previousBlockFrames);
    const std::int32_t into = next % framesPerStep;
    return {framesPerStep,
            clock.stepIndex,
            into < 0 ? into + framesPerStep : into,
            ampEnvelopeState.period,
            filterEnvelopeState.period,
            clock.positionDelta == 0};
}
