// The audio path: per block, find the block on the host's timeline; per
// frame, run the step clock, restart the envelopes on their countdowns and at
// step changes, and send both channels through gain and low-pass filter.
#include <cmath>

#include "effect/envelope.h"
#include "effect/quillbeat_effect.h"
#include "effect/step_grid.h"

namespace {
// Every optional time field but the system time.
constexpr VstInt32 kTimeInfoMask = 0xfe00;

// Triangle oscillator scale: an accumulator of 160000 gives 1.
constexpr float kLfoScale = 6.25e-6f;

// The host position of a block's first frame, rounded. Positions beyond the
// 32-bit range wrap around it, as the position counter itself does, so the
// grid keeps running; within the range this is trunc(position + 0.5).
std::int32_t roundedPosition(double samplePos) {
    const double rounded = std::trunc(samplePos + 0.5);
    if (rounded >= -2147483648.0 && rounded <= 2147483647.0) return static_cast<std::int32_t>(rounded);
    double wrapped = std::fmod(rounded, 4294967296.0);
    if (wrapped < 0) wrapped += 4294967296.0;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(wrapped));
}

std::int32_t wrappingAdd(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

std::int32_t wrappingSub(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}

// Frames per step: trunc(stepLength), at least one.
std::int32_t stepFrames(float stepLength) {
    const std::int32_t frames = truncToInt32(stepLength);
    return frames > 0 ? frames : 1;
}
}  // namespace

void QuillbeatEffect::processDoubleReplacing(double** /*inputs*/, double** /*outputs*/, VstInt32 /*frames*/) {}

void QuillbeatEffect::processReplacing(float** inputs, float** outputs, VstInt32 frames) {
    const VstTimeInfo* time = getTimeInfo(kTimeInfoMask);
    previousBlockStartPosition = blockStartPosition;
    if (time != nullptr && std::isfinite(time->samplePos)) {
        blockStartPosition = roundedPosition(time->samplePos);
    } else {
        // No usable position: this block follows the previous call.
        blockStartPosition = wrappingAdd(blockStartPosition, previousBlockFrames);
    }
    previousBlockFrames = frames > 0 ? frames : 0;
    samplePosition = blockStartPosition;
    positionDelta = wrappingSub(blockStartPosition, previousBlockStartPosition);
    nextRandom();
    tempoBpm = beatsPerMinute(load(Tempo));
    stepLength = static_cast<float>(static_cast<double>(capturedSampleRate) * 120.0f / tempoBpm);
    if (frames <= 0) return;

    const float* inLeft = inputs[0];
    const float* inRight = inputs[1];
    float* outLeft = outputs[0];
    float* outRight = outputs[1];
    for (VstInt32 i = 0; i < frames; ++i) {
        const float left = inLeft[i];
        const float right = inRight[i];
        float newLeft = left;
        float newRight = right;
        if (positionDelta != 0) {
            previousStepIndex = stepIndex;
            const std::int32_t framesPerStep = stepFrames(stepLength);
            stepIndex = samplePosition / framesPerStep;

            if (--ampCountdown < 0) {
                ampStage = kAttack;
                ampLevel = 0.0f;
                ampCountdown = ampPeriod;
            }
            if (--filterCountdown < 0) {
                filterStage = kAttack;
                filterLevel = 0.0f;
                filterCountdown = filterPeriod;
            }
            if (stepIndex != previousStepIndex) {
                ampStage = kAttack;
                ampLevel = 0.0f;
                filterStage = kAttack;
                filterLevel = 0.0f;
                // The note counts in force before this step's own choice.
                ampPeriod = framesPerStep / triggersPerStep(load(vnotes));
                ampCountdown = ampPeriod;
                filterPeriod = framesPerStep / triggersPerStep(load(fnotes));
                filterCountdown = filterPeriod;
                chooseEnvelopeValues(stepIndex);
            }

            advanceEnvelope(
                ampStage, ampLevel, kAmpFloor, [&] { return load(vA); }, [&] { return load(vD1); },
                [&] { return load(vS); }, [&] { return load(vD2); });
            advanceEnvelope(
                filterStage, filterLevel, kFilterFloor, [&] { return load(fA); }, [&] { return load(fD1); },
                [&] { return load(fS); }, [&] { return load(fD2); });

            lfoAccumulator += lfoDirection;
            if (++lfoCounter >= lfoHalfPeriod) {
                lfoCounter = 0;
                lfoDirection = -lfoDirection;
            }
            const float lfo = static_cast<float>(static_cast<double>(lfoAccumulator) * kLfoScale);

            filterStateLeft = lowPass(left, ampLevel, filterLevel, lfo, filterStateLeft);
            filterStateRight = lowPass(right, ampLevel, filterLevel, lfo, filterStateRight);
            newLeft = filterStateLeft;
            newRight = filterStateRight;
        }
        samplePosition = wrappingAdd(samplePosition, 1);
        outLeft[i] = newLeft;
        outRight[i] = newRight;
    }
}
