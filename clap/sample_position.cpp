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

}  // namespace

SamplePositions::SamplePositions(double sampleRate)
    : rate(sampleRate),
      usable(sampleRate > 0.0 && std::isfinite(sampleRate)),
      wholeRate(usable && sampleRate <= 0x1p24 && sampleRate == std::floor(sampleRate)
                    ? static_cast<std::uint64_t>(sampleRate)
                    : 0) {}

// Seconds at a rate with a fraction: in double precision, the best there is.
// Beats become seconds at the tempo of this moment, as if it had held since
// the start: right for a song of one tempo, and the best the beats alone can
// say.
std::optional<std::int64_t> SamplePositions::otherwise(const clap::clap_event_transport& transport) const {
    if (transport.flags & clap::CLAP_TRANSPORT_HAS_SECONDS_TIMELINE)
        return nearestSample(clap_time::samplesOf(transport.song_pos_seconds, rate));
    const std::uint32_t beatsAndTempo = clap::CLAP_TRANSPORT_HAS_BEATS_TIMELINE | clap::CLAP_TRANSPORT_HAS_TEMPO;
    if ((transport.flags & beatsAndTempo) == beatsAndTempo && std::isfinite(transport.tempo) && transport.tempo > 0.0) {
        const double beats = clap_time::beatsOf(transport.song_pos_beats);
        return nearestSample(beats * 60.0 / transport.tempo * rate);
    }
    return std::nullopt;
}
