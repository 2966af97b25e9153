// Writing text into a host's buffer without ever passing its limit: at most
// maxLength characters, then zeros up to and including index maxLength, and
// nothing beyond.
#pragma once

#include <cstring>
#include <string_view>

#include "abi/vst2_abi.h"

// Puts text at the start of the buffer, cut to maxLength characters, and
// clears the rest of the buffer up to and including index maxLength.
inline void copyBounded(char* buffer, std::string_view text, VstInt32 maxLength) {
    if (buffer == nullptr || maxLength < 0) return;
    const std::size_t limit = static_cast<std::size_t>(maxLength);
    const std::size_t count = text.size() < limit ? text.size() : limit;
    std::memcpy(buffer, text.data(), count);
    std::memset(buffer + count, 0, limit - count + 1);
}

// Adds text after the zero-terminated text already in the buffer, cut so the
// whole stays within maxLength characters, followed by a zero.
inline void appendBounded(char* buffer, std::string_view text, VstInt32 maxLength) {
    if (buffer == nullptr || maxLength < 0) return;
    const std::size_t limit = static_cast<std::size_t>(maxLength);
    const std::size_t used = strnlen(buffer, limit);
    const std::size_t room = limit - used;
    const std::size_t count = text.size() < room ? text.size() : room;
    std::memcpy(buffer + used, text.data(), count);
    buffer[used + count] = '\0';
}

// Writes text and its terminator, as a C string copy does; for texts whose
// length the caller already knows to fit.
inline void copyWithTerminator(char* buffer, std::string_view text) {
    if (buffer == nullptr) return;
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = '\0';
}
