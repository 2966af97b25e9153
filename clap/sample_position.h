// The song position in whole samples, which the effect's time request asks
// for, from a CLAP transport, which gives it in fixed-point seconds and
// beats (2^31 units each).
#pragma once

#include <cstdint>
#include <optional>

#include "abi/clap_abi.h"

// The song positions of transports in whole samples at one sample rate.
// The usual case, seconds at a whole-numbered rate, is inline: a block asks
// for it at least once.
class SamplePositions {
public:
    explicit SamplePositions(double sampleRate);

    // The sample at the transport's position: from the seconds timeline when
    // the host gives one; otherwise from the beats timeline at the current
    // tempo; with neither (or no transport at all, or no usable rate) none,
    // and the effect is told that the host has no time information.
    std::optional<std::int64_t> at(const clap::clap_event_transport* transport) const {
        if (transport == nullptr || !usable) return std::nullopt;
        if ((transport->flags & clap::CLAP_TRANSPORT_HAS_SECONDS_TIMELINE) && wholeRate != 0)
            return fromSecondsExactly(transport->song_pos_seconds);
        return otherwise(*transport);
    }

private:
    // seconds × rate / 2^31, to the nearest sample. One second is 2^31 units
    // and one sample 2^31 / rate units, which is not a whole number of units
    // at any usual rate: a host that starts a block on a whole sample can
    // only send the nearest unit, a fraction of a unit before or after it.
    // Truncation turns every "just before" into the previous sample, so it
    // must be rounding.
    //
    // With a whole-numbered rate (every rate a host offers) this is exact in
    // integers: whole seconds times the rate, plus the fraction of a second
    // (below 2^31) times the rate, rounded. Up to 2^24 Hz neither product can
    // leave 64 bits, whatever the position. A double product keeps 53 bits,
    // so after an hour or two a position just short of half a sample would
    // round as if it were the half.
    std::int64_t fromSecondsExactly(clap::clap_sectime seconds) const {
        const std::int64_t wholeSeconds = seconds >> 31;  // floor, also below zero
        const std::uint64_t fraction = static_cast<std::uint64_t>(seconds) & 0x7fffffffu;
        const std::uint64_t fractionSamples = (fraction * wholeRate + (std::uint64_t{1} << 30)) >> 31;
        return wholeSeconds * static_cast<std::int64_t>(wholeRate) + static_cast<std::int64_t>(fractionSamples);
    }
    // Seconds at a rate with a fraction, or beats.
    std::optional<std::int64_t> otherwise(const clap::clap_event_transport& transport) const;

    double rate;
    bool usable;  // finite and above zero
    // The rate as a whole number when it is one, up to 2^24 Hz; otherwise 0.
    std::uint64_t wholeRate;
};
