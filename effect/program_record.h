// One stored program: the ten envelope values, a tempo value and a name.
#pragma once

#include <array>

#include "effect/parameters.h"

struct ProgramRecord {
    static constexpr int kNameSize = 24;  // 23 characters and the terminator

    // Selecting a program applies these; the bank is never written back, so
    // every program holds the effect's initial envelope values.
    std::array<float, kEnvelopeParameterCount> values{};
    float tempo = kInitialTempo;  // stored with the program, never applied
    char name[kNameSize] = "Init";

    ProgramRecord() {
        for (int i = 0; i < kEnvelopeParameterCount; ++i) values[i] = kParameterTable[i].initialValue;
    }
};
