// The envelope that the audio path runs, driven frame by frame: how long an
// attack takes, how the decays combine, where the levels stop, and where a
// stage whose rate is 0 still ends.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "effect/envelope.h"

namespace {

// An envelope's stage, level, floor and four rate parameters, advanced one
// frame at a time through the shipped Envelope.
struct Probe {
    std::int32_t stage = kAttack;
    float level = 0.0f;
    float floor = kAmpFloor;
    float attack = 0.0f, decay1 = 0.0f, breakLevel = 0.0f, decay2 = 0.0f;

    void advance() {
        Envelope envelope = Envelope::load(EnvelopeState{stage, level, 0, 0}, floor);
        envelope.setRates(EnvelopeRates::of(attack, decay1, breakLevel, decay2));
        envelope.advance();
        EnvelopeState state{};
        envelope.store(state);
        stage = state.stage;
        level = state.level;
    }
};

TEST(Envelope, AttackReachesOneInTheKnownFrame) {
    // Counting the restart frame as the first.
    const struct {
        float rate;
        int frame;
    } cases[] = {{1.0f, 257}, {0.5f, 1025}, {0.25f, 4097}, {0.1f, 25607}};
    for (const auto& c : cases) {
        Probe envelope;
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
    Probe envelope;
    for (int i = 0; i < 1000; ++i) envelope.advance();
    EXPECT_EQ(envelope.stage, kAttack);
    EXPECT_EQ(envelope.level, 0.0f);
}

// One frame of the first decay: the level falls by both rates; crossing the
// break level leaves it below by the second rate; crossing both levels at
// once finishes.
TEST(Envelope, FirstDecayFrame) {
    const float afterFirst = static_cast<float>(1.0 - envelopeIncrement(0.5f));
    const struct {
        const char* what;
        float level, decay1, decay2, breakLevel;
        std::int32_t stageAfter;
        float levelAfter;
    } cases[] = {
        {"falls by both rates", 1.0f, 0.5f, 0.25f, 0.2f, kFirstDecay,
         static_cast<float>(static_cast<double>(afterFirst) - envelopeIncrement(0.25f))},
        // One decay-1 step reaches below 0.499.
        {"crosses the break level", 0.5f, 1.0f, 0.5f, 0.499f, kSecondDecay,
         static_cast<float>(static_cast<double>(0.499f) - envelopeIncrement(0.5f))},
        {"crosses both levels", 0.001f, 1.0f, 1.0f, 0.0005f, kFinished, 0.0f},
    };
    for (const auto& c : cases) {
        Probe envelope;
        envelope.stage = kFirstDecay;
        envelope.level = c.level;
        envelope.decay1 = c.decay1;
        envelope.decay2 = c.decay2;
        envelope.breakLevel = c.breakLevel;
        envelope.advance();
        EXPECT_EQ(envelope.level, c.levelAfter) << c.what;
        EXPECT_EQ(envelope.stage, c.stageAfter) << c.what;
    }
}

TEST(Envelope, FloorsDifferForAmplitudeAndFilter) {
    for (float floor : {kAmpFloor, kFilterFloor}) {
        Probe envelope;
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
        Probe envelope;
        envelope.stage = stage;
        envelope.level = 0.25f;
        envelope.attack = envelope.decay1 = envelope.decay2 = 1.0f;
        envelope.advance();
        EXPECT_EQ(envelope.level, 0.25f) << "stage " << stage;
        EXPECT_EQ(envelope.stage, stage);
    }
}

// A level that is set rather than rounded (the attack's 1, a break level) can
// lie above the values the envelope last rounded; the decays that fall from
// it must still round exactly as the conversion to float does.
TEST(Envelope, DecaysRoundExactlyFromSetLevels) {
    const auto toFloat = [](double value) { return static_cast<float>(value); };
    for (float rate : {0.25f, 0.3f, 0.35f, 0.4f, 0.45f, 0.55f, 0.7f}) {
        const double d1 = envelopeIncrement(0.5f), d2 = envelopeIncrement(rate);
        // Loaded at 0.3 in the first decay, which ends at once at a break
        // level of 0.9, raised above it; the second decay goes on from there.
        Envelope raised = Envelope::load(EnvelopeState{kFirstDecay, 0.3f, 1000, 1000}, kAmpFloor);
        raised.setRates(EnvelopeRates::of(1.0f, 0.5f, 0.9f, rate));
        raised.advance();
        EXPECT_EQ(raised.level(), toFloat(static_cast<double>(0.9f) - d2)) << rate;
        // Loaded at 0.3, restarted, through the attack to 1, then one frame
        // of the first decay.
        Envelope restarted = Envelope::load(EnvelopeState{kFirstDecay, 0.3f, 0, 1000}, kAmpFloor);
        restarted.setRates(EnvelopeRates::of(1.0f, 0.5f, 0.0f, rate));
        restarted.countDown();
        for (int frame = 0; frame < 300 && restarted.stage() == kAttack; ++frame) restarted.advance();
        ASSERT_EQ(restarted.level(), 1.0);
        restarted.advance();
        EXPECT_EQ(restarted.level(), toFloat(toFloat(1.0 - d1) - d2)) << rate;
    }
}

// A stage whose increment is 0 skips its arithmetic, but not its comparison:
// level + 0 and level - 0 are the level itself, so the stage still ends
// wherever the level already stands beyond its limit.
TEST(HeldEnvelope, StillEndsItsStageWhereTheLevelStands) {
    const struct {
        const char* what;
        std::int32_t stage;
        float level, breakLevel;
        std::int32_t stageAfter;
        float levelAfter;
    } cases[] = {
        // An attack rounded up to exactly 1 reaches 1 at its next frame.
        {"attack at 1", kAttack, 1.0f, 0.0f, kFirstDecay, 1.0f},
        {"attack below 1", kAttack, 0.99999994f, 0.0f, kAttack, 0.99999994f},
        // A break level raised above the level ends the first decay at once.
        {"first decay below the break", kFirstDecay, 0.3f, 0.5f, kSecondDecay, 0.5f},
        {"first decay above the break", kFirstDecay, 0.6f, 0.5f, kFirstDecay, 0.6f},
        // A second decay below its floor (a break level under it) ends.
        {"second decay below the floor", kSecondDecay, 0.005f, 0.0f, kFinished, kFilterFloor},
    };
    for (const auto& c : cases) {
        Probe envelope;
        envelope.floor = kFilterFloor;
        envelope.stage = c.stage;
        envelope.level = c.level;
        envelope.breakLevel = c.breakLevel;
        envelope.advance();
        EXPECT_EQ(envelope.stage, c.stageAfter) << c.what;
        EXPECT_EQ(envelope.level, c.levelAfter) << c.what;
    }
}

// Restarts on the countdown and at a step: a countdown loaded with P runs
// out P + 1 frames later, and a step divides its frames by the starts.
TEST(EnvelopeCountdown, RestartsEveryPeriodPlusOneFrames) {
    Envelope envelope = Envelope::load(EnvelopeState{kFinished, 0.7f, 5, 5}, kAmpFloor);
    envelope.startStep(37800, 8);
    EnvelopeState state{};
    envelope.store(state);
    EXPECT_EQ(state.period, 4725);
    EXPECT_EQ(state.countdown, 4725);
    EXPECT_EQ(state.stage, kAttack);
    EXPECT_EQ(state.level, 0.0f);

    envelope = Envelope::load(EnvelopeState{kFinished, 0.7f, 2, 2}, kAmpFloor);
    int restartedAt = 0;
    for (int frame = 1; frame <= 3 && restartedAt == 0; ++frame) {
        envelope.countDown();
        if (envelope.stage() == kAttack) restartedAt = frame;
    }
    EXPECT_EQ(restartedAt, 3);
    envelope.store(state);
    EXPECT_EQ(state.countdown, 2);
}

}  // namespace
