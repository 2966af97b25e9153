#include "player/clap_transport.h"

#include <algorithm>
#include <cmath>

#include "abi/clap_time.h"

namespace {

// Seconds or beats in fixed point reach this far either side of zero.
constexpr double kReach = 0x1p32;

}  // namespace

bool fitsClapTime(double value) { return value >= -kReach && value < kReach; }

std::int64_t clapFrameReach(double sampleRate) {
    if (!(sampleRate > 0.0)) return 0;
    double reach = std::min(std::ceil(kReach * sampleRate) - 1.0, 0x1p53);
    // The division a block makes may round up to the limit itself.
    while (reach > 0.0 && !fitsClapTime(reach / sampleRate)) reach -= 1.0;
    return static_cast<std::int64_t>(reach);
}

void setClapTransport(clap::clap_event_transport& transport, const HostPosition& position, double sampleRate) {
    const double seconds = position.sample / sampleRate;
    const double beats = seconds * position.beatsPerMinute / 60.0;
    const bool hasSeconds = fitsClapTime(seconds);
    // A bar of a fitting position lies within ±2^30, whose start in fixed
    // point fits too.
    const bool hasBeats = fitsClapTime(beats);
    const std::int64_t bar = hasBeats ? clap_time::floorToInteger(beats / 4.0) : 0;
    transport.flags = clap::CLAP_TRANSPORT_HAS_TEMPO | clap::CLAP_TRANSPORT_HAS_TIME_SIGNATURE |
                      (hasSeconds ? clap::CLAP_TRANSPORT_HAS_SECONDS_TIMELINE : 0) |
                      (hasBeats ? clap::CLAP_TRANSPORT_HAS_BEATS_TIMELINE : 0) |
                      (position.playing ? clap::CLAP_TRANSPORT_IS_PLAYING : 0);
    transport.song_pos_seconds = hasSeconds ? clap_time::toClapTime(seconds) : 0;
    transport.song_pos_beats = hasBeats ? clap_time::toClapTime(beats) : 0;
    transport.tempo = position.beatsPerMinute;
    transport.bar_start = bar * 4 * clap::CLAP_BEATTIME_FACTOR;
    transport.bar_number = static_cast<std::int32_t>(bar);
}
