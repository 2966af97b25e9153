// A text buffer for requests that write text through ptr: filled with a
// marker byte first, so a test sees how far the effect wrote and whether the
// text it left is terminated within its limit.
#pragma once

#include <array>
#include <cstddef>
#include <cstring>
#include <string>

#include "tests/support/test_host.h"

class TextProbe {
public:
    static constexpr std::size_t kSize = 128;
    static constexpr char kMarker = '\x7f';

    TextProbe() { buffer.fill(kMarker); }

    char* data() { return buffer.data(); }

    // Asks through the dispatcher with this buffer as ptr.
    VstIntPtr request(TestHost& host, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0) {
        buffer.fill(kMarker);
        return host.dispatch(opcode, index, value, buffer.data());
    }

    // True when a zero lies among the first `bytes` bytes and nothing at or
    // after index `bytes` was written.
    bool boundedTo(std::size_t bytes) const {
        if (std::memchr(buffer.data(), 0, bytes) == nullptr) return false;
        for (std::size_t i = bytes; i < kSize; ++i)
            if (buffer[i] != kMarker) return false;
        return true;
    }

    // True when the request wrote nothing at all.
    bool untouched() const {
        for (char c : buffer)
            if (c != kMarker) return false;
        return true;
    }

    // The text up to its terminator (or the whole buffer if none).
    std::string text() const { return std::string(buffer.data(), strnlen(buffer.data(), kSize)); }

private:
    std::array<char, kSize> buffer{};
};
