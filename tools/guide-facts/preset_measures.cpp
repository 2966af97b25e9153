#include "tools/guide-facts/preset_measures.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "tools/guide-audio/guide_sawtooth.h"
#include "tools/guide-facts/hosted_effect.h"
#include "tools/guide-facts/level_envelope.h"

namespace {
constexpr int kRate = 44100;
constexpr int kBlock = 512;
constexpr std::size_t kWindow = kRate / 100;  // 10 ms

float steady(std::int64_t) { return 0.5f; }

std::vector<float> changes(const std::vector<float>& sound) {
    std::vector<float> change(sound.size(), 0.0f);
    for (std::size_t i = 1; i < sound.size(); ++i) change[i] = sound[i] - sound[i - 1];
    return change;
}

double quiet(double db) { return std::max(db, kQuietDb); }

// Plays `values` on `source` from the gallery's start, for a step that
// settles it, `steps` measured steps and one more, and measures the middle
// ones; the pulses only on a sound that changes.
LevelMeasure measure(const ParameterValues& values, int steps, float (*source)(std::int64_t frame)) {
    const long step = stepSamples(values[kTempo]);
    const auto frames = static_cast<std::size_t>(step * (steps + 2));
    std::vector<float> input(frames), output(frames);
    for (std::size_t i = 0; i < frames; ++i) input[i] = source(static_cast<std::int64_t>(i));
    HostedEffect effect(kRate, kBlock);
    for (int i = 0; i < kParameterCount; ++i) effect.set(i, values[static_cast<std::size_t>(i)]);
    for (std::size_t at = 0; at < frames; at += kBlock) {
        const int length = static_cast<int>(std::min<std::size_t>(kBlock, frames - at));
        effect.process(static_cast<double>(kGalleryStartFrame) + static_cast<double>(at), input.data() + at,
                       output.data() + at, length);
    }
    // Envelope index i is the window that ends at frame i + kWindow - 1:
    // those that end in the measured steps, from frame `step` on.
    const std::vector<double> all = levelEnvelope(input, output, kWindow);
    const std::size_t first = static_cast<std::size_t>(step) - (kWindow - 1);
    const auto measured = static_cast<std::size_t>(step * steps);
    LevelMeasure result{};
    result.levels.assign(all.begin() + static_cast<std::ptrdiff_t>(first),
                         all.begin() + static_cast<std::ptrdiff_t>(first + measured));
    result.lowestDb = *std::min_element(result.levels.begin(), result.levels.end());
    result.peakDb = *std::max_element(result.levels.begin(), result.levels.end());
    if (source == steady) return result;
    // In MANUAL every step is the same, so any stretch as long as the
    // measured steps hears as many pulses as they hold: those heard in the
    // measured steps count, wherever their rise began.
    long pulses = 0;
    for (std::size_t heard : pulsesHeard(levelEnvelope(changes(input), changes(output), kWindow), kPulseRiseDb)) {
        pulses += heard >= first && heard < first + measured ? 1 : 0;
    }
    result.pulsesPerBeat = static_cast<double>(pulses) / (2.0 * steps);
    return result;
}

// The volume alone: a steady input, through a filter that stays open.
LevelMeasure measureVolume(const ParameterValues& values, int steps) {
    ParameterValues open = values;
    open[kFA] = 1.0f;
    open[kFD1] = 0.0f;
    open[kFS] = 0.0f;
    open[kFD2] = 0.0f;
    return measure(open, steps, steady);
}

}  // namespace

LevelMeasure measureSetting(const ParameterValues& values, int steps) { return measure(values, steps, guideSawtooth); }

bool soundApart(const LevelMeasure& a, const LevelMeasure& b) {
    if (a.pulsesPerBeat != b.pulsesPerBeat) return true;
    const std::size_t frames = std::min(a.levels.size(), b.levels.size());
    for (std::size_t i = 0; i < frames; ++i) {
        if (std::fabs(quiet(a.levels[i]) - quiet(b.levels[i])) > 3.0) return true;
    }
    return false;
}

std::optional<int> keepsItsShapeUpTo(const ParameterValues& values) {
    constexpr int kSteps = 2;
    const double ownPulses = measureSetting(values, kSteps).pulsesPerBeat;
    const LevelMeasure ownVolume = measureVolume(values, kSteps);
    const int ownBpm = shownNumber(kTempo, values[kTempo]);
    for (const TempoSetting& setting : everyTempoSetting()) {
        if (setting.bpm <= ownBpm) continue;
        if (setting.bpm > kFastestTried) break;
        ParameterValues faster = values;
        faster[kTempo] = setting.tempo.value;
        const LevelMeasure volume = measureVolume(faster, kSteps);
        if (std::fabs(quiet(volume.lowestDb) - quiet(ownVolume.lowestDb)) > 3.0 ||
            std::fabs(volume.peakDb - ownVolume.peakDb) > 1.0 ||
            measureSetting(faster, kSteps).pulsesPerBeat != ownPulses) {
            return setting.bpm - 1;
        }
    }
    return std::nullopt;
}
