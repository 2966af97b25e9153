// Numbers as the short texts a host shows beside a parameter, written by the
// bounded rule (see bounded_text.h), so no call writes past index maxLength
// of the caller's buffer.
#include "host/number_text.h"

#include <cmath>

#include "host/bounded_text.h"

namespace {
constexpr std::string_view kHuge = "Huge!";
constexpr std::string_view kNotANumber = "NaN";

// The form is eight characters: sign, integer digits, point, fraction digits.
constexpr int kFormWidth = 8;
// Digits are taken apart by multiplying with the double nearest one tenth,
// not by dividing by ten.
constexpr double kStepFactor = 0.1;
// Powers of ten for the fraction digits, exact, so no pow of any C runtime
// decides a digit.
constexpr double kPowersOfTen[kFormWidth] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7};

char digitOf(double value) { return static_cast<char>('0' + static_cast<int>(std::fmod(value, 10.0))); }
}  // namespace

void floatText(float value, char* text, VstInt32 maxLength) {
    double v = value;
    if (std::isnan(v)) {
        copyBounded(text, kNotANumber, maxLength);
        return;
    }
    const bool negative = v < 0;
    int count = 0;
    if (negative) {
        v = -v;
        count = 1;
    }
    // The form holds seven integer digits, six after a sign. A longer integer
    // part would lose its leading digits and read as another number, so it
    // is "Huge!" like everything beyond the overflow limits (99999999 and
    // -9999999), infinities included.
    const double integerLimit = negative ? 1000000.0 : 10000000.0;
    if (v >= integerLimit) {
        copyBounded(text, kHuge, maxLength);
        return;
    }

    // Sign, integer digits and point, built from the right.
    char head[kFormWidth + 1];
    int start = kFormWidth;
    head[start] = '\0';
    head[--start] = '.';
    ++count;
    double integer = std::floor(v);
    do {
        head[--start] = digitOf(integer);
        integer *= kStepFactor;
        ++count;
    } while (integer >= 1.0 && count < kFormWidth);
    if (negative) head[--start] = '-';
    copyBounded(text, std::string_view(head + start, static_cast<std::size_t>(kFormWidth - start)), maxLength);
    if (count >= kFormWidth) return;

    // Fraction digits, truncated rather than rounded.
    const int fractionDigits = kFormWidth - count;
    char fraction[kFormWidth];
    double m = std::fmod(v, 1.0) * kPowersOfTen[fractionDigits];
    for (int i = fractionDigits - 1; i >= 0; --i) {
        if (m <= 0) {
            fraction[i] = '0';
        } else {
            fraction[i] = digitOf(m);
            m *= kStepFactor;
        }
    }
    appendBounded(text, std::string_view(fraction, static_cast<std::size_t>(fractionDigits)), maxLength);
}

void integerText(VstInt32 value, char* text, VstInt32 maxLength) {
    // Nine digit places: from 10^8 up the number does not fit, and a negative
    // number of ten digits would not either.
    if (value >= 100000000 || value <= -1000000000) {
        copyBounded(text, kHuge, maxLength);
        return;
    }
    copyBounded(text, value < 0 ? "-" : "", maxLength);
    VstInt32 magnitude = value < 0 ? -value : value;
    bool seenDigit = false;
    for (VstInt32 divisor = 100000000; divisor > 0; divisor /= 10) {
        const VstInt32 digit = magnitude / divisor;
        magnitude %= divisor;
        if (digit > 0) seenDigit = true;
        if (seenDigit) {
            const char character = static_cast<char>('0' + digit);
            appendBounded(text, std::string_view(&character, 1), maxLength);
        }
    }
}
