// A key as X11 reports it (its keysym, the modifier state and the text
// XLookupString gave) in the editor's terms.
#pragma once

#include <string_view>

#include "editor/editor_input.h"

// X11's modifier state bits (Shift, Control, Mod1 is Alt) as the editor's.
Modifiers modifiersOfState(unsigned state);

// Shift+Tab (which X reports as ISO_Left_Tab, or as Tab with Shift) is
// BackTab; a printable ASCII character with neither Control nor Alt is a
// Character; anything else the editor does not know is Other.
KeyPress keyOf(unsigned long keysym, unsigned state, std::string_view text);
