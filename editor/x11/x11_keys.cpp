#include "editor/x11/xlib.h"

#include <array>
#include <utility>

#include "editor/x11/x11_keys.h"

namespace {

// Keysyms with one meaning whatever the modifiers; the keypad's twins too.
constexpr std::array<std::pair<unsigned long, Key>, 22> kNamedKeys{{
    {XK_Left, Key::Left},         {XK_KP_Left, Key::Left},       {XK_Right, Key::Right},
    {XK_KP_Right, Key::Right},    {XK_Up, Key::Up},              {XK_KP_Up, Key::Up},
    {XK_Down, Key::Down},         {XK_KP_Down, Key::Down},       {XK_Page_Up, Key::PageUp},
    {XK_KP_Page_Up, Key::PageUp}, {XK_Page_Down, Key::PageDown}, {XK_KP_Page_Down, Key::PageDown},
    {XK_Home, Key::Home},         {XK_KP_Home, Key::Home},       {XK_End, Key::End},
    {XK_KP_End, Key::End},        {XK_Return, Key::Enter},       {XK_KP_Enter, Key::Enter},
    {XK_Escape, Key::Escape},     {XK_BackSpace, Key::Backspace}, {XK_Delete, Key::Delete},
    {XK_KP_Delete, Key::Delete},
}};

}  // namespace

Modifiers modifiersOfState(unsigned state) {
    return {(state & ShiftMask) != 0, (state & ControlMask) != 0, (state & Mod1Mask) != 0};
}

KeyPress keyOf(unsigned long keysym, unsigned state, std::string_view text) {
    const Modifiers modifiers = modifiersOfState(state);
    if (keysym == XK_ISO_Left_Tab || (keysym == XK_Tab && modifiers.shift)) return {Key::BackTab, 0, modifiers};
    if (keysym == XK_Tab) return {Key::Tab, 0, modifiers};
    for (const auto& [named, key] : kNamedKeys)
        if (named == keysym) return {key, 0, modifiers};
    if (text.size() == 1 && !modifiers.control && !modifiers.alt) {
        const auto c = static_cast<unsigned char>(text[0]);
        if (c >= 0x20 && c < 0x7F) return {Key::Character, c, modifiers};
    }
    return {Key::Other, 0, modifiers};
}
