#include "tools/quillbeat-render/demo_signal.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <iterator>
#include <vector>

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
// Just long enough that the ends do not click, and short enough not to show
// in a picture of the whole render.
constexpr double kFadeSeconds = 0.005;

// The chord repeats exactly every loop, about 6 s: each note is tuned to the
// nearest whole number of cycles in it (less than 0.1 Hz away), so the loop
// joins without a seam and the demo costs a copy per frame. The loop is
// computed once.
constexpr std::int64_t kLoopFrames = std::int64_t{1} << 18;

// Each side of the chord is a bank of sines, one per partial of each note.
// A sine needs no sine function from frame to frame: its next value is
// 2 cos(w) times this one less the one before. Every chunk starts the
// recursion afresh from values worked out exactly from its frame numbers, so
// the rounding it gathers stays far below float precision; neighbouring
// frames run side by side in lanes, each lane moving kLanes frames a step.
constexpr std::size_t kChunkFrames = 4096;
constexpr std::size_t kLanes = 8;
constexpr std::size_t kPartials = std::size(kChord) * std::size(kPartialLevels);

// Two neighbouring lanes, as one register of the processor: the lanes are
// held in kLanes / 2 of these, independent of each other, so each step
// waits on none of the others.
using LanePair = double __attribute__((vector_size(2 * sizeof(double))));
constexpr std::size_t kPairs = kLanes / 2;

struct SineBank {
    std::array<std::int64_t, kPartials> cyclesPerLoop;
    std::array<double, kPartials> amplitude;   // partial level times pan gain
    std::array<double, kPartials> twoCosStep;  // 2 cos(w kLanes)
    // cos and sin of w times -kLanes .. kLanes - 1: a chunk's first frame
    // turned to the two first steps of each lane.
    std::array<std::array<double, 2 * kLanes>, kPartials> offsetCos;
    std::array<std::array<double, 2 * kLanes>, kPartials> offsetSin;
};

// Equal temperament, A4 = 440 Hz; constant-power pan.
SineBank makeBank(double detune, bool right) {
    SineBank bank{};
    for (std::size_t n = 0; n < std::size(kChord); ++n) {
        const double frequency = 440.0 * std::pow(2.0, (kChord[n].midiNote - 69) / 12.0) * detune;
        const std::int64_t cycles =
            std::llround(frequency * static_cast<double>(kLoopFrames) / DemoSignal::kSampleRate);
        const double angle = (kChord[n].pan + 1.0) * kTwoPi / 8.0;
        const double pan = right ? std::sin(angle) : std::cos(angle);
        for (std::size_t k = 0; k < std::size(kPartialLevels); ++k) {
            const std::size_t j = n * std::size(kPartialLevels) + k;
            bank.cyclesPerLoop[j] = cycles * static_cast<std::int64_t>(k + 1);
            bank.amplitude[j] = kPartialLevels[k] * pan;
            const double radiansPerFrame = kTwoPi * static_cast<double>(bank.cyclesPerLoop[j]) / kLoopFrames;
            bank.twoCosStep[j] = 2.0 * std::cos(radiansPerFrame * kLanes);
            for (std::size_t i = 0; i < 2 * kLanes; ++i) {
                const double offset = static_cast<double>(i) - static_cast<double>(kLanes);
                bank.offsetCos[j][i] = std::cos(radiansPerFrame * offset);
                bank.offsetSin[j][i] = std::sin(radiansPerFrame * offset);
            }
        }
    }
    return bank;
}

// One side's sum, unscaled, over the chunk from `first`. One partial at a
// time, its lanes held in registers.
void renderChunk(const SineBank& bank, std::int64_t first, double* out) {
    std::fill_n(out, kChunkFrames, 0.0);
    for (std::size_t j = 0; j < kPartials; ++j) {
        // Whole cycles per loop make the phase at any frame exact.
        const double phase =
            kTwoPi * static_cast<double>(bank.cyclesPerLoop[j] * first % kLoopFrames) / kLoopFrames;
        const double sine = bank.amplitude[j] * std::sin(phase);
        const double cosine = bank.amplitude[j] * std::cos(phase);
        std::array<LanePair, kPairs> before{};
        std::array<LanePair, kPairs> now{};
        for (std::size_t lane = 0; lane < kLanes; ++lane) {
            before[lane / 2][lane % 2] = sine * bank.offsetCos[j][lane] + cosine * bank.offsetSin[j][lane];
            now[lane / 2][lane % 2] =
                sine * bank.offsetCos[j][kLanes + lane] + cosine * bank.offsetSin[j][kLanes + lane];
        }
        const LanePair twoCos = LanePair{} + bank.twoCosStep[j];
        for (std::size_t i = 0; i < kChunkFrames; i += kLanes) {
            for (std::size_t pair = 0; pair < kPairs; ++pair) {
                LanePair sum;
                std::memcpy(&sum, out + i + 2 * pair, sizeof sum);
                sum += now[pair];
                std::memcpy(out + i + 2 * pair, &sum, sizeof sum);
                const LanePair next = twoCos * now[pair] - before[pair];
                before[pair] = now[pair];
                now[pair] = next;
            }
        }
    }
}

// One loop of one side at the chord's level.
std::vector<float> renderLoop(const SineBank& bank) {
    std::vector<float> loop(static_cast<std::size_t>(kLoopFrames));
    std::vector<double> chunk(kChunkFrames);
    for (std::int64_t first = 0; first < kLoopFrames; first += static_cast<std::int64_t>(kChunkFrames)) {
        renderChunk(bank, first, chunk.data());
        for (std::size_t i = 0; i < kChunkFrames; ++i) {
            loop[static_cast<std::size_t>(first) + i] = static_cast<float>(chunk[i] * kNoteLevel);
        }
    }
    return loop;
}

struct ChordLoop {
    std::vector<float> left = renderLoop(makeBank(1.0, false));
    std::vector<float> right = renderLoop(makeBank(kRightDetune, true));
};

const ChordLoop& chordLoop() {
    static const ChordLoop loop;
    return loop;
}

}  // namespace

DemoSignal::DemoSignal(double seconds, int channels)
    : channelCount(channels), frameCount(static_cast<std::int64_t>(std::llround(seconds * kSampleRate))) {}

int DemoSignal::read(float* const* channels, int frames) {
    const int count = static_cast<int>(std::clamp<std::int64_t>(frameCount - position, 0, frames));
    if (channelCount == 0) {
        position += count;
        return count;
    }
    const ChordLoop& loop = chordLoop();
    const double fadeFrames = kFadeSeconds * kSampleRate;
    for (int i = 0; i < count; ++i) {
        const std::int64_t frame = position + i;
        const auto at = static_cast<std::size_t>(frame % kLoopFrames);
        float left = loop.left[at];
        float right = loop.right[at];
        const auto fromEnd = static_cast<double>(frameCount - frame);
        if (static_cast<double>(frame) < fadeFrames || fromEnd < fadeFrames) {
            const double fade = std::min(static_cast<double>(frame), fromEnd) / fadeFrames;
            left = static_cast<float>(left * fade);
            right = static_cast<float>(right * fade);
        }
        if (channelCount == 2) {
            channels[0][i] = left;
            channels[1][i] = right;
        } else {
            channels[0][i] = static_cast<float>((static_cast<double>(left) + right) * 0.5);
        }
    }
    position += count;
    return count;
}
