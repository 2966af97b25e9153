// The texts the editor shows, from the values: one table of cases, and the
// stage times against the effect's own envelope run frame by frame.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <string>

#include "editor/editor_texts.h"
#include "editor/text_drawing.h"
#include "effect/envelope.h"

namespace {

std::array<float, kParameterCount> valuesWith(std::initializer_list<std::pair<int, float>> changes) {
    std::array<float, kParameterCount> values{};
    for (int i = 0; i < kParameterCount; ++i) values[static_cast<std::size_t>(i)] = kParameterTable[static_cast<std::size_t>(i)].initialValue;
    for (auto [index, value] : changes) values[static_cast<std::size_t>(index)] = value;
    return values;
}

struct TextCase {
    const char* what;
    std::function<std::string()> make;
    std::string expected;
};

const TextCase kTextCases[] = {
    {"eighths with two beats a step", [] { return noteCountText(0.23f, 2); }, "eighths"},
    {"sixteenths with one beat a step", [] { return noteCountText(0.23f, 1); }, "sixteenths"},
    {"quarter triplets", [] { return noteCountText(0.17f, 2); }, "quarter triplets"},
    {"sixteenth triplets with one beat", [] { return noteCountText(0.37f, 1); }, "sixteenth triplets"},
    {"one note a step", [] { return noteCountText(0.0f, 2); }, "half notes"},
    {"sixteen notes with one beat", [] { return noteCountText(1.0f, 1); }, "sixty-fourths"},
    {"a count with no name", [] { return noteCountText(0.27f, 2); }, "5 per step"},
    {"plays at 48 kHz", [] { return playsAtText(0.15f, 48000, 2); }, "plays 139.3 BPM at 48 kHz"},
    {"plays with one beat a step", [] { return playsAtText(0.15f, 48000, 1); }, "plays 69.7 BPM at 48 kHz"},
    {"plays as set at 44.1 kHz", [] { return playsAtText(0.24f, 44100, 2); }, "plays 140.0 BPM at 44.1 kHz"},
    {"rate 88.2", [] { return rateText(88200); }, "88.2 kHz"},
    {"rate 96", [] { return rateText(96000); }, "96 kHz"},
    {"one step", [] { return stepLengthText(0.24f, 44100); }, "one step: 37,800 frames, 0.86 s at 44.1 kHz"},
    {"the longest step", [] { return longestStepNotice(48000); }, "a step is at most 44,100 frames: 0.92 s at 48 kHz"},
    {"drift late", [] { return driftText(12.0); }, "drifts +12 frames a bar"},
    {"drift early", [] { return driftText(-3.46); }, "drifts \u22123.5 frames a bar"},
    {"one frame", [] { return driftText(1.0); }, "drifts +1 frame a bar"},
    {"in time", [] { return driftText(0.04); }, "in time"},
    {"step number", [] { return stepNumberText(12); }, "step 12"},
    // vA 1 rises by a hair less than 1/256 a frame: 257 frames.
    {"attack at 44.1 kHz", [] { return stageTimeText(kVA, valuesWith({{kVA, 1.0f}}), 44100); }, "5.8 ms"},
    {"attack at 48 kHz", [] { return stageTimeText(kFA, valuesWith({{kFA, 1.0f}}), 48000); }, "5.4 ms"},
    // From 0.5 to 0 at 1/256 a frame: the 129th frame goes below.
    {"decay 2", [] { return stageTimeText(kVD2, valuesWith({{kVS, 0.5f}, {kVD2, 1.0f}}), 44100); }, "2.9 ms"},
    {"a stage that holds", [] { return stageTimeText(kVA, valuesWith({{kVA, 0.0f}}), 44100); }, "\u2014"},
    // Longer than any step: worked out from the increments.
    {"a slow decay", [] { return stageTimeText(kVD2, valuesWith({{kVS, 1.0f}, {kVD2, 0.05f}}), 44100); }, "about 2.32 s"},
    {"sustain has no time", [] { return stageTimeText(kVS, valuesWith({}), 44100); }, ""},
    {"notes have no time", [] { return stageTimeText(kFNotes, valuesWith({}), 44100); }, ""},
    {"value text with its blank label", [] { return valueText(kTempo, 0.24f); }, "140"},
    {"the mode's value text", [] { return valueText(kRndSw, 0.5f); }, "RANDOM"},
    {"names in words", [] { return std::string(controlName(kFD1)) + "/" + std::string(codeName(kFD1)); }, "Decay 1/fD1"},
    {"picked heading", [] { return groupHeading(true, true); }, "FILTER \u00B7 picked by the plug-in"},
    {"plain heading", [] { return groupHeading(false, false); }, "VOLUME"},
};

TEST(EditorTexts, SayWhatTheValuesMean) {
    TextDrawer fonts;
    for (const TextCase& c : kTextCases) {
        const std::string text = c.make();
        EXPECT_EQ(text, c.expected) << c.what;
        // Every character the editor shows is in both bundled fonts.
        EXPECT_TRUE(fonts.covers(text)) << c.what;
    }
}

// The frames the effect's envelope spends in each stage, run frame by frame
// from a restart.
std::array<double, 3> framesInStages(const std::array<float, kParameterCount>& v, int first, float floorLevel) {
    Envelope envelope = Envelope::load(EnvelopeState{kFinished, 0.0f, 0, 1}, floorLevel);
    envelope.setRates(EnvelopeRates::of(v[first], v[first + 1], v[first + 2], v[first + 3]));
    envelope.restart();
    std::array<double, 3> frames{};
    for (int frame = 1; frame <= 10'000'000 && envelope.stage() != kFinished; ++frame) {
        const std::int32_t before = envelope.stage();
        envelope.advance();
        if (envelope.stage() != before) {
            // Decay 1 may hand over to decay 2 and finish in the same frame.
            const double at = frame - frames[0] - frames[1] - frames[2];
            frames[static_cast<std::size_t>(before - kAttack)] = at;
            if (envelope.stage() == kFinished && before == kFirstDecay) frames[2] = 0;
        }
    }
    return frames;
}

TEST(EditorTexts, StageTimesAreTheEnvelopesOwn) {
    struct Envelopes {
        float attack, decay1, sustain, decay2;
    };
    const Envelopes cases[] = {
        {0.3f, 0.15f, 0.4f, 0.1f}, {1.0f, 0.5f, 0.2f, 0.8f}, {0.05f, 0.02f, 0.7f, 0.03f}, {0.6f, 0.0f, 0.3f, 0.25f},
        // Longer than any step: worked out from the increments.
        {0.02f, 0.01f, 0.5f, 0.008f},
    };
    for (const Envelopes& e : cases) {
        for (int first : {kVA, kFA}) {
            const auto values = valuesWith({{first, e.attack}, {first + 1, e.decay1}, {first + 2, e.sustain},
                                            {first + 3, e.decay2}});
            const auto run = framesInStages(values, first, first == kFA ? kFilterFloor : kAmpFloor);
            const int stages[3] = {first, first + 1, first + 3};
            for (int stage = 0; stage < 3; ++stage) {
                const std::optional<double> worked = stageFrames(stages[stage], values);
                ASSERT_TRUE(worked.has_value()) << stage;
                // Decay 2 starts here in the frame that ends decay 1; a
                // stage worked out from its increments misses the levels'
                // rounding to float.
                const double frames = run[static_cast<std::size_t>(stage)];
                EXPECT_NEAR(*worked, frames, frames > 65536 ? frames * 0.05 : stage == 2 ? 1.0 : 0.0)
                    << "parameter " << stages[stage] << " attack " << e.attack;
            }
        }
    }
}

}  // namespace
