// How long notes and fades last, measured as the gain the effect applies to
// a steady input: the worked example's notes, the value for each fade
// length, and the longest fade a step allows.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "effect/parameters.h"
#include "presets/factory_presets.h"
#include "tools/guide-facts/fact_tables.h"
#include "tools/guide-facts/hosted_effect.h"
#include "tools/guide-facts/preset_measures.h"

namespace {

constexpr float kSteadyInput = 0.5f;
// A gain at or below this is silence (-40 dB).
// A fade's length is the time from one end to the other, to within
// kFadeEnd of each.
constexpr double kSilentGain = 0.01;
constexpr double kFadeEnd = 0.001;

// The gain on a steady input, frame by frame, for `frames` frames from the
// start of the second step (where the step plays its own note count), and
// no further than the step's end. The filter is fully open unless `values`
// closes it.
std::vector<double> gainFromAStep(const ParameterValues& values, float sampleRate, long frames) {
    constexpr int kBlock = 512;
    HostedEffect effect(sampleRate, kBlock);
    for (int i = 0; i < kParameterCount; ++i) effect.set(i, values[static_cast<std::size_t>(i)]);
    const long step = stepSamples(values[kTempo]);
    const auto start = static_cast<double>(step);
    frames = std::min(frames, step);
    const std::vector<float> input(kBlock, kSteadyInput);
    std::vector<float> output(static_cast<std::size_t>(frames));
    for (long at = 0; at < frames; at += kBlock) {
        const int length = static_cast<int>(std::min<long>(kBlock, frames - at));
        effect.process(start + static_cast<double>(at), input.data(), output.data() + at, length);
    }
    std::vector<double> gain(output.size());
    for (std::size_t i = 0; i < output.size(); ++i) gain[i] = output[i] / static_cast<double>(kSteadyInput);
    return gain;
}

// A plain note a step at the slowest Tempo, the longest step there is, with
// the given volume values.
ParameterValues oneNote(float attack, float decay) {
    ParameterValues values = PresetValues{.vA = attack, .vD1 = decay, .Tempo = 0.0f}.inParameterOrder();
    return values;
}

long firstFrame(const std::vector<double>& gain, long from, bool (*reached)(double)) {
    for (auto i = static_cast<std::size_t>(from); i < gain.size(); ++i) {
        if (reached(gain[i])) return static_cast<long>(i);
    }
    return -1;
}

bool full(double gain) { return gain >= 1.0 - kFadeEnd; }
bool faded(double gain) { return gain <= kFadeEnd; }
bool silent(double gain) { return gain <= kSilentGain; }

// Frames a fade in from silence to full level takes at this attack value,
// or -1 when it does not get there within the step.
long attackFrames(float attack, float sampleRate, long within) {
    return firstFrame(gainFromAStep(oneNote(attack, 0.0f), sampleRate, within), 0, full);
}

// Frames a fade from full level to silence takes at this first decay
// value (the second at 0), after the fastest attack.
long decayFrames(float decay, float sampleRate, long within) {
    const std::vector<double> gain = gainFromAStep(oneNote(1.0f, decay), sampleRate, within);
    const long top = firstFrame(gain, 0, full);
    const long end = top < 0 ? -1 : firstFrame(gain, top, faded);
    return end < 0 ? -1 : end - top;
}

// The slowest rate (smallest value) whose fade, as `frames` measures it,
// takes no more than `target` frames; -1 when even the fastest takes
// longer, or when the slowest that fits a step is faster than the target:
// a fade cannot last longer than a step.
float slowestRateWithin(long (*frames)(float, float, long), long target, float sampleRate) {
    const long within = target + 1024;
    float low = 0.0f, high = 1.0f;
    if (const long fastest = frames(high, sampleRate, within); fastest < 0 || fastest > target) return -1.0f;
    while (high - low > 1e-6f) {
        const float middle = (low + high) / 2;
        const long took = frames(middle, sampleRate, within);
        if (took >= 0 && took <= target) {
            high = middle;
        } else {
            low = middle;
        }
    }
    return frames(high, sampleRate, within) < target * 0.99 ? -1.0f : high;
}

std::string milliseconds(double frames, double rate) {
    char text[32];
    const double ms = frames * 1000.0 / rate;
    std::snprintf(text, sizeof text, ms < 10 ? "%.1f ms" : ms < 1000 ? "%.0f ms" : "%.2f s", ms < 1000 ? ms : ms / 1000);
    return text;
}

// A rate value to type: three significant digits, rounded up so that the
// fade is no longer than asked.
std::string rateToType(float rate) {
    const double scale = std::pow(10.0, 2 - std::floor(std::log10(rate)));
    char text[32];
    std::snprintf(text, sizeof text, "%g", std::ceil(rate * scale) / scale);
    return text;
}

}  // namespace

