// The smallest rectangle that holds every pixel a new drawing changed, so a
// window copies only that to the screen: while a step plays, the playhead's
// strip and the step number, not the whole editor.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "editor/canvas.h"
#include "editor/editor_layout.h"

// `before` holds the previous drawing's pixels, row by row at the canvas's
// width; an empty rectangle (no width) when nothing changed.
inline Rect changedArea(std::span<const std::uint32_t> before, const Canvas& after) {
    const auto width = static_cast<std::size_t>(after.width);
    if (before.size() != after.pixels.size()) return {0, 0, after.width, after.height};
    int top = -1, bottom = -1, left = after.width, right = 0;
    for (int row = 0; row < after.height; ++row) {
        const std::uint32_t* was = before.data() + static_cast<std::size_t>(row) * width;
        const std::uint32_t* now = after.pixels.data() + static_cast<std::size_t>(row) * width;
        if (std::memcmp(was, now, width * sizeof(std::uint32_t)) == 0) continue;
        if (top < 0) top = row;
        bottom = row;
        int first = 0;
        while (was[first] == now[first]) ++first;
        int last = after.width - 1;
        while (was[last] == now[last]) --last;
        left = std::min(left, first);
        right = std::max(right, last + 1);
    }
    if (top < 0) return {0, 0, 0, 0};
    return {left, top, right - left, bottom - top + 1};
}
