// Where everything sits in the editor, at scale 1: one table that the
// drawing and the pointer both read, so what is drawn is what is hit.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>

#include "effect/parameters.h"

inline constexpr int kEditorWidth = 720;
inline constexpr int kEditorHeight = 420;

// A window's size in pixels at a scale: round(720 x scale) by
// round(420 x scale), on every window system.
inline std::uint32_t editorWidthAt(double scale) {
    return static_cast<std::uint32_t>(std::lround(kEditorWidth * scale));
}
inline std::uint32_t editorHeightAt(double scale) {
    return static_cast<std::uint32_t>(std::lround(kEditorHeight * scale));
}

struct Rect {
    int x, y, width, height;
    bool contains(int px, int py) const { return px >= x && px < x + width && py >= y && py < y + height; }
};

// One control: the parameter it sets, the whole area that takes the pointer
// (label, value and times included), and the track its handle moves along.
// A vertical track runs from its bottom (0) to its top (1), a horizontal one
// from left (0) to right (1).
struct ControlPlace {
    int parameter;
    Rect area;
    Rect track;
    bool horizontal;
};

// The envelope controls in two groups of five, Volume then Filter, in the
// order Tab visits them; Tempo last, along the bottom.
inline constexpr int kEnvelopeColumnWidth = 66;
inline constexpr int kVolumeGroupX = 16;
inline constexpr int kFilterGroupX = 374;
inline constexpr int kGroupTop = 222;     // the group's heading
inline constexpr int kColumnTop = 240;    // each column: name, code name, track, value, time
inline constexpr int kColumnHeight = 116;

constexpr ControlPlace envelopeColumn(int parameter, int groupX, int column) {
    const int x = groupX + column * kEnvelopeColumnWidth;
    return {parameter, {x, kColumnTop, kEnvelopeColumnWidth, kColumnHeight}, {x + 27, kColumnTop + 32, 12, 50}, false};
}

inline constexpr std::array<ControlPlace, 11> kControlPlaces{{
    envelopeColumn(kVA, kVolumeGroupX, 0),
    envelopeColumn(kVD1, kVolumeGroupX, 1),
    envelopeColumn(kVS, kVolumeGroupX, 2),
    envelopeColumn(kVD2, kVolumeGroupX, 3),
    envelopeColumn(kVNotes, kVolumeGroupX, 4),
    envelopeColumn(kFA, kFilterGroupX, 0),
    envelopeColumn(kFD1, kFilterGroupX, 1),
    envelopeColumn(kFS, kFilterGroupX, 2),
    envelopeColumn(kFD2, kFilterGroupX, 3),
    envelopeColumn(kFNotes, kFilterGroupX, 4),
    {kTempo, {16, 362, 330, 50}, {16, 384, 180, 12}, true},
}};

// The three mode buttons, "MANUAL", "RANDOM" and "AUTO" from left to right,
// along the top beside the name.
inline constexpr std::array<Rect, 3> kModeButtons{{{420, 8, 92, 26}, {516, 8, 92, 26}, {612, 8, 92, 26}}};

// The step drawn large: envelopes, note starts, playhead, step number.
inline constexpr Rect kStepPicture{16, 42, 688, 172};

// "my song's tempo": a typed field and, beside it, the drift it leaves.
inline constexpr Rect kSongTempoField{374, 380, 80, 22};
