// A small generator of our own for randomised sessions, so a session is the
// same with every standard library.
#pragma once

#include <cstdint>

struct Dice {
    std::uint32_t state;
    std::uint32_t next() { return state = state * 1664525u + 1013904223u, state >> 8; }
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint32_t>(n)); }
    float unit() { return static_cast<float>(next() & 0xFFFF) / 65535.0f; }
};
