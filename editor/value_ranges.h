// The host values (floats in 0..1) that give one whole number of a
// parameter's arithmetic: a note count, beats a minute, frames a step. Each
// of those is a monotonic function of the value, so the values giving one
// number lie side by side, and a search over the floats in order finds the
// ends exactly.
#pragma once

#include <bit>
#include <cstdint>
#include <optional>

#include "effect/float_search.h"

struct ValueRange {
    float lowest;
    float highest;

    // The float halfway between the ends, which lies between them and so
    // gives the same number.
    float middle() const { return static_cast<float>((double{lowest} + double{highest}) / 2.0); }
};


// The values in 0..1 at which `measure` gives `number`, where `measure`
// never falls as the value rises (pass a negated measure for one that never
// rises); none when no value gives it.
template <class Measure>
std::optional<ValueRange> valuesGiving(Measure measure, std::int64_t number) {
    const std::optional<float> lowest =
        firstFloatWhere([&](float value) { return std::int64_t{measure(value)} >= number; });
    if (!lowest || std::int64_t{measure(*lowest)} != number) return std::nullopt;
    const std::optional<float> above =
        firstFloatWhere([&](float value) { return std::int64_t{measure(value)} > number; });
    const float highest = above ? std::bit_cast<float>(std::bit_cast<std::uint32_t>(*above) - 1) : 1.0f;
    return ValueRange{*lowest, highest};
}
