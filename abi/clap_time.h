// Time as a CLAP transport carries it, both ways: seconds and beats in fixed
// point, 2^31 units to the one, in 64 bits. The host side writes positions
// with toClapTime(); the plug-in side reads them back with the functions
// after it. Each keeps its own rounding, to the bit.
#pragma once

#include <cstdint>

#include "abi/clap_abi.h"

namespace clap_time {

// Units to one second or one beat.
inline constexpr double kUnitsPerOne = 0x1p31;
static_assert(kUnitsPerOne == static_cast<double>(clap::CLAP_SECTIME_FACTOR) &&
              kUnitsPerOne == static_cast<double>(clap::CLAP_BEATTIME_FACTOR));

// floor() as an integer, inline: the library's floor is a call on targets
// without a rounding instruction, and a block makes several of these. Exact
// for any value within the 64-bit range.
inline std::int64_t floorToInteger(double value) {
    const auto truncated = static_cast<std::int64_t>(value);
    return static_cast<double>(truncated) > value ? truncated - 1 : truncated;
}

// Whole units, to the nearest, of seconds or beats within ±2^32: at most
// 2^63 - 2^10 units, to which adding one half changes nothing.
inline std::int64_t toClapTime(double value) { return floorToInteger(value * kUnitsPerOne + 0.5); }

// Fixed-point beats as a number of beats.
inline double beatsOf(clap::clap_beattime beats) { return static_cast<double>(beats) / kUnitsPerOne; }

// Fixed-point seconds as samples at `sampleRate`, in double precision: for a
// rate with a fraction, the best there is.
inline double samplesOf(clap::clap_sectime seconds, double sampleRate) {
    return static_cast<double>(seconds) * (sampleRate / kUnitsPerOne);
}

// seconds × rate / 2^31, to the nearest sample, exact in integers for a
// whole-numbered rate up to 2^24 Hz: whole seconds times the rate, plus the
// fraction of a second (below 2^31) times the rate, rounded. Neither product
// can leave 64 bits, whatever the position. (A double product keeps 53 bits,
// so after an hour or two a position just short of half a sample would round
// as if it were the half.)
inline std::int64_t wholeSamplesOf(clap::clap_sectime seconds, std::uint64_t wholeRate) {
    const std::int64_t wholeSeconds = seconds >> 31;  // floor, also below zero
    const std::uint64_t fraction = static_cast<std::uint64_t>(seconds) & 0x7fffffffu;
    const std::uint64_t fractionSamples = (fraction * wholeRate + (std::uint64_t{1} << 30)) >> 31;
    return wholeSeconds * static_cast<std::int64_t>(wholeRate) + static_cast<std::int64_t>(fractionSamples);
}

}  // namespace clap_time
