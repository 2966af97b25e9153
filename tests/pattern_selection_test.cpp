// Where the envelope values of a new step come from: the ten "RANDOM" draws
// and the "AUTO" pattern choice, checked against a model of the generator.
#include <gtest/gtest.h>

#include <array>
#include <set>

#include "effect/pattern_table.h"
#include "tests/support/block_helpers.h"

namespace {

constexpr int kStep = 37800;  // frames per step at the initial tempo

std::array<float, 10> envelopeValues(TestHost& host) {
    std::array<float, 10> values{};
    for (int i = 0; i < 10; ++i) values[i] = host.getParameter(i);
    return values;
}

void oneFrameAt(TestHost& host, double position) {
    StereoBuffer one(1, 0.25f);
    host.processAt(position, one);
}

// What "RANDOM" rolls from ten successive draws.
std::array<float, 10> randomRoll(GeneratorModel& generator) {
    const std::uint32_t modulus[10] = {80, 20, 101, 20, 51, 80, 20, 101, 20, 51};
    const std::uint32_t offset[10] = {20, 0, 0, 0, 0, 20, 0, 0, 0, 0};
    std::array<float, 10> values{};
    for (int i = 0; i < 10; ++i)
        values[i] = static_cast<float>(static_cast<double>(generator.next() % modulus[i] + offset[i]) * 0.01f);
    return values;
}

class PatternSelection : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(host.open(), nullptr); }

    // In `mode`, a block just before step 1 and one at its start: the model
    // stands at the first draw of the step change's choice.
    GeneratorModel firstStepChangeIn(float mode) {
        host.setParameter(pRndSw, mode);
        oneFrameAt(host, kStep - 1);
        oneFrameAt(host, kStep);
        GeneratorModel generator;
        generator.skip(2);
        return generator;
    }

    TestHost host;
};

TEST_F(PatternSelection, ManualKeepsValuesAndDrawsOncePerBlock) {
    host.setParameter(pRndSw, kManual);
    host.setParameter(pVD2, 0.33f);
    const auto before = envelopeValues(host);
    for (int step = 1; step <= 5; ++step) oneFrameAt(host, step * kStep);
    EXPECT_EQ(envelopeValues(host), before);
    // Five blocks, five draws; the next step change in "RANDOM" rolls from
    // the seventh draw on (the sixth belongs to its own block).
    host.setParameter(pRndSw, kRandom);
    oneFrameAt(host, 6 * kStep);
    GeneratorModel generator;
    generator.skip(6);
    EXPECT_EQ(envelopeValues(host), randomRoll(generator));
}

TEST_F(PatternSelection, RandomRollsTenValuesInOrder) {
    GeneratorModel generator = firstStepChangeIn(kRandom);
    EXPECT_EQ(envelopeValues(host), randomRoll(generator));
    // Every later step rolls afresh from where the generator stands.
    for (int step = 2; step < 40; ++step) {
        oneFrameAt(host, step * kStep);
        generator.skip(1);
        ASSERT_EQ(envelopeValues(host), randomRoll(generator)) << "step " << step;
    }
}

TEST_F(PatternSelection, RandomTwentyHundredthsIsOneStepBelowPointTwo) {
    // Find how many standing blocks bring a vA draw with r mod 80 = 0 and a
    // vnotes draw with r mod 51 = 20 (each from its own session).
    struct Case {
        int parameter;
        int drawInRoll;
        std::uint32_t modulus;
        std::uint32_t remainder;
    };
    for (const Case c : {Case{pVA, 0, 80, 0}, Case{pVNotes, 4, 51, 20}}) {
        int standing = 0;
        for (;; ++standing) {
            GeneratorModel generator;
            generator.skip(2 + standing + c.drawInRoll);
            if (generator.next() % c.modulus == c.remainder) break;
        }
        TestHost h;
        ASSERT_NE(h.open(), nullptr);
        h.setParameter(pRndSw, kRandom);
        for (int i = 0; i < standing + 1; ++i) oneFrameAt(h, kStep - 1);
        oneFrameAt(h, kStep);
        EXPECT_EQ(bitsOf(h.getParameter(c.parameter)), 0x3E4CCCCCu) << "parameter " << c.parameter;
    }
}

TEST(PatternTable, NotesOfEveryPatternGiveTheListedStarts) {
    const std::array<int, 13> starts = {1, 1, 2, 2, 3, 3, 4, 4, 4, 5, 6, 8, 12};
    for (std::size_t p = 0; p < patternTable.size(); ++p) {
        const auto& row = patternTable[p];
        EXPECT_EQ(bitsOf(row[4]), bitsOf(row[9])) << "pattern " << p;
        EXPECT_EQ(1 + static_cast<int>(15.0 * static_cast<double>(row[4])), starts[p]) << "pattern " << p;
    }
}

TEST_F(PatternSelection, FirstAutoChoiceOnAnOddStepTakesTheFirstDraw) {
    GeneratorModel generator = firstStepChangeIn(kAuto);
    const int pattern = oddStepPicks[generator.next() % 10];
    const auto values = envelopeValues(host);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(values[i], patternTable[pattern][i]) << i;
}

TEST_F(PatternSelection, EvenStepWithTooManyNotesTakesTheTwelfthDraw) {
    host.setParameter(pRndSw, kAuto);
    host.setParameter(pVNotes, 0.74f);
    oneFrameAt(host, 1);
    oneFrameAt(host, 2 * kStep);
    GeneratorModel generator;
    generator.skip(2 + 11);
    const int pattern = evenStepPicks[generator.next() % 22];
    const auto values = envelopeValues(host);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(values[i], patternTable[pattern][i]) << i;
}

// An independent model of the "AUTO" rule, walked step by step beside the
// effect over many steps, with both parities, negative steps included.
TEST_F(PatternSelection, AutoFollowsTheAlternatingRuleOverManySteps) {
    host.setParameter(pRndSw, kAuto);
    GeneratorModel generator;
    int lastPick = 12;
    std::set<int> oddSeen, evenSeen;
    const int firstStep = -30;
    oneFrameAt(host, firstStep * kStep - 1.0);  // rounds to firstStep * kStep
    generator.skip(1);
    // That first block already changed the step (from 0); replay its choice.
    auto choose = [&](int step, float notesBefore) {
        int pick = 0, pattern = 0;
        if (step % 2 != 0) {
            do pick = static_cast<int>(generator.next() % 10);
            while (pick == lastPick);
            pattern = oddStepPicks[pick];
            oddSeen.insert(pattern);
        } else {
            for (int tries = 0;; ++tries) {
                pick = static_cast<int>(generator.next() % 22);
                pattern = evenStepPicks[pick];
                if (patternTable[pattern][4] > notesBefore || tries > 10) break;
            }
            evenSeen.insert(pattern);
        }
        lastPick = pick;
        return pattern;
    };
    choose(firstStep, 0.0f);
    float notes = host.getParameter(pVNotes);
    for (int step = firstStep + 1; step < 60; ++step) {
        oneFrameAt(host, step * kStep + (step < 0 ? -1.0 : 0.0));
        generator.skip(1);
        const int pattern = choose(step, notes);
        const auto values = envelopeValues(host);
        for (int i = 0; i < 10; ++i) ASSERT_EQ(values[i], patternTable[pattern][i]) << "step " << step;
        notes = values[4];
    }
    EXPECT_EQ(oddSeen, (std::set<int>{0, 2, 4}));
    for (int pattern : evenSeen) EXPECT_TRUE(std::set<int>({1, 3, 6, 9, 10, 11, 12}).count(pattern)) << pattern;
}

}  // namespace
