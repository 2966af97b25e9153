// The audio path at the binary interface: pass-through, the step grid, the
// retrigger counts and what reaches the output, observed as a host observes
// them: through the record's process function and parameter values.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tests/support/block_helpers.h"

namespace {

class AudioPath : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(host.open(), nullptr); }

    // One frame of silence-free input at a host position.
    void frameAt(double position) {
        StereoBuffer one(1, 0.5f);
        host.processAt(position, one);
    }

    TestHost host;
};

// ---- pass-through ---------------------------------------------------------

TEST_F(AudioPath, StandingPositionPassesAudioThroughBitForBit) {
    StereoBuffer first = testSignal(300, 1);
    host.processAt(1000.0, first);
    StereoBuffer input = testSignal(300, 2);
    // Odd values too: pass-through does not touch them.
    input.left[5] = std::numeric_limits<float>::quiet_NaN();
    input.right[6] = -std::numeric_limits<float>::infinity();
    input.left[7] = std::numeric_limits<float>::denorm_min();
    input.right[8] = -0.0f;
    StereoBuffer output(300, 9.0f);
    host.processAt(1000.0, input, output);
    for (int i = 0; i < 300; ++i) {
        EXPECT_EQ(bitsOf(output.left[i]), bitsOf(input.left[i])) << i;
        EXPECT_EQ(bitsOf(output.right[i]), bitsOf(input.right[i])) << i;
    }
}

TEST_F(AudioPath, FirstBlockAtPositionZeroPassesThrough) {
    StereoBuffer input = testSignal(64);
    StereoBuffer output(64);
    host.processAt(0.0, input, output);
    EXPECT_EQ(output.left, input.left);
    EXPECT_EQ(output.right, input.right);
}

TEST_F(AudioPath, ZeroFrameBlockCountsAsABlock) {
    StereoBuffer block = testSignal(64);
    host.processAt(5000.0, block);
    // A zero-frame call at a new position moves the positions on ...
    StereoBuffer none(0);
    host.processAt(9000.0, none);
    // ... so a block at that same position stands still.
    StereoBuffer input = testSignal(64, 3);
    StereoBuffer output(64);
    host.processAt(9000.0, input, output);
    EXPECT_EQ(output.left, input.left);
    EXPECT_EQ(output.right, input.right);
    EXPECT_EQ(host.callCount(audioMasterGetTime), 3u);
}

TEST_F(AudioPath, ProcessingContinuesFromStateLeftBeforeAStandstill) {
    // Two effects see the same moving blocks; one also gets a standing block
    // in between. Their moving outputs must agree exactly.
    TestHost other;
    ASSERT_NE(other.open(), nullptr);
    for (TestHost* h : {&host, &other}) h->setParameter(pRndSw, kManual);
    StereoBuffer a = testSignal(512, 4), b = a;
    host.processAt(100.0, a);
    other.processAt(100.0, b);
    StereoBuffer standing = testSignal(512, 5);
    host.processAt(100.0, standing);
    StereoBuffer c = testSignal(512, 6), d = c;
    host.processAt(612.0, c);
    other.processAt(612.0, d);
    EXPECT_EQ(c.left, d.left);
    EXPECT_EQ(c.right, d.right);
}

// ---- the step grid ----------------------------------------------------------

// True when the step number changes between one frame at `from` and the
// next at `to`. In "AUTO" every step change picks a pattern from the other
// list, and the two lists share no attack value, so vA tells.
bool stepChangeBetween(double from, double to, float tempo, float hostRate = 44100.0f) {
    TestHost host;
    if (host.open() == nullptr) return false;
    host.dispatch(effSetSampleRate, 0, 0, nullptr, hostRate);
    host.setParameter(pTempo, tempo);
    host.setParameter(pRndSw, kAuto);
    StereoBuffer one(1, 0.5f);
    host.processAt(from, one);
    const float before = host.getParameter(pVA);
    host.processAt(to, one);
    return host.getParameter(pVA) != before;
}

TEST(StepGrid, StepLengthFollowsTempoWhateverTheHostRate) {
    const struct {
        float tempo;
        int frames;
    } cases[] = {{0.0f, 44100}, {0.24f, 37800}, {0.5f, 25200}, {1.0f, 11025}};
    for (float hostRate : {44100.0f, 96000.0f, 22050.0f}) {
        for (const auto& c : cases) {
            const int n = c.frames;
            EXPECT_FALSE(stepChangeBetween(1, n - 1, c.tempo, hostRate)) << c.tempo << " at " << hostRate;
            EXPECT_TRUE(stepChangeBetween(n - 1, n, c.tempo, hostRate)) << c.tempo << " at " << hostRate;
            EXPECT_FALSE(stepChangeBetween(n, 2 * n - 1, c.tempo, hostRate)) << c.tempo << " at " << hostRate;
            EXPECT_TRUE(stepChangeBetween(2 * n - 1, 2 * n, c.tempo, hostRate)) << c.tempo << " at " << hostRate;
        }
    }
}

