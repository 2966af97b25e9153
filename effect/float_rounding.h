// Rounding a double to the nearest float without leaving double precision,
// for values that stay in one range for a while, like a decaying envelope.
//
// Between 2^e and 2^(e+1) the floats are the multiples of 2^(e-23). Adding
// 1.5 * 2^(e+29) to such a value and subtracting it again rounds it to a
// multiple of 2^(e-23) as the rounding mode says (to nearest, ties to even,
// unless a host changed it): the very result of converting it to float. The
// two additions take less than half as long as a conversion to float and
// back, and a frame of an envelope's first decay waits for two such roundings
// in a row. The range is checked at every use: a branch the processor
// predicts, so the check itself is not waited for, and laid out as the
// straight way on, since a value leaves its range only once in many frames.
// A value outside the range takes the conversion and moves the range to it.
//
// A falling value, one never above the last value rounded or moved to, can
// leave its range only downwards: each result lies within the range (its
// ends are floats), and a move leaves the value below the range's top. For
// such values `falling` checks the lower end alone.
#pragma once

#include <bit>
#include <cfloat>
#include <cstdint>
#include <limits>

// The trick needs each addition rounded to double, not to a wider format.
static_assert(FLT_EVAL_METHOD == 0, "double arithmetic must not carry excess precision");

class FloatRounding {
public:
    // Ready for values near `value`.
    explicit FloatRounding(double value) { moveTo(value); }

    // `value` rounded to float precision, as a double.
    double operator()(double value) {
        if (value >= low && value <= high) [[likely]]
            return (value + magic) - magic;
        moveTo(value);
        return static_cast<float>(value);
    }

    // The same for a value no greater than the last value rounded or moved
    // to. (When that was not a normal float, no range is set and only an
    // infinity passes the check: adding and subtracting a finite number
    // leaves it as it is, as the conversion does.)
    double falling(double value) {
        if (value >= low) [[likely]]
            return (value + magic) - magic;
        moveTo(value);
        return static_cast<float>(value);
    }

    // Targets the range of a positive, normal float value; anything else
    // (zero, negative, subnormal, beyond 2^127, not a number) matches no range
    // and is always converted. Also for a value that was set rather than
    // rounded, before falling values follow it.
    void moveTo(double value) {
        low = std::numeric_limits<double>::infinity();
        high = -std::numeric_limits<double>::infinity();
        if (!(value >= 0x1p-126 && value < 0x1p127)) return;
        // 2^e: the value with its fraction bits cleared. Scaling a power of
        // two by these factors is exact.
        low = std::bit_cast<double>(std::bit_cast<std::uint64_t>(value) & 0x7ff0000000000000u);
        high = low * 2.0;
        magic = low * 0x1.8p29;
    }

private:
    double low;
    double high;
    double magic = 0.0;
};
