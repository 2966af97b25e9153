// The filter side of the audio path: the one-pole low-pass of each channel,
// what it keeps of a state, and the paired implementation against the plain
// one.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <random>

#include "effect/low_pass.h"

namespace {

std::uint32_t bitsOf(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof(bits));
    return bits;
}

TEST(FilterState, NonFiniteAndSubnormalBecomeZero) {
    const double cases[] = {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                            std::numeric_limits<double>::quiet_NaN(), 1e39, -1e39,
                            static_cast<double>(std::numeric_limits<float>::denorm_min()),
                            -static_cast<double>(std::numeric_limits<float>::min()) / 2};
    for (double next : cases) {
        const float state = settleFilterState(next);
        EXPECT_EQ(bitsOf(state), 0u) << next;
    }
    // Normal values, the smallest included, are kept as rounded.
    EXPECT_EQ(settleFilterState(static_cast<double>(std::numeric_limits<float>::min())),
              std::numeric_limits<float>::min());
    EXPECT_EQ(settleFilterState(0.1), 0.1f);
    EXPECT_EQ(settleFilterState(-0.75), -0.75f);
}

TEST(FilterState, LowPassKnownAnswers) {
    // Checked once against a separate calculation in double precision,
    // rounded once; rounding every step to float instead would give
    // 0xBCE8C68F and 0x3D38D11C.
    const struct {
        float input, gain, coefficient, lfo, state;
        std::uint32_t bits;
    } cases[] = {
        {0.3f, 0.7f, 0.45f, 0.93f, -0.2f, 0xBCE8C695u},
        {0.123f, 0.456f, 0.789f, 0.95f, 0.0123f, 0x3D38D11Bu},
        // A closed filter holds its state exactly.
        {0.9f, 1.0f, 0.0f, 0.95f, -0.2f, 0xBE4CCCCDu},
    };
    for (const auto& c : cases)
        EXPECT_EQ(bitsOf(lowPass(c.input, c.gain, c.coefficient, c.lfo, c.state)), c.bits) << c.input;
}

TEST(StereoLowPass, TheChosenImplementationGivesThePortableBits) {
    // Random settings and inputs, with now and then a value that must be
    // settled (an infinity, a NaN, a subnormal).
    std::mt19937 random(11);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    const float odd[] = {std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN(),
                         std::numeric_limits<float>::denorm_min(), 1e30f};
    const StereoLowPassState start{0.25f, -0.5f};
    StereoLowPass chosen = StereoLowPass::load(start);
    PortableStereoLowPass portable = PortableStereoLowPass::load(start);
    for (int frame = 0; frame < 20000; ++frame) {
        float left = unit(random), right = unit(random);
        if (frame % 997 == 0) left = odd[(frame / 997) % 4];
        if (frame % 1009 == 0) right = odd[(frame / 1009 + 1) % 4];
        const double gain = static_cast<float>(unit(random) + 1.0f);
        const double coefficient = static_cast<float>((unit(random) + 1.0f) / 2);
        const double lfo = static_cast<float>(0.92f + (unit(random) + 1.0f) * 0.04f);
        float outChosen[2], outPortable[2];
        chosen.run(left, right, gain, coefficient, lfo, &outChosen[0], &outChosen[1]);
        portable.run(left, right, gain, coefficient, lfo, &outPortable[0], &outPortable[1]);
        ASSERT_EQ(bitsOf(outChosen[0]), bitsOf(outPortable[0])) << "frame " << frame;
        ASSERT_EQ(bitsOf(outChosen[1]), bitsOf(outPortable[1])) << "frame " << frame;
    }
    StereoLowPassState stored{}, storedPortable{};
    chosen.store(stored);
    portable.store(storedPortable);
    EXPECT_EQ(bitsOf(stored.left), bitsOf(storedPortable.left));
    EXPECT_EQ(bitsOf(stored.right), bitsOf(storedPortable.right));
}

}  // namespace
