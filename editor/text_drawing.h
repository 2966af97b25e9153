// Text in the editor's two fonts, anti-aliased, unhinted, each glyph at a
// whole pixel. Keeps the glyphs it has rasterised: one per thread that
// draws.
#pragma once

#include <map>
#include <memory>
#include <string_view>
#include <tuple>

#include "editor/canvas_drawing.h"

enum class Weight { Regular, Bold };

struct TextStyle {
    Weight weight;
    double pixelHeight;  // ascent to descent
    Argb color;
};

class TextDrawer {
public:
    TextDrawer();
    ~TextDrawer();

    // Width in pixels of UTF-8 `text`.
    double width(std::string_view text, const TextStyle& style) const;
    // Draws `text` with its top at `top` (the font's ascent below it is the
    // baseline), starting at `left`; returns the pen's x after it.
    double draw(Canvas& canvas, std::string_view text, double left, double top, const TextStyle& style);
    double drawCentred(Canvas& canvas, std::string_view text, double centreX, double top, const TextStyle& style);
    double drawRightAligned(Canvas& canvas, std::string_view text, double right, double top, const TextStyle& style);

    // Whether both fonts hold every character of `text`.
    bool covers(std::string_view text) const;

private:
    struct Fonts;
    std::unique_ptr<Fonts> fonts;
    // By font, glyph and height in quarter pixels.
    std::map<std::tuple<int, int, int>, GlyphImage> glyphs;
};
