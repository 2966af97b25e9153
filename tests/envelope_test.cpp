// The envelope that the audio path runs, driven frame by frame: how long an
// attack takes, how the decays combine, where the levels stop, and where a
// stage whose rate is 0 still ends.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>

#include "effect/envelope.h"

namespace {

// An envelope's stage, level, floor level and four rate parameters, advanced one
// frame at a time through the shipped Envelope.
struct Probe {
    std::int32_t stage = kAttack;
    float level = 0.0f;
    float floorLevel = kAmpFloor;
    float attack = 0.0f, decay1 = 0.0f, breakLevel = 0.0f, decay2 = 0.0f;

    void advance() {
        Envelope envelope = Envelope::load(EnvelopeState{stage, level, 0, 0}, floorLevel);
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

TEST(Envelope, IncrementKnownAnswers) {
    // The doubles' bits, checked once against a separate calculation.
    const struct {
        float rate;
        std::uint64_t bits;
    } cases[] = {{1.0f, 0x3F6FFFFFF2700000u},  {0.5f, 0x3F4FFFFFF2700000u},
                 {0.25f, 0x3F2FFFFFF2700000u}, {0.1f, 0x3F047AE1493D70A1u},
                 {-1.0f, 0x3F6FFFFFF2700000u}, {0.0f, 0u},
                 {std::numeric_limits<float>::quiet_NaN(), 0u}};
    for (const auto& c : cases) EXPECT_EQ(std::bit_cast<std::uint64_t>(envelopeIncrement(c.rate)), c.bits) << c.rate;
}

TEST(Envelope, ZeroAttackHoldsTheLevel) {
    Probe envelope;
    for (int i = 0; i < 1000; ++i) envelope.advance();
    EXPECT_EQ(envelope.stage, kAttack);
    EXPECT_EQ(envelope.level, 0.0f);
}

// One frame from a given stage and level. The first decay falls by both
// rates; crossing the break level leaves it below by the second rate;
// crossing both levels at once finishes. A stage whose increment is 0 skips
// its arithmetic but not its comparison: level + 0 and level - 0 are the
// level itself, so the stage still ends wherever the level already stands
// beyond its limit. The levels after are known answers, checked once
// against a separate calculation.
TEST(Envelope, OneFrameFromAGivenStage) {
    const struct {
        const char* what;
        std::int32_t stage;
        float level, decay1, decay2, breakLevel, floorLevel;
        std::int32_t stageAfter;
        std::uint32_t levelAfter;
    } cases[] = {
        {"first decay falls by both rates", kFirstDecay, 1.0f, 0.5f, 0.25f, 0.2f, kAmpFloor, kFirstDecay, 0x3F7FB000u},
        // One decay-1 step reaches below 0.499.
        {"first decay crosses the break level", kFirstDecay, 0.5f, 1.0f, 0.5f, 0.499f, kAmpFloor, kSecondDecay,
         0x3EFEFCEEu},
        {"first decay crosses both levels", kFirstDecay, 0.001f, 1.0f, 1.0f, 0.0005f, kAmpFloor, kFinished, 0u},
        // An attack rounded up to exactly 1 reaches 1 at its next frame.
        {"held attack at 1", kAttack, 1.0f, 0.0f, 0.0f, 0.0f, kFilterFloor, kFirstDecay, 0x3F800000u},
        {"held attack below 1", kAttack, 0.99999994f, 0.0f, 0.0f, 0.0f, kFilterFloor, kAttack, 0x3F7FFFFFu},
        // A break level raised above the level ends the first decay at once.
        {"held first decay below the break", kFirstDecay, 0.3f, 0.0f, 0.0f, 0.5f, kFilterFloor, kSecondDecay,
         0x3F000000u},
        {"held first decay above the break", kFirstDecay, 0.6f, 0.0f, 0.0f, 0.5f, kFilterFloor, kFirstDecay,
         0x3F19999Au},
        // A second decay below its floor (a break level under it) ends.
        {"held second decay below the floor", kSecondDecay, 0.005f, 0.0f, 0.0f, 0.0f, kFilterFloor, kFinished,
         0x3C23D70Au},
    };
    for (const auto& c : cases) {
        Probe envelope;
        envelope.stage = c.stage;
        envelope.level = c.level;
        envelope.decay1 = c.decay1;
        envelope.decay2 = c.decay2;
        envelope.breakLevel = c.breakLevel;
        envelope.floorLevel = c.floorLevel;
        envelope.advance();
        EXPECT_EQ(envelope.stage, c.stageAfter) << c.what;
        EXPECT_EQ(std::bit_cast<std::uint32_t>(envelope.level), c.levelAfter) << c.what;
    }
}

TEST(Envelope, FloorsDifferForAmplitudeAndFilter) {
    for (float floorLevel : {kAmpFloor, kFilterFloor}) {
        Probe envelope;
        envelope.floorLevel = floorLevel;
        envelope.stage = kSecondDecay;
        envelope.level = 0.3f;
        envelope.decay2 = 1.0f;
        int frames = 0;
        while (envelope.stage != kFinished && frames < 10000) {
            envelope.advance();
            ++frames;
            EXPECT_GE(envelope.level, floorLevel);
        }
        EXPECT_EQ(envelope.level, floorLevel);
        // A finished envelope stays where it is.
        envelope.advance();
        EXPECT_EQ(envelope.level, floorLevel);
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
// it must still round exactly as the conversion to float does. The levels
// are known answers, checked once against a separate calculation.
TEST(Envelope, DecaysRoundExactlyFromSetLevels) {
    const struct {
        float rate;
        std::uint32_t fromBreak, fromAttack;
    } cases[] = {{0.25f, 0x3F665666u, 0x3F7FB000u}, {0.3f, 0x3F664F5Cu, 0x3F7FA8F6u},
                 {0.35f, 0x3F66470Au, 0x3F7FA0A4u}, {0.4f, 0x3F663D70u, 0x3F7F970Au},
                 {0.45f, 0x3F66328Fu, 0x3F7F8C29u}, {0.55f, 0x3F6618F5u, 0x3F7F728Fu},
                 {0.7f, 0x3F65E8F5u, 0x3F7F428Fu}};
    const auto bits = [](const Envelope& envelope) {
        return std::bit_cast<std::uint32_t>(static_cast<float>(envelope.level()));
    };
    for (const auto& c : cases) {
        // Loaded at 0.3 in the first decay, which ends at once at a break
        // level of 0.9, raised above it; the second decay goes on from there.
        Envelope raised = Envelope::load(EnvelopeState{kFirstDecay, 0.3f, 1000, 1000}, kAmpFloor);
        raised.setRates(EnvelopeRates::of(1.0f, 0.5f, 0.9f, c.rate));
        raised.advance();
        EXPECT_EQ(bits(raised), c.fromBreak) << c.rate;
        // Loaded at 0.3, restarted, through the attack to 1, then one frame
        // of the first decay.
        Envelope restarted = Envelope::load(EnvelopeState{kFirstDecay, 0.3f, 0, 1000}, kAmpFloor);
        restarted.setRates(EnvelopeRates::of(1.0f, 0.5f, 0.0f, c.rate));
        restarted.countDown();
        for (int frame = 0; frame < 300 && restarted.stage() == kAttack; ++frame) restarted.advance();
        ASSERT_EQ(restarted.level(), 1.0);
        restarted.advance();
        EXPECT_EQ(bits(restarted), c.fromAttack) << c.rate;
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
