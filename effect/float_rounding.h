// Rounding a falling double to the nearest float without leaving double
// precision, for values that stay in one range for a while, like a decaying
// envelope.
//
// Between 2^e and 2^(e+1) the floats are the multiples of 2^(e-23). Adding
// 1.5 * 2^(e+29) to such a value and subtracting it again rounds it to a
// multiple of 2^(e-23) as the rounding mode says (to nearest, ties to even,
// unless a host changed it): the very result of converting it to float. A
// value below the range takes the conversion and moves the range to it.
//
// A falling value, one never above the last value rounded or moved to, can
// leave its range only downwards: each result lies within the range (its
// ends are floats), and a move leaves the value below the range's top. So
// only the lower end is checked.
#pragma once

#include <bit>
#include <cfloat>
#include <cstdint>
#include <limits>

// The trick needs each addition rounded to double, not to a wider format.
static_assert(FLT_EVAL_METHOD == 0, "double arithmetic must not carry excess precision");

class FloatRounding {
public:
    // `value` rounded to float precision, as a double, for a value no greater
    // than the last value rounded or moved to. (With no range, only an
    // infinity passes the check: adding and subtracting a finite number
    // leaves it as it is, as the conversion does.)
    double falling(double value) {
        if (value >= low) [[likely]]
            return (value + magic) - magic;
        moveTo(value);
        return static_cast<float>(value);
    }

    // No range: every value is converted, until the next move.
    void clear() { low = std::numeric_limits<double>::infinity(); }

    // Targets the range of a positive, normal float value, for a value that
    // was set rather than rounded, before falling values follow it. A value
    // below every range (zero, negative, subnormal, not a number) leaves the
    // range as it is: it and every value below it are converted anyway. A
    // value beyond 2^127 leaves no range.
    void moveTo(double value) {
        if (!(value >= 0x1p-126)) return;
        if (!(value < 0x1p127)) {
            clear();
            return;
        }
        // 2^e: the value with its fraction bits cleared. Scaling a power of
        // two by this factor is exact.
        low = std::bit_cast<double>(std::bit_cast<std::uint64_t>(value) & 0x7ff0000000000000u);
        magic = low * 0x1.8p29;
    }

private:
    // No range until the first move.
    double low = std::numeric_limits<double>::infinity();
    double magic = 0.0;
};
