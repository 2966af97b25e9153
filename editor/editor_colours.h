// The editor's colours: a dark panel with light text, the volume in blue
// and the filter in amber. Nothing is told by colour alone: the volume is
// a filled shape, the filter a line, the chosen mode a filled button with a
// marker and bold text.
#pragma once

#include "editor/canvas_drawing.h"

namespace colours {
inline constexpr Argb kPanel = opaque(0x202428);
inline constexpr Argb kTitleBar = opaque(0x171A1D);
inline constexpr Argb kStepBackground = opaque(0x111417);
inline constexpr Argb kGrid = opaque(0x262C31);
inline constexpr Argb kFrame = opaque(0x3A4249);
inline constexpr Argb kText = opaque(0xE8EAEC);
inline constexpr Argb kDimText = opaque(0x9AA3AB);
inline constexpr Argb kVolume = opaque(0x4AAEDB);
inline constexpr Argb kVolumeFill = argb(0xB0, 0x2F, 0x86, 0xB5);
inline constexpr Argb kFilter = opaque(0xF2A541);
inline constexpr Argb kFilterBand = argb(0x50, 0xF2, 0xA5, 0x41);
inline constexpr Argb kPlayhead = opaque(0xF4F6F8);
inline constexpr Argb kTrack = opaque(0x30373D);
inline constexpr Argb kHandle = opaque(0xF0F2F4);
inline constexpr Argb kButton = opaque(0x2C3237);
inline constexpr Argb kButtonChosen = opaque(0xDDE3E8);
inline constexpr Argb kButtonChosenText = opaque(0x111417);
inline constexpr Argb kFocus = opaque(0xFFD866);
inline constexpr Argb kDragged = opaque(0x2A3238);
inline constexpr Argb kField = opaque(0x121518);
inline constexpr Argb kNotice = opaque(0xFFB4A0);
}  // namespace colours
