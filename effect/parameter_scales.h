// What a stored parameter value means: beats per minute, envelope starts per
// step, switch mode. Shared by the audio path and the value texts so that
// both always agree. Products are formed in double precision from the stored
// floats and single-precision constants, and truncated toward zero.
//
// Parameter values outside 0 to 1 are stored as the host sends them; these
// functions keep every result defined for any float (NaN and infinities
// included) and, within 0 to 1, exactly as the plain formulas give.
#pragma once

#include <cstdint>
#include <limits>

#include "host/float_conversion.h"

enum class SwitchMode : std::int32_t { Manual = 0, Random = 1, Auto = 2 };

// 120 + trunc(10 * (6 * tempo)^2): 120 at 0, 140 at 0.24, 480 at 1. NaN
// counts as 0; a tempo too large for the range stops at its top.
//
// Written as 120 - trunc(t * t * -10), the form in which the value text
// defines it. Negating a product is exact and truncation is symmetric about
// zero, so both forms give the same number; one function serves the text and
// the step grid.
inline std::int32_t beatsPerMinute(float tempo) {
    const double t = static_cast<double>(tempo) * 6.0f;
    const std::int64_t bpm = std::int64_t{120} - truncToInt32(t * t * -10.0f);
    return bpm > std::numeric_limits<std::int32_t>::max() ? std::numeric_limits<std::int32_t>::max()
                                                          : static_cast<std::int32_t>(bpm);
}

// 1 + trunc(15 * notes): 1 at 0 up to 16 at 1. At least one start per step,
// so a period is never divided by zero or a negative count. Written with the
// sign flipped, as the value text defines it (see beatsPerMinute).
inline std::int32_t triggersPerStep(float notes) {
    const std::int64_t count = std::int64_t{1} - truncToInt32(static_cast<double>(notes) * -15.0f);
    if (count < 1) return 1;
    return count > std::numeric_limits<std::int32_t>::max() ? std::numeric_limits<std::int32_t>::max()
                                                            : static_cast<std::int32_t>(count);
}

// trunc(RndSw * 2.9): 1 is "RANDOM", 2 is "AUTO", anything else "MANUAL".
inline SwitchMode switchMode(float rndSw) {
    switch (truncToInt32(static_cast<double>(rndSw) * 2.9f)) {
        case 1: return SwitchMode::Random;
        case 2: return SwitchMode::Auto;
        default: return SwitchMode::Manual;
    }
}
