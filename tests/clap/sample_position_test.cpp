// The sample position from a CLAP transport, as one table. The seconds are
// what a host sends for a block that starts on a whole sample: the nearest
// unit of 2^-31 s, which lies just below the sample about half the time,
// where truncating would answer one sample early.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

#include "clap/sample_position.h"

namespace {

constexpr std::uint32_t kSeconds = clap::CLAP_TRANSPORT_HAS_SECONDS_TIMELINE;
constexpr std::uint32_t kBeats = clap::CLAP_TRANSPORT_HAS_BEATS_TIMELINE;
constexpr std::uint32_t kTempo = clap::CLAP_TRANSPORT_HAS_TEMPO;

TEST(ClapSamplePosition, FromEachTimeline) {
    const struct {
        const char* what;
        std::uint32_t flags;
        std::int64_t seconds, beats;
        double tempo, rate;
        std::optional<std::int64_t> sample;
    } cases[] = {
        // Just below the sample: truncation would be one early.
        {"sample 1 at 48 kHz", kSeconds, 44739, 0, 0, 48000, 1},
        {"sample 3 at 44.1 kHz", kSeconds, 146087, 0, 0, 44100, 3},
        {"sample 2 at 96 kHz", kSeconds, 44739, 0, 0, 96000, 2},
        {"ten hours at 96 kHz", kSeconds, 77309411484587, 0, 0, 96000, 3456000007},
        {"two hours at 44.1 kHz", kSeconds, 15461882411687, 0, 0, 44100, 317520003},
        {"just above the sample", kSeconds, 48696, 0, 0, 44100, 1},
        // Below zero (a pre-roll): the nearest sample, not the one toward zero.
        {"sample -1", kSeconds, -44739, 0, 0, 48000, -1},
        {"sample -48001", kSeconds, -2147528387, 0, 0, 48000, -48001},
        // Exactly halfway rounds up on both sides of zero.
        {"187.5 samples", kSeconds, 8388608, 0, 0, 48000, 188},
        {"-187.5 samples", kSeconds, -8388608, 0, 0, 48000, -187},
        // 2^-29 samples below halfway: double precision would round it to the
        // half, and up.
        {"two hours in, a hair below half", kSeconds, 15462356343311, 0, 0, 44100, 317529735},
        {"a rate with a fraction: 66150.75", kSeconds, 3221225472, 0, 0, 44100.5, 66151},
        // Seconds win over beats, which assume the tempo never changed.
        {"both timelines", kSeconds | kBeats | kTempo, 44739, 0, 120, 48000, 1},
        // Beats at 120 per minute, 24000 samples each at 48 kHz.
        {"beats: just below sample 1", kBeats | kTempo, 0, 89478, 120, 48000, 1},
        {"beats: a quarter beat before zero", kBeats | kTempo, 0, -536870912, 120, 48000, -6000},
        {"beats: -62.5 samples at 32 kHz, 60 per minute", kBeats | kTempo, 0, -4194304, 60, 32000, -62},
        {"beats without a tempo", kBeats, 0, 89478, 120, 48000, std::nullopt},
        {"beats at tempo 0", kBeats | kTempo, 0, 89478, 0, 48000, std::nullopt},
        {"beats at a tempo that sends them past any song", kBeats | kTempo, 0, 1 << 30, 1e-300, 48000,
         std::nullopt},
        {"a tempo and no timeline", kTempo, 44739, 89478, 120, 48000, std::nullopt},
        {"no rate yet", kSeconds, 44739, 0, 0, 0, std::nullopt},
    };
    for (const auto& c : cases) {
        clap::clap_event_transport transport{};
        transport.flags = c.flags;
        transport.song_pos_seconds = c.seconds;
        transport.song_pos_beats = c.beats;
        transport.tempo = c.tempo;
        EXPECT_EQ(SamplePositions(c.rate).at(&transport), c.sample) << c.what;
    }
    EXPECT_EQ(SamplePositions(48000).at(nullptr), std::nullopt) << "no transport";
}

}  // namespace
