// The two things the editor asks of stb_truetype, behind types of our own so
// that its implementation lives in one file and nothing of it leaks out of a
// plug-in: filling an outline of lines and curves with anti-aliased edges,
// and reading a font's glyphs.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

// A point of an outline, in eighths of a pixel from the top left of the area
// being filled (so an outline fits within 4095 pixels either way).
struct OutlineVertex {
    enum Kind : std::uint8_t { Move, Line, Curve };
    Kind kind;
    std::int16_t x, y;    // where the segment ends
    std::int16_t cx, cy;  // a curve's control point
};
inline constexpr int kOutlineUnitsPerPixel = 8;

// Fills the closed contours of `outline` (each begins with a Move) into
// `coverage`, width x height bytes, 0 outside to 255 inside; where contours
// overlap the coverage adds up, to 255 at most. `coverage` must be zeroed.
void rasteriseOutline(std::span<const OutlineVertex> outline, int width, int height, std::uint8_t* coverage);

// One glyph, rasterised without hinting: its coverage and where it sits
// relative to the pen on the baseline.
struct GlyphImage {
    int width = 0, height = 0;
    int left = 0, top = 0;  // offsets from the pen; top is negative above the baseline
    std::vector<std::uint8_t> coverage;
};

// A TrueType font read from bytes that outlive it.
class GlyphFont {
public:
    explicit GlyphFont(const std::uint8_t* data);
    ~GlyphFont();
    GlyphFont(const GlyphFont&) = delete;
    GlyphFont& operator=(const GlyphFont&) = delete;

    bool valid() const;
    int glyphIndex(char32_t codepoint) const;  // 0: the font lacks it
    // The scale from font units to pixels for text `pixelHeight` high
    // (ascent to descent).
    float scaleForPixelHeight(float pixelHeight) const;
    int ascent() const;  // font units
    int advance(int glyph) const;
    int kerning(int left, int right) const;
    GlyphImage image(int glyph, float scale) const;

private:
    struct Info;
    std::unique_ptr<Info> info;
};
