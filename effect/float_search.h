// The first host value in 0..1 at which a condition holds, when it holds for
// every value above one where it holds: bisection over the floats in order
// (for 0..1 their bit patterns are in the same order), so the answer is
// exact to the last bit. The typed-text parser, the editor's value ranges
// and the guide's tools all search so.
#pragma once

#include <bit>
#include <cstdint>
#include <optional>

template <class Condition>
std::optional<float> firstFloatWhere(Condition holds) {
    if (holds(0.0f)) return 0.0f;
    if (!holds(1.0f)) return std::nullopt;
    std::uint32_t below = std::bit_cast<std::uint32_t>(0.0f), atOrAbove = std::bit_cast<std::uint32_t>(1.0f);
    while (atOrAbove - below > 1) {
        const std::uint32_t middle = below + (atOrAbove - below) / 2;
        if (holds(std::bit_cast<float>(middle))) {
            atOrAbove = middle;
        } else {
            below = middle;
        }
    }
    return std::bit_cast<float>(atOrAbove);
}
