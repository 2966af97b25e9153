#include "editor/tempo_helper.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <vector>

#include "editor/editor_texts.h"
#include "editor/step_timing.h"

namespace {

std::vector<TempoStep> findEveryTempoStep() {
    // Frames a step never grow with the value: negated, they never fall.
    const auto negatedFrames = [](float value) { return -std::int64_t{framesPerStepAt(value)}; };
    std::vector<TempoStep> steps;
    float value = 0.0f;
    while (true) {
        const std::int32_t frames = framesPerStepAt(value);
        const std::optional<ValueRange> values = valuesGiving(negatedFrames, -std::int64_t{frames});
        steps.push_back({frames, *values});
        if (values->highest >= 1.0f) return steps;
        value = std::bit_cast<float>(std::bit_cast<std::uint32_t>(values->highest) + 1);
    }
}

bool sameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const char lower = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
        if (lower != b[i]) return false;
    }
    return true;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

}  // namespace

std::span<const TempoStep> everyTempoStep() {
    static const std::vector<TempoStep> steps = findEveryTempoStep();
    return steps;
}

double driftPerBar(std::int32_t framesPerStep, int beatsPerStep, double songBeatsPerMinute, double sampleRate) {
    return 4.0 / beatsPerStep * framesPerStep - 4.0 * 60.0 * sampleRate / songBeatsPerMinute;
}

TempoChoice chooseTempo(double songBeatsPerMinute, double sampleRate) {
    std::optional<TempoChoice> best;
    for (int beats : {2, 1}) {
        for (const TempoStep& step : everyTempoStep()) {
            const double drift = driftPerBar(step.framesPerStep, beats, songBeatsPerMinute, sampleRate);
            if (!best || std::fabs(drift) < std::fabs(best->driftFrames)) {
                best = TempoChoice{step.values.middle(), beats, step.framesPerStep, drift};
            }
        }
    }
    return *best;
}

std::string tempoLimitNotice(double songBeatsPerMinute, double sampleRate) {
    const std::span<const TempoStep> steps = everyTempoStep();
    const std::int32_t longest = steps.front().framesPerStep, shortest = steps.back().framesPerStep;
    const double framesPerBeat = 60.0 * sampleRate / songBeatsPerMinute;
    if (framesPerBeat > longest) return songTempoLimitNotice(true, 60.0 * sampleRate / longest, sampleRate);
    if (2.0 * framesPerBeat < shortest) return songTempoLimitNotice(false, 120.0 * sampleRate / shortest, sampleRate);
    return {};
}

std::optional<double> songTempoOfText(std::string_view text) {
    text = trimmed(text);
    if (text.size() > 3 && sameLetters(text.substr(text.size() - 3), "bpm")) text = trimmed(text.substr(0, text.size() - 3));
    double tempo = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), tempo);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(tempo) || tempo <= 0.0) {
        return std::nullopt;
    }
    return tempo;
}