TEST(StepGrid, NegativePositionsRoundAndCountTowardZero) {
    const int n = 44100;
    // A whole negative host position p rounds to p + 1 (0.5 is added, then
    // truncated toward zero). Step 0 covers the rounded positions -(N - 1) to
    // N - 1, step -1 those from -N down to -(2N - 1).
    EXPECT_FALSE(stepChangeBetween(-n, n - 1, 0.0f));
    EXPECT_TRUE(stepChangeBetween(-n, -n - 1, 0.0f));
    EXPECT_FALSE(stepChangeBetween(-n - 1, -2 * n, 0.0f));
    EXPECT_TRUE(stepChangeBetween(-2 * n, -2 * n - 1, 0.0f));
    // -1.5 rounds to -1 (processed), -0.7 to 0 (the constructed start: standing).
    TestHost host;
    ASSERT_NE(host.open(), nullptr);
    StereoBuffer input = testSignal(16), output(16);
    host.processAt(-0.7, input, output);
    EXPECT_EQ(output.left, input.left);
    host.processAt(-1.5, input, output);
    EXPECT_NE(output.left, input.left);
}

TEST(StepGrid, JumpWithinAStepIsNoStepChange) {
    EXPECT_FALSE(stepChangeBetween(100, 30000, 0.0f));
    EXPECT_TRUE(stepChangeBetween(100, 30000 + 44100 * 3, 0.0f));
}

// ---- retriggering ------------------------------------------------------------

// With a fast gate (attack 1, first decay 1 to 0) each amplitude start is
// followed by silence well before the next one, and the filter drains to an
// exact 0; so every start shows as a rise of the output from 0.
std::vector<int> amplitudeStarts(TestHost& host, double position, int frames) {
    StereoBuffer block(frames, 1.0f);
    host.processAt(position, block);
    std::vector<int> starts;
    for (int i = 1; i < frames; ++i)
        if (block.left[i - 1] == 0.0f && block.left[i] != 0.0f) starts.push_back(i);
    return starts;
}

void setFastGate(TestHost& host, float notes) {
    host.setParameter(pRndSw, kManual);
    host.setParameter(pTempo, 0.0f);  // 44100 frames per step
    host.setParameter(pVA, 1.0f);
    host.setParameter(pVD1, 1.0f);
    host.setParameter(pVS, 0.0f);
    host.setParameter(pVD2, 0.0f);
    host.setParameter(pVNotes, notes);
    host.setParameter(pFA, 1.0f);
    host.setParameter(pFNotes, 0.0f);
}

TEST(Retrigger, CountPerStepAndSpacing) {
    const struct {
        float notes;
        int count;
    } cases[] = {{0.0f, 1}, {0.5f, 8}, {1.0f, 16}, {0.06666667f, 2}, {0.2f, 4},
                 // 20 x 0.01 as a float: one step below 0.2, three starts
                 {floatFromBits(0x3E4CCCCC), 3}};
    for (const auto& c : cases) {
        TestHost host;
        ASSERT_NE(host.open(), nullptr);
        setFastGate(host, c.notes);
        // Run up to just before step 1, so the next block starts with the
        // step change that loads the period.
        StereoBuffer lead(44099 - 1000, 1.0f);
        host.processAt(1000.0, lead);
        const auto starts = amplitudeStarts(host, 44099.0, 44100 + 1);
        // Frame 0 of the block is the last of step 0; the step starts at 1.
        const int period = 44100 / c.count;
        std::vector<int> expected;
        for (int k = 0; k < c.count; ++k) expected.push_back(1 + k * (period + 1));
        EXPECT_EQ(starts, expected) << "notes " << c.notes;
    }
}

TEST(Retrigger, NoteCountOfAStepFollowsValuesStoredBeforeItsChoice) {
    TestHost host;
    ASSERT_NE(host.open(), nullptr);
    setFastGate(host, 0.0f);
    StereoBuffer lead(40000, 1.0f);
    host.processAt(4000.0, lead);
    // Step 1 (odd) is chosen in "AUTO": its own count is still the single
    // start of vnotes 0, while the chosen pattern's notes set step 2's count.
    host.setParameter(pRndSw, kAuto);
    StereoBuffer crossing(200, 1.0f);
    host.processAt(44000.0, crossing);
    const float chosenNotes = host.getParameter(pVNotes);
    // Back to the probing gate for step 2, keeping the chosen notes.
    setFastGate(host, chosenNotes);
    StereoBuffer rest(44100 - 100 - 1, 1.0f);
    host.processAt(44200.0, rest);
    const auto starts = amplitudeStarts(host, 88199.0, 44100 + 1);
    const int count = 1 + static_cast<int>(15.0 * static_cast<double>(chosenNotes));
    EXPECT_EQ(starts.size(), static_cast<std::size_t>(count)) << "notes " << chosenNotes;
}

