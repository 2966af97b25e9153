// The test signal the DAW test feeds the plug-in under test: two triangle
// waves, one per channel, at half scale, as a function of how many frames came
// before. Every value is a ratio of small whole numbers rounded once, so the
// signal is the same bits wherever it is computed, and none is subnormal.
#pragma once

#include <cstdint>

namespace test_signal {

// One channel's sample at frame `frame`: a triangle with the given period.
inline float triangle(std::uint64_t frame, std::uint32_t period) {
    const auto phase = static_cast<std::int64_t>(frame % period);
    const std::int64_t half = period / 2;
    const std::int64_t rising = phase < half ? phase : period - phase;  // 0 .. half
    return static_cast<float>(static_cast<double>(2 * rising - half) / static_cast<double>(2 * half));
}

constexpr std::uint32_t kLeftPeriod = 218;   // about 220 Hz at 48 kHz
constexpr std::uint32_t kRightPeriod = 327;  // a fifth above

// Writes `frames` frames of both channels, starting at frame `first`.
inline void fill(float* left, float* right, std::uint64_t first, int frames) {
    for (int i = 0; i < frames; ++i) {
        left[i] = triangle(first + static_cast<std::uint64_t>(i), kLeftPeriod);
        right[i] = triangle(first + static_cast<std::uint64_t>(i), kRightPeriod);
    }
}

}  // namespace test_signal
