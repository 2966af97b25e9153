// The filter side of the audio path: the one-pole low-pass of each channel,
// what it keeps of a state, the paired implementation against the plain one,
// and the triangle oscillator that sways its coefficient.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>

#include "effect/low_pass.h"
#include "effect/triangle_lfo.h"

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

TEST(FilterState, LowPassFollowsTheWrittenOrder) {
    // ((L * gain - s) * coefficient) * lfo + s, in double, rounded once.
    const float input = 0.3f, gain = 0.7f, coefficient = 0.45f, lfo = 0.93f, state = -0.2f;
    const double expected = ((static_cast<double>(input) * gain - state) * coefficient) * lfo + state;
    EXPECT_EQ(lowPass(input, gain, coefficient, lfo, state), static_cast<float>(expected));
    // A closed filter holds its state exactly.
    EXPECT_EQ(lowPass(0.9f, 1.0f, 0.0f, 0.95f, state), state);
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

TEST(TriangleLfo, SwingsFromOneTo092AndBackEvery25600Frames) {
    TriangleLfo lfo = TriangleLfo::load(TriangleLfoState{0, 160000, -1, 12800});
    double lowest = 1.0, highest = 0.0, valueAt12800 = 0.0, valueAt25600 = 0.0;
    for (int frame = 1; frame <= 25600; ++frame) {
        const double value = lfo.advance();
        lowest = std::min(lowest, value);
        highest = std::max(highest, value);
        if (frame == 12800) valueAt12800 = value;
        if (frame == 25600) valueAt25600 = value;
    }
    EXPECT_EQ(valueAt12800, static_cast<double>(static_cast<float>(147200 * static_cast<double>(6.25e-6f))));
    EXPECT_EQ(lowest, valueAt12800);
    EXPECT_EQ(valueAt25600, 1.0);
    EXPECT_EQ(highest, 1.0);
    TriangleLfoState state{};
    lfo.store(state);
    EXPECT_EQ(state.accumulator, 160000);
    EXPECT_EQ(state.direction, -1);
    EXPECT_EQ(state.counter, 0);
}

}  // namespace
