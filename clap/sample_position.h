// The song position in whole samples, which the effect's time request asks
// for, from a CLAP transport, which gives it in fixed-point seconds and
// beats (2^31 units each).
#pragma once

#include <cstdint>
#include <optional>

#include "abi/clap_abi.h"
#include "abi/clap_time.h"

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
    // must be rounding, exact in integers (abi/clap_time.h).
    std::int64_t fromSecondsExactly(clap::clap_sectime seconds) const {
        return clap_time::wholeSamplesOf(seconds, wholeRate);
    }
    // Seconds at a rate with a fraction, or beats.
    std::optional<std::int64_t> otherwise(const clap::clap_event_transport& transport) const;

    double rate;
    bool usable;  // finite and above zero
    // The rate as a whole number when it is one, up to 2^24 Hz; otherwise 0.
    std::uint64_t wholeRate;
};
