#include "editor/tempo_helper.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

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

// "44,100"
std::string withThousands(std::int64_t number) {
    const std::string digits = std::to_string(number);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped.push_back(',');
        grouped.push_back(digits[i]);
    }
    return grouped;
}

// A number with at most `places` decimals and no trailing zeros: "48", "44.1".
std::string shortNumber(double number, int places) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", places, number);
    std::string shown = text;
    if (shown.find('.') != std::string::npos) {
        while (shown.back() == '0') shown.pop_back();
        if (shown.back() == '.') shown.pop_back();
    }
    return shown;
}

// "a step is at most 44,100 frames: 0.92 s at 48 kHz; the slowest song it
// fits is 65.3 BPM"
std::string stepLimit(const char* bound, std::int32_t frames, double sampleRate, const char* song, double songTempo) {
    char text[160];
    std::snprintf(text, sizeof text, "a step is %s %s frames: %.2f s at %s kHz; the %s song it fits is %.1f BPM", bound,
                  withThousands(frames).c_str(), frames / sampleRate, shortNumber(sampleRate / 1000.0, 3).c_str(), song,
                  songTempo);
    return text;
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
    if (framesPerBeat > longest) return stepLimit("at most", longest, sampleRate, "slowest", 60.0 * sampleRate / longest);
    if (2.0 * framesPerBeat < shortest) {
        return stepLimit("at least", shortest, sampleRate, "fastest", 120.0 * sampleRate / shortest);
    }
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
