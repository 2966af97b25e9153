// The rounding of falling values to float that stays in double precision,
// checked against the conversion it stands in for.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
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
    std::vector<double> values = edgeValues();
    // Each value with a rounding moved to it, and, in falling order, with one
    // carried from the value before, so that both the range check and the
    // move are exercised. (Not a number has no place in an order.)
    std::erase_if(values, [](double value) { return std::isnan(value); });
    std::sort(values.begin(), values.end(), std::greater<>());
    FloatRounding carried;
    carried.moveTo(values.front());
    for (double value : values) {
        FloatRounding fresh;
        fresh.moveTo(value);
        EXPECT_EQ(bitsOf(fresh.falling(value)), bitsOf(plainRounding(value))) << std::hexfloat << value;
        EXPECT_EQ(bitsOf(carried.falling(value)), bitsOf(plainRounding(value))) << std::hexfloat << value;
    }
    const double nan = std::numeric_limits<double>::quiet_NaN();
    FloatRounding fresh;
    fresh.moveTo(nan);
    EXPECT_TRUE(std::isnan(fresh.falling(nan)));
    EXPECT_TRUE(std::isnan(carried.falling(nan)));
}

TEST(FloatRounding, MatchesTheConversionAlongDecays) {
    // As an envelope uses it: many steps of one size down from a start, in
    // each rounding mode (the trick rounds as the mode says, like the
    // conversion).
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int mode : {FE_TONEAREST, FE_TOWARDZERO, FE_UPWARD, FE_DOWNWARD}) {
        ASSERT_EQ(std::fesetround(mode), 0);
        for (int run = 0; run < 200; ++run) {
            const double step = std::ldexp(unit(random), -static_cast<int>(unit(random) * 30));
            double level = plainRounding(unit(random) * 1.5);
            FloatRounding falling;
            falling.moveTo(level);
            for (int frame = 0; frame < 2000; ++frame) {
                const double next = level - step;
                const double rounded = falling.falling(next);
                ASSERT_EQ(bitsOf(rounded), bitsOf(plainRounding(next)))
                    << "mode " << mode << " run " << run << " frame " << frame << std::hexfloat << " " << next;
                level = rounded;
            }
        }
    }
    std::fesetround(FE_TONEAREST);
}

}  // namespace
