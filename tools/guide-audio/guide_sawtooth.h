// The sound every picture of docs/guide.md is drawn from, and where the
// preset gallery's pictures start: shared by guide-audio, which writes the
// pictures' input, and guide-facts, which measures the presets on it.
#pragma once

#include <cstdint>

// A sawtooth of 100 frames a period (441 Hz at 44.1 kHz) from -0.5 to 0.49:
// steady, so the output's outline is the effect's envelope, and bright, so
// the low-pass filter shows. A division and a subtraction, both rounded the
// same way everywhere, so its samples are the same on every machine.
inline float guideSawtooth(std::int64_t frame) {
    constexpr std::int64_t kPeriod = 100;
    const double ramp = static_cast<double>(frame % kPeriod) / static_cast<double>(kPeriod);
    return static_cast<float>(ramp - 0.5);
}

// The gallery's pictures start at frame 44100 x 120, two minutes in at
// 44.1 kHz: every step of a whole number of frames at 44.1 kHz divides it,
// so a step starts there at every preset's tempo.
inline constexpr std::int64_t kGalleryStartFrame = 5292000;
