// A key as Win32 reports it (its virtual-key code, the modifiers held and
// the text the keyboard layout makes of it) in the editor's terms, the same
// keys as on X11.
#pragma once

#include <string_view>

#include "editor/editor_input.h"

// Shift+Tab is BackTab; the arrows, paging, Home, End, Enter, Escape,
// Backspace and Delete are themselves whatever the modifiers; a printable
// ASCII character with neither Control nor Alt is a Character; anything
// else is Other.
KeyPress keyOfVirtualKey(unsigned virtualKey, const Modifiers& modifiers, std::u16string_view text);
