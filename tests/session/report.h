// The session's written record, built without the C runtime's formatted
// printing: the Linux and the Windows runtime print floating-point numbers
// differently, and the two reports must match byte for byte. Integers are
// written in decimal, floats and doubles as their bit patterns in hex.
#pragma once

#include <bit>
#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

class Report {
public:
    Report& text(std::string_view s) {
        out += s;
        return *this;
    }
    // A text from the plug-in, quoted, byte for byte as it was written.
    Report& quoted(std::string_view s) {
        out += '"';
        out += s;
        out += '"';
        return *this;
    }
    Report& number(std::int64_t value) {
        char digits[24];
        const auto result = std::to_chars(digits, digits + sizeof digits, value);
        out.append(digits, result.ptr);
        return *this;
    }
    Report& hex(std::uint64_t value, int digits) {
        constexpr char kDigits[] = "0123456789abcdef";
        for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) out += kDigits[(value >> shift) & 0xf];
        return *this;
    }
    Report& bits(float value) { return hex(std::bit_cast<std::uint32_t>(value), 8); }
    Report& bits(double value) { return hex(std::bit_cast<std::uint64_t>(value), 16); }
    Report& endLine() {
        out += '\n';
        return *this;
    }

    const std::string& str() const { return out; }

private:
    std::string out;
};
