// Filling shapes into a canvas: rectangles, rounded rectangles, circles,
// rings and strokes, all as outlines filled with anti-aliased edges by
// stb_truetype's rasteriser, and blended in integer arithmetic so that every
// target gives the same pixels.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "editor/canvas.h"
#include "editor/truetype.h"

using Argb = std::uint32_t;

constexpr Argb argb(unsigned alpha, unsigned red, unsigned green, unsigned blue) {
    return (alpha << 24) | (red << 16) | (green << 8) | blue;
}
constexpr Argb opaque(Argb rgb) { return 0xFF000000u | rgb; }
constexpr Argb withAlpha(Argb color, unsigned alpha) { return (color & 0x00FFFFFFu) | (alpha << 24); }

// `color` over `pixel`, the colour's alpha times `coverage` (0 to 255) said
// how much; the canvas stays opaque.
inline void blendPixel(std::uint32_t& pixel, Argb color, unsigned coverage) {
    const unsigned alpha = ((color >> 24) * coverage + 127) / 255;
    if (alpha == 0) return;
    if (alpha == 255) {
        pixel = color;
        return;
    }
    const auto mix = [&](unsigned shift) {
        const unsigned over = (color >> shift) & 0xFFu, under = (pixel >> shift) & 0xFFu;
        return ((over * alpha + under * (255 - alpha) + 127) / 255) << shift;
    };
    pixel = 0xFF000000u | mix(16) | mix(8) | mix(0);
}

struct Point {
    double x, y;
};

// Closed contours in pixels; each added shape is one or more contours. A
// contour drawn the other way round cuts a hole where it overlaps another.
class Path {
public:
    void moveTo(double x, double y);
    void lineTo(double x, double y);
    void quadTo(double cx, double cy, double x, double y);

    void rect(double x, double y, double width, double height);
    // A rectangle's outline `thickness` wide inside its edges.
    void rectOutline(double x, double y, double width, double height, double thickness);
    void roundedRect(double x, double y, double width, double height, double radius, bool reversed = false);
    void roundedRectOutline(double x, double y, double width, double height, double radius, double thickness);
    void circle(double cx, double cy, double radius, bool reversed = false);
    void ring(double cx, double cy, double radius, double thickness);
    void polygon(std::span<const Point> points);
    // A line through `points`, `width` wide, each segment its own outline.
    void stroke(std::span<const Point> points, double width);

    bool empty() const { return vertices.empty(); }

private:
    friend void fillPath(Canvas& canvas, const Path& path, Argb color);
    struct Vertex {
        OutlineVertex::Kind kind;
        double x, y, cx, cy;
    };
    std::vector<Vertex> vertices;
};

void fillPath(Canvas& canvas, const Path& path, Argb color);

// Whole pixels, no edges to smooth: the background and plain bands.
void fillPixels(Canvas& canvas, int x, int y, int width, int height, Argb color);