// The worked example: eighth notes at 140 BPM, each falling at vD1.
void printGap() {
    const TempoSetting& tempo = tempoSettingFor(140);
    const Choice notes = safeValue(kVNotes, 4, 2);
    const long period = tempo.step / shownNumber(kVNotes, notes.value);
    std::printf("| `vD1` | Level when the next note starts | Silence before the next note |\n");
    std::printf("|---|---|---|\n");
    for (float decay : {0.15f, 0.2f, 0.25f, 0.3f}) {
        ParameterValues values = oneNote(1.0f, decay);
        values[kVNotes] = notes.value;
        values[kTempo] = tempo.tempo.value;
        const std::vector<double> gain = gainFromAStep(values, 44100.0f, period);
        // After the note's own start: how long it is silent before the next.
        const long top = firstFrame(gain, 0, full);
        const long quiet = std::count_if(gain.begin() + top, gain.end(), silent);
        char level[32];
        std::snprintf(level, sizeof level, "%.2f (%.0f dB)", gain.back(), 20 * std::log10(gain.back()));
        std::printf("| %s | %s | %s |\n", shortestDecimal(decay).c_str(), silent(gain.back()) ? "silent" : level,
                    quiet == 0 ? "none" : milliseconds(static_cast<double>(quiet), 44100.0).c_str());
    }
}

void printFades() {
    const double rates[] = {44100.0, 48000.0};
    std::printf("| Fade length | Attack at 44.1 kHz | Decay at 44.1 kHz | Attack at 48 kHz | Decay at 48 kHz |\n");
    std::printf("|---|---|---|---|---|\n");
    for (int ms : {10, 20, 50, 100, 200, 300, 500, 750, 1000}) {
        std::printf("| %s |", milliseconds(ms * 44.1, 44100.0).c_str());
        for (double rate : rates) {
            const long target = std::lround(ms * rate / 1000.0);
            for (auto measure : {attackFrames, decayFrames}) {
                const float value = slowestRateWithin(measure, target, static_cast<float>(rate));
                std::printf(" %s |", value < 0 ? "longer than a step" : rateToType(value).c_str());
            }
        }
        std::printf("\n");
    }
    std::printf("\nThe fastest fade, at a value of 1, takes %s at 44.1 kHz and %s at 48 kHz.\n",
                milliseconds(static_cast<double>(attackFrames(1.0f, 44100.0f, 4096)), 44100.0).c_str(),
                milliseconds(static_cast<double>(attackFrames(1.0f, 48000.0f, 4096)), 48000.0).c_str());
}

void printLongestFades() {
    const long longest = stepSamples(0.0f);
    std::printf("A step lasts at most %ld samples, at a `Tempo` of `%d`: %s at 44.1 kHz, %s at 48 kHz, %s at 88.2 kHz.\n\n",
                longest, shownNumber(kTempo, 0.0f), milliseconds(static_cast<double>(longest), 44100.0).c_str(),
                milliseconds(static_cast<double>(longest), 48000.0).c_str(),
                milliseconds(static_cast<double>(longest), 88200.0).c_str());
    std::printf("| Song tempo | A step is | Longest fade at 44.1 kHz | at 48 kHz | Slowest `vA` that reaches full level |\n");
    std::printf("|---|---|---|---|---|\n");
    for (int song : {60, 80, 90, 100, 120, 128, 140, 160, 174}) {
        const int beats = song < 120 ? 1 : 2;
        const TempoSetting& setting = tempoSettingFor(song * 2 / beats);
        // A fade counts samples as the step does: the same value at every rate.
        const float slowest = slowestRateWithin(attackFrames, setting.step - 1, 44100.0f);
        std::printf("| %d | %s | %s | %s | %s |\n", song, beats == 1 ? "one beat" : "two beats",
                    milliseconds(static_cast<double>(setting.step), 44100.0).c_str(),
                    milliseconds(static_cast<double>(setting.step), 48000.0).c_str(), rateToType(slowest).c_str());
    }
}
