// The demo signal: the same samples however it is read, a chord that is
// there from start to end, and channels that differ.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tools/quillbeat-render/demo_signal.h"

namespace {

struct Channels {
    std::vector<float> left, right;
};

Channels readAll(DemoSignal& demo, int blockSize) {
    Channels all;
    std::vector<float> left(static_cast<std::size_t>(blockSize));
    std::vector<float> right(left.size());
    float* channels[] = {left.data(), right.data()};
    for (int n; (n = demo.read(channels, blockSize)) > 0;) {
        all.left.insert(all.left.end(), left.begin(), left.begin() + n);
        all.right.insert(all.right.end(), right.begin(), right.begin() + n);
    }
    return all;
}

TEST(DemoSignal, IsTheSameWhateverTheBlockSize) {
    DemoSignal whole(1.0, 2);
    const Channels reference = readAll(whole, 44100);
    ASSERT_EQ(reference.left.size(), 44100u);
    for (int blockSize : {1, 7, 512, 4096, 100000}) {
        DemoSignal demo(1.0, 2);
        const Channels blocks = readAll(demo, blockSize);
        EXPECT_EQ(blocks.left, reference.left) << "block " << blockSize;
        EXPECT_EQ(blocks.right, reference.right) << "block " << blockSize;
    }
}

TEST(DemoSignal, LastsAsAskedAndFadesAtBothEnds) {
    for (double seconds : {0.25, 2.0, 10.0}) {
        DemoSignal demo(seconds, 2);
        EXPECT_EQ(demo.frames(), std::llround(seconds * 44100));
        const Channels all = readAll(demo, 512);
        ASSERT_EQ(static_cast<std::int64_t>(all.left.size()), demo.frames().value_or(-1));
        EXPECT_EQ(all.left.front(), 0.0f);
        EXPECT_EQ(all.right.front(), 0.0f);
        // The last frame is one frame before silence.
        EXPECT_LT(std::fabs(all.left.back()), 0.01f);
        float peak = 0.0f;
        for (float s : all.left) peak = std::max(peak, std::fabs(s));
        EXPECT_GT(peak, 0.2f);
        EXPECT_LT(peak, 1.0f);
    }
}

TEST(DemoSignal, IsSustainedAndStereo) {
    DemoSignal demo(4.0, 2);
    const Channels all = readAll(demo, 1024);
    // Every 100 ms window after the fade-in carries the chord at much the
    // same level.
    double lowest = 1.0;
    double highest = 0.0;
    for (std::size_t start = 4410; start + 4410 <= all.left.size() - 4410; start += 4410) {
        double sum = 0.0;
        for (std::size_t i = start; i < start + 4410; ++i) sum += static_cast<double>(all.left[i]) * all.left[i];
        const double level = std::sqrt(sum / 4410);
        lowest = std::min(lowest, level);
        highest = std::max(highest, level);
    }
    EXPECT_GT(lowest, 0.05);
    EXPECT_LT(highest / lowest, 1.5);
    EXPECT_NE(all.left, all.right);
}

}  // namespace
