#include "clap/sample_position.h"

#include <cmath>

namespace {

// Beyond this a position is no song a host plays (about 3 million years at
// 96 kHz), and converting it to an integer would overflow.
constexpr double kLargestPosition = 0x1p62;

// floor(x + 0.5): halves round up everywhere, so a tie rounds the same way on
// both sides of zero and positions a whole number of samples apart stay that
// far apart (std::round would send -0.5 to -1 and 0.5 to 1).
std::optional<std::int64_t> nearestSample(double position) {
    const double rounded = std::floor(position + 0.5);
    if (!(std::fabs(rounded) < kLargestPosition)) return std::nullopt;  // NaN too
    return static_cast<std::int64_t>(rounded);
}

// seconds × rate / 2^31, to the nearest sample. One second is 2^31 units and
// one sample 2^31 / rate units, which is not a whole number of units at any
// usual rate: a host that starts a block on a whole sample can only send the
// nearest unit, a fraction of a unit before or after it. Truncation turns
// every "just before" into the previous sample, so it must be rounding.
//
// With a whole-numbered rate (every rate a host offers) this is exact in
// integers: whole seconds times the rate, plus the fraction of a second
// (below 2^31) times the rate, rounded. Up to 2^24 Hz neither product can
// leave 64 bits, whatever the position. A double product keeps 53 bits, so
// after an hour or two a position just short of half a sample would round
// as if it were the half.
std::optional<std::int64_t> fromSeconds(clap::clap_sectime seconds, double rate) {
    const auto wholeRate = rate <= 0x1p24 ? static_cast<std::uint64_t>(rate) : 0;
    if (static_cast<double>(wholeRate) == rate) {
        const std::int64_t wholeSeconds = seconds >> 31;  // floor, also below zero
        const std::uint64_t fraction = static_cast<std::uint64_t>(seconds) & 0x7fffffffu;
        const std::uint64_t fractionSamples = (fraction * wholeRate + (std::uint64_t{1} << 30)) >> 31;
        return wholeSeconds * static_cast<std::int64_t>(wholeRate) + static_cast<std::int64_t>(fractionSamples);
    }
    return nearestSample(static_cast<double>(seconds) * (rate / 0x1p31));
}

}  // namespace

std::optional<std::int64_t> samplePosition(const clap::clap_event_transport* transport, double sampleRate) {
    if (transport == nullptr || !(sampleRate > 0.0) || !std::isfinite(sampleRate)) return std::nullopt;
    if (transport->flags & clap::CLAP_TRANSPORT_HAS_SECONDS_TIMELINE)
        return fromSeconds(transport->song_pos_seconds, sampleRate);
    // Beats become seconds at the tempo of this moment, as if it had held
    // since the start: right for a song of one tempo, and the best the beats
    // alone can say.
    const std::uint32_t beatsAndTempo = clap::CLAP_TRANSPORT_HAS_BEATS_TIMELINE | clap::CLAP_TRANSPORT_HAS_TEMPO;
    if ((transport->flags & beatsAndTempo) == beatsAndTempo && std::isfinite(transport->tempo) &&
        transport->tempo > 0.0) {
        const double beats = static_cast<double>(transport->song_pos_beats) / 0x1p31;
        return nearestSample(beats * 60.0 / transport->tempo * sampleRate);
    }
    return std::nullopt;
}
