#include "editor/x11/x11_image.h"

namespace {

// An 8-bit channel placed in a contiguous mask, rounded to its width.
unsigned long placed(std::uint32_t channel, unsigned long mask) {
    if (mask == 0) return 0;
    int shift = 0;
    while (((mask >> shift) & 1u) == 0) ++shift;
    const unsigned long most = mask >> shift;
    return ((channel * most + 127u) / 255u) << shift;
}

}  // namespace

unsigned long packPixel(std::uint32_t argb, const VisualMasks& masks) {
    return placed((argb >> 16) & 0xFFu, masks.red) | placed((argb >> 8) & 0xFFu, masks.green) |
           placed(argb & 0xFFu, masks.blue);
}
