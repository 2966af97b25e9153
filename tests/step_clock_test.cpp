// The step clock: its look-ahead, the distance to the next frame whose step
// number can change, checked against the division it saves; and the clock
// itself, which reports a new step exactly where the step number changes.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "effect/step_clock.h"

namespace {

std::int32_t stepAt(std::int64_t position, std::int32_t framesPerStep) {
    // The running position wraps around the 32-bit range.
    const auto wrapped = static_cast<std::int32_t>(static_cast<std::uint32_t>(position));
    return wrapped / framesPerStep;
}

TEST(StepClock, NextPossibleChangeIsTheFirstFrameOfAnotherStep) {
    constexpr std::int32_t top = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t bottom = std::numeric_limits<std::int32_t>::min();
    for (std::int32_t n : {1, 2, 3, 7, 11025, 37800, 44100}) {
        std::vector<std::int64_t> positions;
        // Around zero (step 0 is twice as wide), around other step ends on
        // both sides, and at both ends of the range.
        for (std::int64_t k : {-3, -2, -1, 0, 1, 2, 3})
            for (std::int64_t offset : {-2, -1, 0, 1, 2}) positions.push_back(k * n + offset);
        for (std::int64_t offset = 0; offset < 2 * n + 3 && offset < 200; ++offset) {
            positions.push_back(top - offset);
            positions.push_back(bottom + offset);
            positions.push_back(-offset);
        }
        for (std::int64_t position : positions) {
            if (position < bottom || position > top) continue;
            const auto p = static_cast<std::int32_t>(position);
            const std::int32_t frames = framesUntilStepChange(p, n);
            ASSERT_GE(frames, 1);
            // Steps are monotonic between wraps, so equal ends mean no
            // change in between.
            EXPECT_EQ(stepAt(position + frames - 1, n), stepAt(position, n)) << "N " << n << " at " << position;
            EXPECT_NE(stepAt(position + frames, n), stepAt(position, n)) << "N " << n << " at " << position;
        }
    }
}

TEST(StepClock, ReportsANewStepWhereTheNumberChanges) {
    // Steps of 100 frames; a block starting 3 frames before step 5 and one
    // starting after a jump into step -2 (step 0 runs from -99 to 99). The
    // previous frame's step is stored too: the old one when the block ends
    // on the change, the new one a frame later.
    const struct {
        std::int32_t blockStart, storedStep;
        int changeAt, frames;
        std::int32_t stepAfter, previousAfter;
    } cases[] = {{497, 4, 3, 8, 5, 5}, {-250, 0, 0, 8, -2, -2}, {-102, -1, 3, 8, 0, 0},
                 {497, 4, 3, 4, 5, 4},  {497, 4, 3, 5, 5, 5},    {-250, 0, 0, 1, -2, 0}};
    for (const auto& c : cases) {
        StepClockState state{100.0f, c.blockStart, 0, c.storedStep, c.storedStep, 1};
        StepClock clock = StepClock::load(state);
        for (int frame = 0; frame < c.frames; ++frame)
            EXPECT_EQ(clock.advance(frame), frame == c.changeAt) << c.blockStart << " frame " << frame;
        clock.store(state);
        EXPECT_EQ(state.stepIndex, c.stepAfter) << c.blockStart << " after " << c.frames;
        EXPECT_EQ(state.previousStepIndex, c.previousAfter) << c.blockStart << " after " << c.frames;
    }
}

}  // namespace
