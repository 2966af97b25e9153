// The host values (floats in 0..1) that give one whole number of a
// parameter's arithmetic: a note count, beats a minute, frames a step. Each
// of those is a monotonic function of the value, so the values giving one
// number lie side by side, and bisection over the floats in order (for 0..1
// their bit patterns are in the same order) finds the ends exactly.
#pragma once

#include <bit>
#include <cstdint>
#include <optional>

struct ValueRange {
    float lowest;
    float highest;

    // The float halfway between the ends, which lies between them and so
    // gives the same number.
    float middle() const { return static_cast<float>((double{lowest} + double{highest}) / 2.0); }
};

namespace value_ranges {

inline std::uint32_t bitsOf(float value) { return std::bit_cast<std::uint32_t>(value); }

// The first value in 0..1 at which `rises(value)` holds, given it holds for
// every value above one where it holds; none when it holds nowhere.
template <class Predicate>
std::optional<float> firstWhere(Predicate rises) {
    if (rises(0.0f)) return 0.0f;
    if (!rises(1.0f)) return std::nullopt;
    std::uint32_t below = bitsOf(0.0f), atOrAbove = bitsOf(1.0f);
    while (atOrAbove - below > 1) {
        const std::uint32_t middle = below + (atOrAbove - below) / 2;
        if (rises(std::bit_cast<float>(middle))) {
            atOrAbove = middle;
        } else {
            below = middle;
        }
    }
    return std::bit_cast<float>(atOrAbove);
}

}  // namespace value_ranges

// The values in 0..1 at which `measure` gives `number`, where `measure`
// never falls as the value rises (pass a negated measure for one that never
// rises); none when no value gives it.
template <class Measure>
std::optional<ValueRange> valuesGiving(Measure measure, std::int64_t number) {
    const std::optional<float> lowest =
        value_ranges::firstWhere([&](float value) { return std::int64_t{measure(value)} >= number; });
    if (!lowest || std::int64_t{measure(*lowest)} != number) return std::nullopt;
    const std::optional<float> above =
        value_ranges::firstWhere([&](float value) { return std::int64_t{measure(value)} > number; });
    const float highest = above ? std::bit_cast<float>(value_ranges::bitsOf(*above) - 1) : 1.0f;
    return ValueRange{*lowest, highest};
}
