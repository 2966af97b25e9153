// The step grid: the timeline cut into steps of two beats each, counted from
// host position 0, so the rhythm stays in place when the host jumps. A step
// number is the frame's host position divided by the frames per step,
// truncated toward zero.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "host/float_conversion.h"

// The host position of a block's first frame, rounded. Positions beyond the
// 32-bit range wrap around it, as the position counter itself does, so the
// grid keeps running; within the range this is trunc(position + 0.5).
inline std::int32_t roundedPosition(double samplePos) {
    const double rounded = std::trunc(samplePos + 0.5);
    if (rounded >= -2147483648.0 && rounded <= 2147483647.0) return static_cast<std::int32_t>(rounded);
    double wrapped = std::fmod(rounded, 4294967296.0);
    if (wrapped < 0) wrapped += 4294967296.0;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(wrapped));
}

inline std::int32_t wrappingAdd(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

inline std::int32_t wrappingSub(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}

// Frames per step: trunc(stepLength), at least one.
inline std::int32_t stepFrames(float stepLength) {
    const std::int32_t frames = truncToInt32(stepLength);
    return frames > 0 ? frames : 1;
}

// Frames from a frame at `position` to the next frame whose step number can
// differ: so the audio path divides only there. Truncation makes step 0 twice
// as wide as the others (from -(N - 1) to N - 1), and the running position
// wraps from the top of the 32-bit range to its bottom, which changes the
// step too.
inline std::int32_t framesUntilStepChange(std::int32_t position, std::int32_t framesPerStep) {
    const std::int64_t p = position;
    const std::int64_t n = framesPerStep;
    const std::int64_t step = p / n;
    // Upward, a step at or above 0 ends where the next multiple of N begins;
    // a negative one ends at its multiple of N, which it includes.
    const std::int64_t nextStepStart = step >= 0 ? (step + 1) * n : step * n + 1;
    constexpr std::int64_t top = std::numeric_limits<std::int32_t>::max();
    const std::int64_t untilWrap = top - p + 1;
    // Beyond the 32-bit range a later look finds the same step: harmless.
    return static_cast<std::int32_t>(std::min({nextStepStart - p, untilWrap, top}));
}

// The step clock as the effect stores it between blocks. Written and read by
// the audio thread only; positions are host sample positions in frames.
struct StepClockState {
    float stepLength;                          // frames per step (two beats), set at every block
    std::int32_t blockStartPosition;           // host position of this block's first frame
    std::int32_t previousBlockStartPosition;   // host position of the previous block's first frame
    std::int32_t stepIndex;                    // step number of the frame being processed
    std::int32_t previousStepIndex;            // step number of the frame before it
    std::int32_t positionDelta;                // frames the host moved since the previous block; 0 passes through
};

// The step numbers for the length of a block that moves: loaded from the
// stored clock, advanced frame by frame, stored back at the end.
class StepClock {
public:
    static StepClock load(const StepClockState& state) { return StepClock(state); }
    void store(StepClockState& state) const {
        state.stepIndex = step_;
        state.previousStepIndex = previousStep;
    }

    std::int32_t framesPerStep() const { return framesPerStep_; }
    std::int32_t step() const { return step_; }

    // Frame `frame` of the block; true when it begins another step. Until
    // the next look the step cannot change, so only a look compares.
    //
    // The previous frame's step is brought up to date at a look only: a
    // look that finds a new step asks for another look at the next frame,
    // which finds the same step and brings the previous step level with it.
    // So between looks the two are equal, as if copied at every frame, and
    // the usual frame neither copies nor compares.
    bool advance(std::int32_t frame) {
        if (--framesUntilStepCheck != 0) [[likely]] return false;
        const std::int32_t position = wrappingAdd(blockStart, frame);
        previousStep = step_;
        step_ = position / framesPerStep_;
        if (step_ != previousStep) {
            framesUntilStepCheck = 1;
            return true;
        }
        framesUntilStepCheck = framesUntilStepChange(position, framesPerStep_);
        return false;
    }

private:
    explicit StepClock(const StepClockState& state)
        : blockStart(state.blockStartPosition),
          framesPerStep_(stepFrames(state.stepLength)),
          step_(state.stepIndex),
          previousStep(state.previousStepIndex) {}

    std::int32_t blockStart;
    std::int32_t framesPerStep_;
    std::int32_t step_;
    std::int32_t previousStep;
    // The first frame always looks: the block may start anywhere.
    std::int32_t framesUntilStepCheck = 1;
};
