// The only place stb_truetype's code is compiled, all of it static.
#include "editor/truetype.h"

#define STBTT_STATIC
#define STB_TRUETYPE_IMPLEMENTATION
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wcast-align"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wpedantic"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#endif
#include <stb_truetype.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

void rasteriseOutline(std::span<const OutlineVertex> outline, int width, int height, std::uint8_t* coverage) {
    if (outline.empty() || width <= 0 || height <= 0) return;
    std::vector<stbtt_vertex> vertices(outline.size());
    for (std::size_t i = 0; i < outline.size(); ++i) {
        const OutlineVertex& v = outline[i];
        stbtt_vertex& s = vertices[i];
        s = {};
        s.x = v.x;
        s.y = v.y;
        s.cx = v.cx;
        s.cy = v.cy;
        s.type = v.kind == OutlineVertex::Move ? STBTT_vmove : v.kind == OutlineVertex::Line ? STBTT_vline : STBTT_vcurve;
    }
    stbtt__bitmap bitmap{width, height, width, coverage};
    constexpr float unit = 1.0f / kOutlineUnitsPerPixel;
    // Curves are cut into lines no further than a tenth of a pixel from
    // them; y grows downwards as it does in the outline: no inversion.
    stbtt_Rasterize(&bitmap, 0.1f, vertices.data(), static_cast<int>(vertices.size()), unit, unit, 0.0f, 0.0f, 0, 0,
                    0, nullptr);
}

struct GlyphFont::Info {
    stbtt_fontinfo font{};
    bool valid = false;
};

GlyphFont::GlyphFont(const std::uint8_t* data) : info(std::make_unique<Info>()) {
    info->valid = stbtt_InitFont(&info->font, data, stbtt_GetFontOffsetForIndex(data, 0)) != 0;
}
GlyphFont::~GlyphFont() = default;

bool GlyphFont::valid() const { return info->valid; }
int GlyphFont::glyphIndex(char32_t codepoint) const {
    return stbtt_FindGlyphIndex(&info->font, static_cast<int>(codepoint));
}
float GlyphFont::scaleForPixelHeight(float pixelHeight) const {
    return stbtt_ScaleForPixelHeight(&info->font, pixelHeight);
}
int GlyphFont::ascent() const {
    int ascent = 0, descent = 0, gap = 0;
    stbtt_GetFontVMetrics(&info->font, &ascent, &descent, &gap);
    return ascent;
}
int GlyphFont::advance(int glyph) const {
    int advance = 0, bearing = 0;
    stbtt_GetGlyphHMetrics(&info->font, glyph, &advance, &bearing);
    return advance;
}
int GlyphFont::kerning(int left, int right) const { return stbtt_GetGlyphKernAdvance(&info->font, left, right); }

GlyphImage GlyphFont::image(int glyph, float scale) const {
    GlyphImage image;
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    stbtt_GetGlyphBitmapBox(&info->font, glyph, scale, scale, &x0, &y0, &x1, &y1);
    image.width = x1 - x0;
    image.height = y1 - y0;
    image.left = x0;
    image.top = y0;
    if (image.width <= 0 || image.height <= 0) return GlyphImage{};
    image.coverage.assign(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height), 0);
    stbtt_MakeGlyphBitmap(&info->font, image.coverage.data(), image.width, image.height, image.width, scale, scale,
                          glyph);
    return image;
}
