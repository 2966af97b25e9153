// A canvas's pixels in the layout of a true-colour X visual: each channel
// scaled to the visual's mask and packed, so that a 24- or 32-bit visual
// with the usual masks gets the canvas's bytes unchanged and a 15- or 16-bit
// one the nearest it can show.
#pragma once

#include <cstdint>

struct VisualMasks {
    unsigned long red;
    unsigned long green;
    unsigned long blue;
};

// One 0xAARRGGBB pixel as the visual's pixel value.
unsigned long packPixel(std::uint32_t argb, const VisualMasks& masks);
