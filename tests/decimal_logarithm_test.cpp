// The decibel text's own log10 against the C runtime's: both Windows and
// Linux builds use ours, so it must give what the Linux runtime gives wherever
// a text can show it.
#include "host/decimal_logarithm.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {
std::int64_t unitsApart(double a, double b) {
    const auto ordered = [](double x) {
        const auto bits = std::bit_cast<std::int64_t>(x);
        return bits < 0 ? std::numeric_limits<std::int64_t>::min() - bits : bits;
    };
    const std::int64_t d = ordered(a) - ordered(b);
    return d < 0 ? -d : d;
}
}  // namespace

TEST(DecimalLogarithm, ExactAtOneAndAtPowersOfTen) {
    EXPECT_EQ(std::bit_cast<std::uint64_t>(decimalLogarithm(1.0)), 0u);
    double x = 1.0;
    for (int power = 1; power <= 22; ++power) {
        x *= 10.0;  // exact up to 1e22
        EXPECT_EQ(decimalLogarithm(x), power) << "10^" << power;
    }
}

TEST(DecimalLogarithm, InfinityStaysInfinite) {
    EXPECT_EQ(decimalLogarithm(std::numeric_limits<double>::infinity()), std::numeric_limits<double>::infinity());
}

// Positive floats from the smallest subnormal to the largest finite value, a
// few hundred thousand of them spread over every exponent: within two units
// in the last place of the runtime's log10, and the decibel value the text is
// made from (20 log10, rounded to a float) is the very same.
TEST(DecimalLogarithm, AgreesWithTheRuntimeOverEveryFloatExponent) {
    int compared = 0;
    for (std::uint32_t bits = 1; bits < 0x7f800000u; bits += 1021) {
        const double x = std::bit_cast<float>(bits);
        const double ours = decimalLogarithm(x);
        const double runtime = std::log10(x);
        ASSERT_LE(unitsApart(ours, runtime), 2) << "at float bits " << bits;
        ASSERT_EQ(static_cast<float>(20.0f * ours), static_cast<float>(20.0f * runtime)) << "at float bits " << bits;
        ++compared;
    }
    EXPECT_GT(compared, 2000000);
}

TEST(DecimalLogarithm, DoublesOutsideTheFloatRange) {
    for (double x : {0x1p-1074, 0x1p-1030, 1e-300, 1e300, 0x1.fffffffffffffp+1023}) {
        EXPECT_LE(unitsApart(decimalLogarithm(x), std::log10(x)), 2) << x;
    }
}
