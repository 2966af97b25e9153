// What an editor's window hears from the user, in no window system's terms,
// and how the editor tells its host of a change: the platform glue (X11,
// Win32) translates into these, and the model answers through EditLink.
#pragma once

#include <cstdint>

enum class Key {
    Character,  // a printable character, in KeyPress::character
    Tab,
    BackTab,    // Shift+Tab
    Left,
    Right,
    Up,
    Down,
    PageUp,
    PageDown,
    Home,
    End,
    Enter,
    Escape,
    Backspace,
    Delete,
    Other,      // any key the editor does not use
};

struct Modifiers {
    bool shift = false;
    bool control = false;
    bool alt = false;
};

struct KeyPress {
    Key key;
    char32_t character = 0;
    Modifiers modifiers;
};

enum class PointerButton { Left, Middle, Right, WheelUp, WheelDown };

// Positions are in the editor's own pixels at scale 1: the glue divides the
// window's pixels by the scale. Times are milliseconds from any fixed start.
struct PointerEvent {
    double x;
    double y;
    Modifiers modifiers;
    std::uint32_t timeMs;
};

// How a change made in the editor reaches the host, always as a gesture:
// begin, one or more values, end. Values are the host's 0 to 1.
class EditLink {
public:
    virtual ~EditLink() = default;
    virtual void beginEdit(int parameter) = 0;
    virtual void changeValue(int parameter, float value) = 0;
    virtual void endEdit(int parameter) = 0;
};
