// One stored program: the ten envelope values, a tempo value and a name.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <string_view>

#include "effect/parameters.h"

// A program's name: 24 bytes, at most 23 characters and the terminator. One
// host thread may rename a program while another reads the names, so every
// byte is a relaxed atomic (a plain byte load or store): a name read during a
// rename may mix old and new bytes, but each byte is one that was written and
// the last byte is always the terminator.
class ProgramName {
public:
    static constexpr std::size_t kSize = 24;

    explicit ProgramName(std::string_view initial) { store(initial); }

    // Stores the text, cut to 23 characters, and clears the rest of the
    // field, so no part of an earlier, longer name stays behind it.
    void store(std::string_view text) {
        const std::size_t length = text.size() < kSize - 1 ? text.size() : kSize - 1;
        for (std::size_t i = 0; i < kSize; ++i)
            bytes[i].store(i < length ? text[i] : '\0', std::memory_order_relaxed);
    }

    // Copies all 24 bytes: the name and its terminator.
    void load(char (&out)[kSize]) const {
        for (std::size_t i = 0; i < kSize; ++i) out[i] = bytes[i].load(std::memory_order_relaxed);
        out[kSize - 1] = '\0';
    }

private:
    std::array<std::atomic<char>, kSize> bytes;
};
static_assert(sizeof(ProgramName) == ProgramName::kSize && std::atomic<char>::is_always_lock_free);

struct ProgramRecord {
    // Selecting a program applies these; the bank is never written back, so
    // every program holds the effect's initial envelope values.
    std::array<float, kEnvelopeParameterCount> values{};
    float tempo = kInitialTempo;  // stored with the program, never applied
    ProgramName name{"Init"};

    ProgramRecord() {
        for (int i = 0; i < kEnvelopeParameterCount; ++i) values[i] = kParameterTable[i].initialValue;
    }
};
