// An image the editor draws into: opaque pixels, 0xAARRGGBB in a uint32,
// rows top to bottom, no padding. The window copies it to the screen as it
// is, Ardour's mixer strip reads it as it is, and a PNG is written from it.
#pragma once

#include <cstdint>
#include <vector>

struct Canvas {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // width * height

    Canvas() = default;
    Canvas(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h)) {}
};
