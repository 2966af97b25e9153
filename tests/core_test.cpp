// The core on its own: a reset brings back a new core's sound whatever was
// played before, the pick count moves whenever a step may have chosen new
// values, and the step view places the playhead where the grid has it.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "effect/quillbeat_core.h"
#include "tests/support/dice.h"

namespace {

constexpr float kCapturedRate = 44100.0f;
constexpr float kModes[] = {0.0f, 0.5f, 1.0f};  // "MANUAL", "RANDOM", "AUTO"

struct Stereo {
    explicit Stereo(std::size_t frames) : left(frames), right(frames) {}
    std::vector<float> left, right;
    float* channels[2] = {nullptr, nullptr};
    float* const* data() {
        channels[0] = left.data();
        channels[1] = right.data();
        return channels;
    }
};

// Plays `blocks` blocks of up to 700 frames of noise from `position`, with a
// block now and then that has no position or jumps, the first without one if
// asked; returns the output.
std::vector<float> play(QuillbeatCore& core, Dice& dice, int blocks, double position, bool firstUnplaced = false) {
    std::vector<float> out;
    for (int b = 0; b < blocks; ++b) {
        const int frames = 1 + dice.below(700);
        Stereo input(static_cast<std::size_t>(frames));
        Stereo output(static_cast<std::size_t>(frames));
        for (int i = 0; i < frames; ++i) {
            input.left[static_cast<std::size_t>(i)] = dice.unit() * 2.0f - 1.0f;
            input.right[static_cast<std::size_t>(i)] = dice.unit() * 2.0f - 1.0f;
        }
        const int shape = dice.below(10);
        std::optional<double> at = position;
        if (shape == 0 || (b == 0 && firstUnplaced)) at = std::nullopt;
        if (shape == 1) position += dice.below(200000) - 100000;
        core.process(input.data(), output.data(), frames, at);
        out.insert(out.end(), output.left.begin(), output.left.end());
        out.insert(out.end(), output.right.begin(), output.right.end());
        position += frames;
    }
    return out;
}

void setRandomValues(QuillbeatCore& core, Dice& dice, float mode) {
    for (int i = 0; i < kParameterCount; ++i) core.setParameter(i, dice.unit());
    core.setParameter(kRndSw, mode);
    core.setParameter(kTempo, 0.3f + 0.5f * dice.unit());
}

TEST(Core, AResetSoundsAsANewCoreWithTheSameValues) {
    for (float mode : kModes) {
        for (std::uint32_t seed = 1; seed <= 20; ++seed) {
            Dice dice{seed};
            QuillbeatCore used(kCapturedRate);
            setRandomValues(used, dice, mode);
            play(used, dice, 40, 5000.0 * seed);
            used.reset();

            QuillbeatCore fresh(kCapturedRate);
            for (int i = 0; i < kParameterCount; ++i) fresh.setParameter(i, used.parameterValue(i));
            Dice sameBlocks{seed * 7919u};
            Dice again = sameBlocks;
            // A first block without a position follows the new core's
            // position, 0, and passes through.
            const bool unplaced = seed % 2 == 0;
            const std::vector<float> afterReset = play(used, sameBlocks, 30, 0.0, unplaced);
            const std::vector<float> fromNew = play(fresh, again, 30, 0.0, unplaced);
            ASSERT_EQ(afterReset.size(), fromNew.size());
            EXPECT_EQ(std::memcmp(afterReset.data(), fromNew.data(), afterReset.size() * sizeof(float)), 0)
                << "mode " << mode << " seed " << seed;
            for (int i = 0; i < kParameterCount; ++i)
                EXPECT_EQ(used.parameterValue(i), fresh.parameterValue(i)) << "parameter " << i;
        }
    }
}

struct RecordedPicks final : PickListener {
    void picked(std::int32_t frame, const float (&values)[kEnvelopeParameterCount]) override {
        frames.push_back(frame);
        last.assign(values, values + kEnvelopeParameterCount);
    }
    std::vector<std::int32_t> frames;
    std::vector<float> last;
};

// What an edition relies on to read the values in use only after picks, and
// to tell its host of each pick.
TEST(Core, ValuesInUseChangeOnlyWithThePickCountAndEachPickIsTold) {
    for (float mode : kModes) {
        Dice dice{static_cast<std::uint32_t>(mode * 10) + 3};
        QuillbeatCore core(kCapturedRate);
        RecordedPicks told;
        core.setPickListener(&told);
        setRandomValues(core, dice, mode);
        core.setParameter(kTempo, 1.0f);  // short steps: many picks
        double position = 1.0;
        int picked = 0;
        for (int block = 0; block < 300; ++block) {
            float before[kParameterCount];
            for (int i = 0; i < kParameterCount; ++i) before[i] = core.parameterValue(i);
            const std::uint32_t count = core.pickCount();
            Dice blockDice{static_cast<std::uint32_t>(block)};
            told.frames.clear();
            const std::size_t frames = play(core, blockDice, 1, position).size() / 2;
            position += 700;
            EXPECT_EQ(told.frames.size(), core.pickCount() - count);
            for (std::int32_t frame : told.frames) EXPECT_LT(static_cast<std::size_t>(frame), frames);
            if (!told.frames.empty()) {
                for (int i = 0; i < kEnvelopeParameterCount; ++i) EXPECT_EQ(told.last[i], core.parameterValue(i));
            }
            bool changed = false;
            for (int i = 0; i < kParameterCount; ++i)
                changed |= std::bit_cast<std::uint32_t>(before[i]) != std::bit_cast<std::uint32_t>(core.parameterValue(i));
            if (changed) {
                EXPECT_NE(core.pickCount(), count) << "block " << block;
            }
            picked += core.pickCount() != count;
        }
        if (mode == 0.0f) {
            EXPECT_EQ(core.pickCount(), 0u);
        } else {
            EXPECT_GT(picked, 10) << "mode " << mode;
        }
    }
}

TEST(Core, StepViewFollowsTheGrid) {
    QuillbeatCore core(kCapturedRate);
    core.setParameter(kRndSw, 0.0f);   // "MANUAL": the values stay
    core.setParameter(kTempo, 0.24f);  // 140 beats per minute: 37800 frames a step
    core.setParameter(kVNotes, 0.2f);  // 1 - trunc(0.2 * -15) = 4 notes a step
    Stereo buffer(1000);
    core.process(buffer.data(), buffer.data(), 1000, 0.0);
    EXPECT_TRUE(core.stepView().passingThrough);  // the position has not moved from the start
    struct Case {
        double position;
        std::int32_t step, frameInStep;
    };
    for (const Case& c : {Case{37800.0 * 3 - 500, 3, 500}, Case{37800.0 * 7 + 10, 7, 1010}}) {
        core.process(buffer.data(), buffer.data(), 1000, c.position);
        const StepView view = core.stepView();
        EXPECT_FALSE(view.passingThrough);
        EXPECT_EQ(view.framesPerStep, 37800);
        EXPECT_EQ(view.step, c.step);
        EXPECT_EQ(view.frameInStep, c.frameInStep);
        EXPECT_EQ(view.ampNotePeriod, 37800 / 4);
        EXPECT_EQ(view.filterNotePeriod, 37800);
    }
}

}  // namespace
