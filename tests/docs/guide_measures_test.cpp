// The measures behind the guide's numbers (tools/guide-facts): the 10-ms
// level against the input, the pulses heard in it, and when two settings
// sound apart.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "tools/guide-facts/level_envelope.h"
#include "tools/guide-facts/preset_measures.h"

namespace {

TEST(GuideMeasures, LevelIsTheWindowsRmsAgainstTheInputs) {
    constexpr std::size_t kWindow = 4;
    // A sawtooth-like input; the output is the input times a gain that
    // steps from 1 to 0.5 to 0 at frames 8 and 16.
    std::vector<float> input, output;
    for (int i = 0; i < 24; ++i) {
        input.push_back(static_cast<float>(i % 5) / 5.0f - 0.4f + 0.05f);
        output.push_back(input.back() * (i < 8 ? 1.0f : i < 16 ? 0.5f : 0.0f));
    }
    const std::vector<double> levels = levelEnvelope(input, output, kWindow);
    ASSERT_EQ(levels.size(), output.size() - kWindow + 1);
    struct Case {
        std::size_t lastFrame;  // of the window
        double db;
    };
    for (const Case& c : {Case{3, 0.0}, Case{7, 0.0}, Case{11, 20 * std::log10(0.5)}, Case{15, 20 * std::log10(0.5)},
                          Case{19, kSilenceDb}, Case{23, kSilenceDb}}) {
        EXPECT_NEAR(levels[c.lastFrame - (kWindow - 1)], c.db, 1e-6) << "window ending at " << c.lastFrame;
    }
    // A window across the step holds both gains.
    EXPECT_GT(levels[9 - (kWindow - 1)], 20 * std::log10(0.5));
    EXPECT_LT(levels[9 - (kWindow - 1)], 0.0);
}

TEST(GuideMeasures, PulsesAreRisesOfTheGivenSize) {
    struct Case {
        const char* what;
        std::vector<double> levels;
        std::vector<std::size_t> heard;
    };
    const Case cases[] = {
        {"steady", {0, 0, 0, 0}, {}},
        {"two full rises", {0, -10, -10, 0, 0, -10, 0}, {3, 6}},
        {"a rise too small", {-5, -10, -5, -10, -5}, {}},
        {"a slow rise, heard where it reaches 6 dB", {-40, -38, -36, -34, -30, -20, 0}, {3}},
        {"a dip too small to end the pulse", {-20, 0, -5, 0, -20, 0}, {1, 5}},
        {"silence to a note", {kSilenceDb, kSilenceDb, -3, -1}, {2}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(pulsesHeard(c.levels, 6.0), c.heard) << c.what;
    }
}

TEST(GuideMeasures, SettingsSoundApartByPulsesOrByMoreThan3Db) {
    const auto measure = [](double pulses, std::vector<double> levels) {
        return LevelMeasure{pulses, 0.0, 0.0, std::move(levels)};
    };
    struct Case {
        const char* what;
        LevelMeasure a, b;
        bool apart;
    };
    const Case cases[] = {
        {"the same", measure(2, {0, -10, -20}), measure(2, {0, -10, -20}), false},
        {"other pulses", measure(2, {0, -10, -20}), measure(4, {0, -10, -20}), true},
        {"3 dB apart at most", measure(2, {0, -10, -20}), measure(2, {-3, -7, -20}), false},
        {"more than 3 dB apart once", measure(2, {0, -10, -20}), measure(2, {0, -10, -23.5}), true},
        {"both below the quiet level", measure(2, {0, kQuietDb - 1, kSilenceDb}),
         measure(2, {0, kSilenceDb, kQuietDb - 20}), false},
        {"one quiet, one not", measure(2, {0, kQuietDb + 4}), measure(2, {0, kSilenceDb}), true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(soundApart(c.a, c.b), c.apart) << c.what;
        EXPECT_EQ(soundApart(c.b, c.a), c.apart) << c.what;
    }
}

}  // namespace
