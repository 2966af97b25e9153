// The audio path: per block, find the block on the host's timeline; per
// frame, run the step clock, restart the envelopes on their countdowns and at
// step changes, and send both channels through gain and low-pass filter.
//
// A frame's work is a short chain of dependent double-precision operations
// whose order is fixed, so the loop is arranged to keep everything else out
// of that chain's way: the state lives in local variables for the block (the
// effect's fields could alias the host's buffers, and would be stored and
// reloaded every frame), the envelope increments are worked out where the
// parameters can change, the step number is divided out only where a step
// can end, and the two channels' filters run side by side.
#include <cmath>

#include "effect/envelope.h"
#include "effect/quillbeat_effect.h"
#include "effect/step_grid.h"
#include "effect/stereo_low_pass.h"

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

bool hasStereoBuffers(float** channels) {
    return channels != nullptr && channels[0] != nullptr && channels[1] != nullptr;
}

// Frames per step: trunc(stepLength), at least one.
std::int32_t stepFrames(float stepLength) {
    const std::int32_t frames = truncToInt32(stepLength);
    return frames > 0 ? frames : 1;
}

// One envelope's state for the length of a block.
struct Envelope {
    std::int32_t stage;
    double level;  // a float value, held widened
    std::int32_t countdown;
    std::int32_t period;
    FloatRounding round{level};

    void restart() {
        stage = kAttack;
        level = 0.0;
    }
    // Restarts when the countdown goes below zero, and reloads it.
    void countDown() {
        if (--countdown < 0) {
            restart();
            countdown = period;
        }
    }
    // A new step: restart, with a new period for `triggers` starts per step.
    void startStep(std::int32_t framesPerStep, std::int32_t triggers) {
        restart();
        period = framesPerStep / triggers;
        countdown = period;
    }
};

// The triangle oscillator's state for the length of a block.
struct TriangleLfo {
    std::int32_t counter;
    std::int32_t accumulator;
    std::int32_t direction;
    std::int32_t halfPeriod;

    // One frame on; the multiplier of this frame, a float value widened.
    double advance() {
        accumulator += direction;
        if (++counter >= halfPeriod) {
            counter = 0;
            direction = -direction;
        }
        return roundedToFloat(static_cast<double>(accumulator) * kLfoScale);
    }
};
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
    // A host that hands no buffers gets nothing written, not a crash; the
    // block still counts, as one of zero frames does.
    if (!hasStereoBuffers(inputs) || !hasStereoBuffers(outputs)) return;

    if (positionDelta == 0) {
        passThrough(inputs, outputs, frames);
    } else {
        processMovingBlock(inputs, outputs, frames);
    }
    samplePosition = wrappingAdd(samplePosition, frames);
}

void QuillbeatEffect::passThrough(float** inputs, float** outputs, VstInt32 frames) {
    const float* inLeft = inputs[0];
    const float* inRight = inputs[1];
    float* outLeft = outputs[0];
    float* outRight = outputs[1];
    if (inLeft == outLeft && inRight == outRight) return;
    // Frame by frame, both samples read before either is written, so even
    // crossed or overlapping channels come out as the host expects.
    for (VstInt32 i = 0; i < frames; ++i) {
        const float left = inLeft[i];
        const float right = inRight[i];
        outLeft[i] = left;
        outRight[i] = right;
    }
}

EnvelopeRates QuillbeatEffect::ampRates() const { return EnvelopeRates::of(load(vA), load(vD1), load(vS), load(vD2)); }

EnvelopeRates QuillbeatEffect::filterRates() const {
    return EnvelopeRates::of(load(fA), load(fD1), load(fS), load(fD2));
}

void QuillbeatEffect::processMovingBlock(float** inputs, float** outputs, VstInt32 frames) {
    const float* inLeft = inputs[0];
    const float* inRight = inputs[1];
    float* outLeft = outputs[0];
    float* outRight = outputs[1];

    const std::int32_t framesPerStep = stepFrames(stepLength);
    Envelope amp{ampStage, ampLevel, ampCountdown, ampPeriod};
    Envelope filter{filterStage, filterLevel, filterCountdown, filterPeriod};
    TriangleLfo lfo{lfoCounter, lfoAccumulator, lfoDirection, lfoHalfPeriod};
    StereoLowPass lowPass(filterStateLeft, filterStateRight);
    // The host may have changed the envelope parameters since the last block.
    EnvelopeRates ampRate = ampRates();
    EnvelopeRates filterRate = filterRates();
    std::int32_t step = stepIndex;
    std::int32_t previousStep = previousStepIndex;
    // The first frame always looks: the block may start anywhere.
    std::int32_t framesUntilStepCheck = 1;

    for (VstInt32 i = 0; i < frames; ++i) {
        const float left = inLeft[i];
        const float right = inRight[i];

        previousStep = step;
        if (--framesUntilStepCheck == 0) {
            const std::int32_t position = wrappingAdd(blockStartPosition, i);
            step = position / framesPerStep;
            framesUntilStepCheck = framesUntilStepChange(position, framesPerStep);
        }
        amp.countDown();
        filter.countDown();
        if (step != previousStep) {
            // The note counts in force before this step's own choice.
            amp.startStep(framesPerStep, triggersPerStep(load(vnotes)));
            filter.startStep(framesPerStep, triggersPerStep(load(fnotes)));
            chooseEnvelopeValues(step);
            // The choice takes effect in this very frame.
            ampRate = ampRates();
            filterRate = filterRates();
        }

        advanceEnvelope(amp.stage, amp.level, kAmpFloor, ampRate, amp.round);
        advanceEnvelope(filter.stage, filter.level, kFilterFloor, filterRate, filter.round);
        const double lfoValue = lfo.advance();
        lowPass.run(left, right, amp.level, filter.level, lfoValue, outLeft + i, outRight + i);
    }

    stepIndex = step;
    previousStepIndex = previousStep;
    ampStage = amp.stage;
    ampLevel = static_cast<float>(amp.level);
    ampCountdown = amp.countdown;
    ampPeriod = amp.period;
    filterStage = filter.stage;
    filterLevel = static_cast<float>(filter.level);
    filterCountdown = filter.countdown;
    filterPeriod = filter.period;
    lfoCounter = lfo.counter;
    lfoAccumulator = lfo.accumulator;
    lfoDirection = lfo.direction;
    filterStateLeft = lowPass.left();
    filterStateRight = lowPass.right();
}
