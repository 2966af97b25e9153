// The triangle oscillator that sways the filter's coefficient.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>

#include "effect/triangle_lfo.h"

namespace {

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
    // 147200 x 6.25e-6, rounded to float: a known answer, checked once
    // against a separate calculation.
    EXPECT_EQ(valueAt12800, static_cast<double>(std::bit_cast<float>(0x3F6B851Eu)));
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
