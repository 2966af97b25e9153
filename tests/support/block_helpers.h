// Helpers for driving the loaded effect block by block in tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "tests/support/test_host.h"

// Parameter indices as the host addresses them.
enum TestParameter : int {
    pVA = 0, pVD1, pVS, pVD2, pVNotes, pFA, pFD1, pFS, pFD2, pFNotes, pRndSw, pTempo
};

// Switch values that select each mode.
constexpr float kManual = 0.0f;
constexpr float kRandom = 0.5f;
constexpr float kAuto = 1.0f;

// A new effect's parameter values, which every program of the bank holds for
// the ten envelope parameters too. 0.24 is the float 0x3E75C28F.
constexpr float kInitialValues[12] = {1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, kAuto, 0.24f};

inline std::uint32_t bitsOf(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof(bits));
    return bits;
}

inline float floatFromBits(std::uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}

// The effect's generator, as a host would model it: the seed starts at 5963,
// each draw multiplies by 9 and adds 5 (mod 2^32) and gives the upper 16 bits.
class GeneratorModel {
public:
    std::uint32_t next() {
        seed = seed * 9u + 5u;
        return seed >> 16;
    }
    void skip(int draws) {
        for (int i = 0; i < draws; ++i) next();
    }

private:
    std::uint32_t seed = 5963;
};

// A repeatable test signal: a different value on every frame and channel.
inline StereoBuffer testSignal(int frames, int seed = 1) {
    StereoBuffer buffer(frames);
    std::uint32_t state = 0x9E3779B9u * static_cast<std::uint32_t>(seed);
    for (int i = 0; i < frames; ++i) {
        state = state * 1664525u + 1013904223u;
        buffer.left[i] = static_cast<float>(static_cast<std::int32_t>(state)) * (1.0f / 2147483648.0f);
        state = state * 1664525u + 1013904223u;
        buffer.right[i] = static_cast<float>(static_cast<std::int32_t>(state)) * (1.0f / 2147483648.0f);
    }
    return buffer;
}
