#include <windows.h>

#include <array>
#include <utility>

#include "editor/win32/win32_keys.h"

namespace {

// Keys with one meaning whatever the modifiers; the numeric keypad's report
// as these with Num Lock off, and Enter's as VK_RETURN.
constexpr std::array<std::pair<unsigned, Key>, 12> kNamedKeys{{
    {VK_LEFT, Key::Left},
    {VK_RIGHT, Key::Right},
    {VK_UP, Key::Up},
    {VK_DOWN, Key::Down},
    {VK_PRIOR, Key::PageUp},
    {VK_NEXT, Key::PageDown},
    {VK_HOME, Key::Home},
    {VK_END, Key::End},
    {VK_RETURN, Key::Enter},
    {VK_ESCAPE, Key::Escape},
    {VK_BACK, Key::Backspace},
    {VK_DELETE, Key::Delete},
}};

}  // namespace

KeyPress keyOfVirtualKey(unsigned virtualKey, const Modifiers& modifiers, std::u16string_view text) {
    if (virtualKey == VK_TAB) return {modifiers.shift ? Key::BackTab : Key::Tab, 0, modifiers};
    for (const auto& [named, key] : kNamedKeys)
        if (named == virtualKey) return {key, 0, modifiers};
    if (text.size() == 1 && !modifiers.control && !modifiers.alt) {
        const char16_t c = text[0];
        if (c >= 0x20 && c < 0x7F) return {Key::Character, c, modifiers};
    }
    return {Key::Other, 0, modifiers};
}