// ---- the output ----------------------------------------------------------------

TEST_F(AudioPath, IdenticalChannelsGiveIdenticalOutput) {
    for (float mode : {kManual, kRandom, kAuto}) {
        TestHost h;
        ASSERT_NE(h.open(), nullptr);
        h.setParameter(pRndSw, mode);
        h.setParameter(pTempo, 1.0f);
        for (int block = 0; block < 40; ++block) {
            StereoBuffer buffer = testSignal(1000, block);
            buffer.right = buffer.left;
            h.processAt(5000.0 + block * 1000, buffer);
            ASSERT_EQ(buffer.left, buffer.right) << "mode " << mode << " block " << block;
        }
    }
}

TEST(Output, InPlaceEqualsSeparateBuffers) {
    TestHost inPlace, separate;
    ASSERT_NE(inPlace.open(), nullptr);
    ASSERT_NE(separate.open(), nullptr);
    for (TestHost* h : {&inPlace, &separate}) {
        h->setParameter(pRndSw, kRandom);
        h->setParameter(pTempo, 1.0f);
    }
    for (int block = 0; block < 60; ++block) {
        const double position = 777.0 + block * 997;
        StereoBuffer a = testSignal(997, block);
        StereoBuffer input = a, output(997);
        inPlace.processAt(position, a);
        separate.processAt(position, input, output);
        ASSERT_EQ(a.left, output.left) << block;
        ASSERT_EQ(a.right, output.right) << block;
    }
}

TEST_F(AudioPath, ClosedGateSettlesOnExactZeroNotOnSubnormals) {
    host.setParameter(pRndSw, kManual);
    host.setParameter(pVA, 0.0f);  // the gate never opens after a restart
    StereoBuffer warmup(1000, 1.0f);
    host.processAt(50000.0, warmup);
    // The step change at 88200 restarts the gate closed; the filter drains.
    StereoBuffer tail(20000, 1.0f);
    host.processAt(88100.0, tail);
    bool reachedZero = false;
    for (int i = 0; i < tail.frames(); ++i) {
        for (float sample : {tail.left[i], tail.right[i]})
            ASSERT_NE(std::fpclassify(sample), FP_SUBNORMAL) << "frame " << i;
        reachedZero = reachedZero || tail.left[i] == 0.0f;
    }
    EXPECT_TRUE(reachedZero);
    EXPECT_EQ(tail.left.back(), 0.0f);
}

TEST_F(AudioPath, ClosedFilterHoldsTheLastOutput) {
    host.setParameter(pRndSw, kManual);
    host.setParameter(pFA, 0.0f);
    host.setParameter(pTempo, 1.0f);  // 11025 frames per step
    StereoBuffer block = testSignal(12000);
    host.processAt(1.0, block);
    // The step change at 11025 restarts the filter at 0, and with no attack
    // it stays closed: the output holds.
    const int stepChange = 11025 - 1;
    for (int i = stepChange; i < 12000; ++i) ASSERT_EQ(block.left[i], block.left[stepChange - 1]) << i;
}

TEST_F(AudioPath, EveryBlockAsksForTimeOnceWithTheOptionalFieldsMask) {
    for (int frames : {0, 1, 512, -5}) {
        host.clearCalls();
        StereoBuffer block(frames > 0 ? frames : 0);
        float** channels = block.channels();
        host.timeInfo.samplePos = 1234.0;
        host.process(channels, channels, frames);
        const auto calls = host.calls();
        ASSERT_EQ(calls.size(), 1u) << frames;
        EXPECT_EQ(calls[0].opcode, audioMasterGetTime);
        EXPECT_EQ(calls[0].value, 0xfe00);
        EXPECT_EQ(calls[0].effect, host.effect());
    }
}

TEST_F(AudioPath, WithoutTimeInfoBlocksFollowEachOther) {
    // A host without time information gets the same audio as one that
    // reports positions advancing by the block size.
    TestHost reporting;
    ASSERT_NE(reporting.open(), nullptr);
    host.answerTimeInfo = false;
    for (TestHost* h : {&host, &reporting}) h->setParameter(pTempo, 1.0f);
    double position = 0.0;
    // The first block of both stands at 0; later ones move on.
    for (int block = 0; block < 50; ++block) {
        const int frames = 100 + (block * 37) % 400;
        StereoBuffer a = testSignal(frames, block), b = a;
        host.processAt(0.0, a);
        reporting.processAt(position, b);
        ASSERT_EQ(a.left, b.left) << block;
        ASSERT_EQ(a.right, b.right) << block;
        position += frames;
    }
}

}  // namespace
