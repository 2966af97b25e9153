// A text buffer pre-filled with a canary byte, so a test sees every byte a
// text request wrote and every byte it must have left alone.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

struct CanaryBuffer {
    static constexpr char kCanary = '\xA5';
    static constexpr std::size_t kSize = 96;

    CanaryBuffer() { std::memset(bytes, kCanary, kSize); }
    char* data() { return bytes; }
    std::string contents() const { return std::string(bytes, kSize); }

    // What a bounded write of `text` with `limit` leaves: at most `limit`
    // characters, zeros up to and including index `limit`, canaries after.
    static std::string bounded(std::string_view text, std::size_t limit) {
        std::string expected(kSize, kCanary);
        expected.replace(0, limit + 1, limit + 1, '\0');
        expected.replace(0, std::min(text.size(), limit), text.substr(0, limit));
        return expected;
    }
    // A buffer nothing was written to.
    static std::string untouched() { return std::string(kSize, kCanary); }

    char bytes[kSize];
};
