// Float-to-integer conversion that truncates toward zero like a C cast, but is
// defined for every input: values beyond the 32-bit range saturate at its
// ends and NaN gives 0.
#pragma once

#include <cstdint>
#include <limits>

inline std::int32_t truncToInt32(double value) {
    constexpr double lowest = static_cast<double>(std::numeric_limits<std::int32_t>::min());
    constexpr double highest = static_cast<double>(std::numeric_limits<std::int32_t>::max());
    if (value >= lowest && value <= highest) return static_cast<std::int32_t>(value);
    if (value < lowest) return std::numeric_limits<std::int32_t>::min();
    if (value > highest) return std::numeric_limits<std::int32_t>::max();
    return 0;  // NaN
}
