#include "effect/parameter_text.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>

#include "effect/display_text.h"
#include "effect/float_search.h"
#include "effect/parameters.h"

namespace {

bool isIndex(int index) { return index >= 0 && index < kParameterCount; }

// The value text of a float in 0..1, as the effect shows it.
struct Text {
    char chars[16] = {};
    std::string_view view() const { return chars; }
};
Text textOf(int index, float value) {
    Text text;
    displayText(index, value, text.chars);
    return text;
}

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

// The whole text as a decimal number, or none.
std::optional<double> numberIn(std::string_view text) {
    double number = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(number)) return std::nullopt;
    return number;
}

bool sameWord(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) {
               return lower(x) == lower(y);
           });
}

// The number a value's text shows; every text of 0..1 but the switch's is
// one, and they never fall as the value rises.
double shownNumber(int index, float value) { return numberIn(textOf(index, value).view()).value_or(0.0); }

// The smallest value in 0..1 whose text shows at least `number`; 1 when
// none does.
float firstValueShowing(int index, double number) {
    return firstFloatWhere([&](float value) { return shownNumber(index, value) >= number; }).value_or(1.0f);
}

}  // namespace

bool writeValueText(int index, double value, char* text, std::uint32_t size) {
    if (!isIndex(index) || text == nullptr || size == 0) return false;
    const Text shown = textOf(index, valueFromHost(index, value));
    std::size_t length = 0;
    for (std::string_view part : {shown.view(), kParameterLabel}) {
        const std::size_t count = std::min<std::size_t>(part.size(), size - 1 - length);
        std::memcpy(text + length, part.data(), count);
        length += count;
    }
    text[length] = '\0';
    return true;
}

std::optional<float> valueOfText(int index, const char* text) {
    if (!isIndex(index) || text == nullptr) return std::nullopt;
    const std::string_view wanted = trimmed(text);
    const ParameterInfo& parameter = kParameterTable[static_cast<std::size_t>(index)];
    if (parameter.valueText == ValueText::SwitchMode) {
        for (const ScalePoint& mode : parameter.scalePoints)
            if (sameWord(wanted, mode.label)) return mode.value;
        return std::nullopt;
    }
    const std::optional<double> number = numberIn(wanted);
    if (!number) return std::nullopt;
    // Where the text is the value itself, the value as typed, when it shows
    // that number; otherwise the first value that reaches it.
    if (parameter.valueText == ValueText::Number) {
        const float typed = valueFromHost(index, *number);
        if (shownNumber(index, typed) == *number) return typed;
    }
    return firstValueShowing(index, *number);
}
