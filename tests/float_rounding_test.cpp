// The rounding to float that stays in double precision, checked against the
// conversion it stands in for.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "effect/float_rounding.h"

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
    // Decays are rounded both ways, with the whole range checked and as
    // falling values.
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int mode : {FE_TONEAREST, FE_TOWARDZERO, FE_UPWARD, FE_DOWNWARD}) {
        ASSERT_EQ(std::fesetround(mode), 0);
        for (int run = 0; run < 200; ++run) {
            const double step = std::ldexp(unit(random), -static_cast<int>(unit(random) * 30)) *
                                (run % 2 == 0 ? 1.0 : -1.0);
            double level = plainRounding(unit(random) * 1.5);
            FloatRounding round(level);
            FloatRounding falling(level);
            for (int frame = 0; frame < 2000; ++frame) {
                const double next = level - step;
                const double rounded = round(next);
                ASSERT_EQ(bitsOf(rounded), bitsOf(plainRounding(next)))
                    << "mode " << mode << " run " << run << " frame " << frame << std::hexfloat << " " << next;
                if (step >= 0.0) {
                    ASSERT_EQ(bitsOf(falling.falling(next)), bitsOf(rounded))
                        << "mode " << mode << " run " << run << " frame " << frame << std::hexfloat << " " << next;
                }
                level = rounded;
            }
        }
    }
    std::fesetround(FE_TONEAREST);
}

}  // namespace
