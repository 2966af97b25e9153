// The slow triangle oscillator that sways the filter's opening: the filter
// coefficient is the filter envelope's level times this oscillator's value.
//
// From its constructed state (accumulator 160000, counting down, turning
// every 12800 frames) the accumulator runs from 160000 down to 147200 and
// back up. Scaled by 6.25e-6 that is a triangle from 1 down to 0.92 and back:
// the coefficient swings by up to 8% below the envelope's level, one full
// swing every 25600 processed frames (0.58 s at 44100 frames per second).
// Frames that pass the audio through do not count.
#pragma once

#include <cstdint>

// The oscillator as the effect stores it between blocks. Written and read by
// the audio thread only.
struct TriangleLfoState {
    std::int32_t counter;      // frames since the direction last turned
    std::int32_t accumulator;  // position on the triangle, in 1/160000ths of full scale
    std::int32_t direction;    // +1 or -1: what each frame adds to the accumulator
    std::int32_t halfPeriod;   // frames between two turns; constant
};

// The oscillator for the length of a block: loaded from its stored state,
// advanced frame by frame, stored back at the end.
class TriangleLfo {
public:
    static TriangleLfo load(const TriangleLfoState& state) { return TriangleLfo(state); }
    void store(TriangleLfoState& state) const { state = current; }

    // One frame on; this frame's value, a float value widened.
    double advance() {
        current.accumulator += current.direction;
        if (++current.counter >= current.halfPeriod) [[unlikely]] {
            current.counter = 0;
            current.direction = -current.direction;
        }
        return static_cast<float>(static_cast<double>(current.accumulator) * kScale);
    }

private:
    explicit TriangleLfo(const TriangleLfoState& state) : current(state) {}

    // An accumulator of 160000 gives 1.
    static constexpr float kScale = 6.25e-6f;

    TriangleLfoState current;
};
