#include "tools/quillbeat-render/demo_signal.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <cmath>

namespace {

constexpr double kTwoPi = 6.283185307179586476925286766559;

struct ChordNote {
    int midiNote;
    double pan;  // -1 left to +1 right
};
// A minor with an added ninth, spread across the stereo field: A2 E3 C4 G4 B4.
constexpr ChordNote kChord[] = {{45, 0.0}, {52, -0.5}, {60, 0.4}, {67, -0.25}, {71, 0.6}};

// Three partials give each note a soft, reedy tone that a low-pass filter
// audibly darkens.
constexpr double kPartialLevels[] = {1.0, 0.35, 0.15};
constexpr double kNoteLevel = 0.12;
// The right channel runs a few cents sharp, which widens the chord.
constexpr double kRightDetune = 1.0015;
constexpr double kFadeInSeconds = 0.01;
constexpr double kFadeOutSeconds = 0.05;

// Equal temperament, A4 = 440 Hz.
const std::array<double, std::size(kChord)>& chordFrequencies() {
    static const auto frequencies = [] {
        std::array<double, std::size(kChord)> result{};
        for (std::size_t i = 0; i < result.size(); ++i) {
            result[i] = 440.0 * std::pow(2.0, (kChord[i].midiNote - 69) / 12.0);
        }
        return result;
    }();
    return frequencies;
}

// The note's three partials at `phase`, from one sine and cosine:
// sin 2x = 2 sin x cos x, and sin 3x = sin 2x cos x + cos 2x sin x.
double tone(double phase) {
    const double s1 = std::sin(phase);
    const double c1 = std::cos(phase);
    const double s2 = 2.0 * s1 * c1;
    const double c2 = c1 * c1 - s1 * s1;
    const double s3 = s2 * c1 + c2 * s1;
    return kPartialLevels[0] * s1 + kPartialLevels[1] * s2 + kPartialLevels[2] * s3;
}

}  // namespace

DemoSignal::DemoSignal(double seconds, int channels)
    : channelCount(channels), frameCount(static_cast<std::int64_t>(std::llround(seconds * kSampleRate))) {}

void DemoSignal::sampleAt(std::int64_t frame, float& left, float& right) const {
    const double time = static_cast<double>(frame) / kSampleRate;
    double sumLeft = 0.0;
    double sumRight = 0.0;
    for (std::size_t n = 0; n < std::size(kChord); ++n) {
        const ChordNote& note = kChord[n];
        const double frequency = chordFrequencies()[n];
        // Phases are reduced to one turn before scaling, so they stay exact
        // however long the demo runs.
        const double turnsLeft = std::fmod(frequency * time, 1.0);
        const double turnsRight = std::fmod(frequency * kRightDetune * time, 1.0);
        // Constant-power pan.
        const double angle = (note.pan + 1.0) * kTwoPi / 8.0;
        sumLeft += std::cos(angle) * tone(kTwoPi * turnsLeft);
        sumRight += std::sin(angle) * tone(kTwoPi * turnsRight);
    }
    const double fadeIn = std::min(1.0, time / kFadeInSeconds);
    const double fadeOut = std::min(1.0, static_cast<double>(frameCount - frame) / kSampleRate / kFadeOutSeconds);
    const double gain = kNoteLevel * std::min(fadeIn, fadeOut);
    left = static_cast<float>(sumLeft * gain);
    right = static_cast<float>(sumRight * gain);
}

int DemoSignal::read(float* const* channels, int frames) {
    const int count = static_cast<int>(std::min<std::int64_t>(frames, frameCount - position));
    if (channelCount == 0) {
        position += count;
        return count;
    }
    for (int i = 0; i < count; ++i) {
        float left = 0.0f;
        float right = 0.0f;
        sampleAt(position + i, left, right);
        if (channelCount == 2) {
            channels[0][i] = left;
            channels[1][i] = right;
        } else if (channelCount == 1) {
            channels[0][i] = static_cast<float>((static_cast<double>(left) + right) * 0.5);
        }
    }
    position += count;
    return count;
}
