// The two helpers that let the frame loop skip work: the rounding to float
// that stays in double precision, and the distance to the next frame whose
// step number can change. Each is checked against the plain operation it
// stands in for.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "effect/envelope.h"
#include "effect/float_rounding.h"
#include "effect/step_grid.h"

namespace {

std::uint64_t bitsOf(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof(bits));
    return bits;
}

double plainRounding(double value) { return static_cast<float>(value); }

// Values on the edges of the ranges the rounding works in: powers of two,
// their neighbours, ties between two floats (both parities), values that
// round up into the next range, and what no range takes.
std::vector<double> edgeValues() {
    std::vector<double> values = {0.0, -0.0, 1.0, 0.5, 0.01, 0.4, 0x1p-126, 0x1p-127, 0x1p-149, 0x1p127,
                                  0x1.fffffep127, 0x1.ffffffp127, std::numeric_limits<double>::denorm_min(),
                                  std::numeric_limits<double>::infinity(),
                                  std::numeric_limits<double>::quiet_NaN(), -0.25};
    for (int exponent = -130; exponent <= 128; exponent += 1) {
        const double power = std::ldexp(1.0, exponent);
        const double ulp = std::ldexp(1.0, exponent - 23);
        for (double v : {power, std::nextafter(power, 0.0), std::nextafter(power, 2 * power),
                         power + ulp / 2, power + ulp + ulp / 2, 2 * power - ulp / 2, 2 * power - ulp / 4,
                         power + ulp / 2 + 0x1p-60 * power, power + ulp / 2 - 0x1p-60 * power})
            values.push_back(v);
    }
    return values;
}

TEST(FloatRounding, MatchesTheConversionOnEdgeValues) {
    const std::vector<double> values = edgeValues();
    // Each value both with a rounding set for it and with one left by its
    // predecessor, so the range check and the move are exercised.
    FloatRounding carried(1.0);
    for (double value : values) {
        FloatRounding fresh(value);
        EXPECT_EQ(bitsOf(fresh(value)), bitsOf(plainRounding(value))) << std::hexfloat << value;
        EXPECT_EQ(bitsOf(carried(value)), bitsOf(plainRounding(value))) << std::hexfloat << value;
    }
}

TEST(FloatRounding, MatchesTheConversionAlongDecaysAndRises) {
    // As an envelope uses it: many steps of one size from a start, in each
    // rounding mode (the trick rounds as the mode says, like the conversion).
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int mode : {FE_TONEAREST, FE_TOWARDZERO, FE_UPWARD, FE_DOWNWARD}) {
        ASSERT_EQ(std::fesetround(mode), 0);
        for (int run = 0; run < 200; ++run) {
            const double step = std::ldexp(unit(random), -static_cast<int>(unit(random) * 30)) *
                                (run % 2 == 0 ? 1.0 : -1.0);
            double level = plainRounding(unit(random) * 1.5);
            FloatRounding round(level);
            for (int frame = 0; frame < 2000; ++frame) {
                const double next = level - step;
                const double rounded = round(next);
                ASSERT_EQ(bitsOf(rounded), bitsOf(plainRounding(next)))
                    << "mode " << mode << " run " << run << " frame " << frame << std::hexfloat << " " << next;
                level = rounded;
            }
        }
    }
    std::fesetround(FE_TONEAREST);
}

// ---- envelopes whose rate is 0 --------------------------------------------------

// A stage whose increment is 0 skips its arithmetic, but not its comparison:
// level + 0 and level - 0 are the level itself, so the stage still ends
// wherever the level already stands beyond its limit.
TEST(HeldEnvelope, StillEndsItsStageWhereTheLevelStands) {
    const struct {
        const char* what;
        std::int32_t stage;
        float level, breakLevel;
        std::int32_t stageAfter;
        float levelAfter;
    } cases[] = {
        // An attack rounded up to exactly 1 reaches 1 at its next frame.
        {"attack at 1", kAttack, 1.0f, 0.0f, kFirstDecay, 1.0f},
        {"attack below 1", kAttack, 0.99999994f, 0.0f, kAttack, 0.99999994f},
        // A break level raised above the level ends the first decay at once.
        {"first decay below the break", kFirstDecay, 0.3f, 0.5f, kSecondDecay, 0.5f},
        {"first decay above the break", kFirstDecay, 0.6f, 0.5f, kFirstDecay, 0.6f},
        // A second decay below its floor (a break level under it) ends.
        {"second decay below the floor", kSecondDecay, 0.005f, 0.0f, kFinished, kFilterFloor},
    };
    for (const auto& c : cases) {
        std::int32_t stage = c.stage;
        float level = c.level;
        const float zero = 0.0f;
        advanceEnvelope(
            stage, level, kFilterFloor, [&] { return zero; }, [&] { return zero; }, [&] { return c.breakLevel; },
            [&] { return zero; });
        EXPECT_EQ(stage, c.stageAfter) << c.what;
        EXPECT_EQ(level, c.levelAfter) << c.what;
    }
}

// ---- the step clock's look-ahead ----------------------------------------------

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

}  // namespace
