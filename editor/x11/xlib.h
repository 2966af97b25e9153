// Xlib for the editor's window glue. Xlib's KeyPress and KeyRelease event
// types and its None are macros, which would rewrite the editor's own
// KeyPress and the effect's ParameterUnit::None: they are kept here as
// constants, the macros removed. Include this before any
// header of the editor.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

inline constexpr int kXKeyPress = KeyPress;
inline constexpr int kXKeyRelease = KeyRelease;
inline constexpr long kXNone = None;
#undef KeyPress
#undef KeyRelease
#undef None
