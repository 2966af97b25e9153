// The envelope, oscillator-free arithmetic of the audio path, driven frame by
// frame: how long an attack takes, how the decays combine, where the levels
// stop, and what the filter keeps.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "effect/envelope.h"

namespace {


struct Envelope {
    std::int32_t stage = kAttack;
    float level = 0.0f;
    float floor = kAmpFloor;
    float attack = 0.0f, decay1 = 0.0f, breakLevel = 0.0f, decay2 = 0.0f;

    void advance() {
        advanceEnvelope(
            stage, level, floor, [&] { return attack; }, [&] { return decay1; }, [&] { return breakLevel; },
            [&] { return decay2; });
    }
};

TEST(Envelope, AttackReachesOneInTheKnownFrame) {
    // Counting the restart frame as the first.
    const struct {
        float rate;
        int frame;
    } cases[] = {{1.0f, 257}, {0.5f, 1025}, {0.25f, 4097}, {0.1f, 25607}};
    for (const auto& c : cases) {
        Envelope envelope;
        envelope.attack = c.rate;
        int frame = 0;
        while (envelope.stage == kAttack && frame < 100000) {
            envelope.advance();
            ++frame;
        }
        EXPECT_EQ(frame, c.frame) << "rate " << c.rate;
        EXPECT_EQ(envelope.level, 1.0f);
        EXPECT_EQ(envelope.stage, kFirstDecay);
    }
}

TEST(Envelope, IncrementIsTheSquaredRateScaledInDouble) {
    // (x * 100)^2 * 3.90625e-7 with the constant as its nearest float.
    EXPECT_EQ(envelopeIncrement(0.0f), 0.0);
    EXPECT_EQ(envelopeIncrement(1.0f), 10000.0 * static_cast<double>(3.90625e-7f));
    EXPECT_EQ(envelopeIncrement(-1.0f), envelopeIncrement(1.0f));
    EXPECT_EQ(envelopeIncrement(std::numeric_limits<float>::quiet_NaN()), 0.0);
}

TEST(Envelope, ZeroAttackHoldsTheLevel) {
    Envelope envelope;
    for (int i = 0; i < 1000; ++i) envelope.advance();
    EXPECT_EQ(envelope.stage, kAttack);
    EXPECT_EQ(envelope.level, 0.0f);
}

TEST(Envelope, FirstDecayFallsByBothRates) {
    Envelope envelope;
    envelope.stage = kFirstDecay;
    envelope.level = 1.0f;
    envelope.decay1 = 0.5f;
    envelope.decay2 = 0.25f;
    envelope.breakLevel = 0.2f;
    envelope.advance();
    const float afterFirst = static_cast<float>(1.0 - envelopeIncrement(0.5f));
    const float expected = static_cast<float>(static_cast<double>(afterFirst) - envelopeIncrement(0.25f));
    EXPECT_EQ(envelope.level, expected);
    EXPECT_EQ(envelope.stage, kFirstDecay);
}

TEST(Envelope, CrossingTheBreakLevelEndsBelowItBySecondRate) {
    Envelope envelope;
    envelope.stage = kFirstDecay;
    envelope.level = 0.5f;
    envelope.decay1 = 1.0f;
    envelope.decay2 = 0.5f;
    envelope.breakLevel = 0.499f;  // one decay-1 step reaches below it
    envelope.advance();
    EXPECT_EQ(envelope.stage, kSecondDecay);
    EXPECT_EQ(envelope.level, static_cast<float>(static_cast<double>(0.499f) - envelopeIncrement(0.5f)));
}

TEST(Envelope, CrossingBothLevelsInOneFrameFinishes) {
    Envelope envelope;
    envelope.stage = kFirstDecay;
    envelope.level = 0.001f;
    envelope.decay1 = 1.0f;
    envelope.decay2 = 1.0f;
    envelope.breakLevel = 0.0005f;
    envelope.advance();
    EXPECT_EQ(envelope.stage, kFinished);
    EXPECT_EQ(envelope.level, 0.0f);
}

TEST(Envelope, FloorsDifferForAmplitudeAndFilter) {
    for (float floor : {kAmpFloor, kFilterFloor}) {
        Envelope envelope;
        envelope.floor = floor;
        envelope.stage = kSecondDecay;
        envelope.level = 0.3f;
        envelope.decay2 = 1.0f;
        int frames = 0;
        while (envelope.stage != kFinished && frames < 10000) {
            envelope.advance();
            ++frames;
            EXPECT_GE(envelope.level, floor);
        }
        EXPECT_EQ(envelope.level, floor);
        // A finished envelope stays where it is.
        envelope.advance();
        EXPECT_EQ(envelope.level, floor);
    }
    EXPECT_EQ(kFilterFloor, 0.01f);
}

TEST(Envelope, UnknownStagesLeaveTheLevel) {
    for (std::int32_t stage : {0, 4, 5, -1}) {
        Envelope envelope;
        envelope.stage = stage;
        envelope.level = 0.25f;
        envelope.attack = envelope.decay1 = envelope.decay2 = 1.0f;
        envelope.advance();
        EXPECT_EQ(envelope.level, 0.25f) << "stage " << stage;
        EXPECT_EQ(envelope.stage, stage);
    }
}

TEST(FilterState, NonFiniteAndSubnormalBecomeZero) {
    const double cases[] = {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                            std::numeric_limits<double>::quiet_NaN(), 1e39, -1e39,
                            static_cast<double>(std::numeric_limits<float>::denorm_min()),
                            -static_cast<double>(std::numeric_limits<float>::min()) / 2};
    for (double next : cases) {
        const float state = settleFilterState(next);
        std::uint32_t bits;
        std::memcpy(&bits, &state, sizeof(bits));
        EXPECT_EQ(bits, 0u) << next;
    }
    // Normal values, the smallest included, are kept as rounded.
    EXPECT_EQ(settleFilterState(static_cast<double>(std::numeric_limits<float>::min())),
              std::numeric_limits<float>::min());
    EXPECT_EQ(settleFilterState(0.1), 0.1f);
    EXPECT_EQ(settleFilterState(-0.75), -0.75f);
}

TEST(FilterState, LowPassFollowsTheWrittenOrder) {
    // ((L * gain - s) * coefficient) * lfo + s, in double, rounded once.
    const float input = 0.3f, gain = 0.7f, coefficient = 0.45f, lfo = 0.93f, state = -0.2f;
    const double expected = ((static_cast<double>(input) * gain - state) * coefficient) * lfo + state;
    EXPECT_EQ(lowPass(input, gain, coefficient, lfo, state), static_cast<float>(expected));
    // A closed filter holds its state exactly.
    EXPECT_EQ(lowPass(0.9f, 1.0f, 0.0f, 0.95f, state), state);
}

}  // namespace
