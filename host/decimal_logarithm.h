// The decimal logarithm from additions, multiplications and divisions alone.
//
// The C runtimes' log10 are not correctly rounded, and each rounds its own
// way: the Windows build would take Microsoft's, the Linux build glibc's, and
// a decibel text could come out one digit apart. These steps are IEEE basic
// operations in a fixed order (contraction is off), so every build gives the
// same bits. The result is within a few units in the last place of the exact
// logarithm, and exactly 0 at 1.
#pragma once

#include <bit>
#include <cstdint>

// For positive x, infinity included (its logarithm is infinity); the decibel
// text never asks for anything else.
inline double decimalLogarithm(double x) {
    if (x > 0x1.fffffffffffffp+1023) return x;
    constexpr double kSqrt2 = 1.4142135623730951;
    // log10(2) split so that exponent * kLog2Hi is exact for every exponent.
    constexpr double kLog2Hi = 0x1.34413509f8p-2;
    constexpr double kLog2Lo = 0.30102999566398120 - 0x1.34413509f8p-2;
    constexpr double kLog10E = 0.43429448190325182;
    constexpr std::uint64_t kFractionBits = 0x000fffffffffffffu;
    constexpr std::uint64_t kExponentOfOne = 0x3ff0000000000000u;

    // x = m * 2^exponent with m in [1, 2); a subnormal x is scaled up first.
    int exponent = 0;
    if (x < 0x1p-1022) {
        x *= 0x1p54;
        exponent = -54;
    }
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(x);
    exponent += static_cast<int>(bits >> 52) - 1023;
    double m = std::bit_cast<double>((bits & kFractionBits) | kExponentOfOne);
    // Centre m on 1, in [sqrt(2)/2, sqrt(2)], so the series below is short.
    if (m > kSqrt2) {
        m *= 0.5;
        ++exponent;
    }

    // ln m = 2 atanh(s) = 2 (s + s^3/3 + s^5/5 + ...) with s = (m - 1)/(m + 1).
    // |s| < 0.172, so s^2 < 0.03 and eleven terms leave less than 1e-18.
    const double s = (m - 1.0) / (m + 1.0);
    const double s2 = s * s;
    double tail = 0.0;
    for (int k = 23; k >= 3; k -= 2) tail = (tail + 1.0 / k) * s2;
    const double lnM = 2.0 * s + 2.0 * s * tail;

    return exponent * kLog2Hi + (exponent * kLog2Lo + lnM * kLog10E);
}
