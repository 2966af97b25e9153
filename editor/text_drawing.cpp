#include "editor/text_drawing.h"

#include <cmath>
#include <vector>

#include "editor/font/embedded_fonts.h"
#include "editor/truetype.h"

struct TextDrawer::Fonts {
    GlyphFont regular{kDejaVuSansSubset};
    GlyphFont bold{kDejaVuSansBoldSubset};
    const GlyphFont& of(Weight weight) const { return weight == Weight::Bold ? bold : regular; }
};

namespace {

// The code points of UTF-8 text; a broken sequence reads as U+FFFD, which
// the fonts lack and so draw as nothing.
std::vector<char32_t> codepoints(std::string_view text) {
    std::vector<char32_t> result;
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        int length = byte < 0x80 ? 1 : (byte >> 5) == 0x6 ? 2 : (byte >> 4) == 0xE ? 3 : (byte >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || i + length > text.size()) {
            result.push_back(0xFFFD);
            ++i;
            continue;
        }
        char32_t point = length == 1 ? byte : byte & (0xFF >> (length + 1));
        bool broken = false;
        for (int k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            broken |= (next & 0xC0) != 0x80;
            point = (point << 6) | (next & 0x3F);
        }
        result.push_back(broken ? char32_t{0xFFFD} : point);
        i += broken ? 1 : length;
    }
    return result;
}

int quarterPixels(double pixelHeight) { return static_cast<int>(std::lround(pixelHeight * 4)); }

}  // namespace

TextDrawer::TextDrawer() : fonts(std::make_unique<Fonts>()) {}
TextDrawer::~TextDrawer() = default;

double TextDrawer::width(std::string_view text, const TextStyle& style) const {
    const GlyphFont& font = fonts->of(style.weight);
    const float scale = font.scaleForPixelHeight(static_cast<float>(quarterPixels(style.pixelHeight)) / 4.0f);
    double pen = 0;
    int previous = 0;
    for (char32_t point : codepoints(text)) {
        const int glyph = font.glyphIndex(point);
        if (previous != 0) pen += font.kerning(previous, glyph) * static_cast<double>(scale);
        pen += font.advance(glyph) * static_cast<double>(scale);
        previous = glyph;
    }
    return pen;
}

double TextDrawer::draw(Canvas& canvas, std::string_view text, double left, double top, const TextStyle& style) {
    const int fontIndex = style.weight == Weight::Bold ? 1 : 0;
    const GlyphFont& font = fonts->of(style.weight);
    const int quarters = quarterPixels(style.pixelHeight);
    const float scale = font.scaleForPixelHeight(static_cast<float>(quarters) / 4.0f);
    const int baseline = static_cast<int>(std::lround(top + font.ascent() * static_cast<double>(scale)));
    double pen = left;
    int previous = 0;
    for (char32_t point : codepoints(text)) {
        const int glyph = font.glyphIndex(point);
        if (previous != 0) pen += font.kerning(previous, glyph) * static_cast<double>(scale);
        previous = glyph;
        const auto key = std::make_tuple(fontIndex, glyph, quarters);
        auto found = glyphs.find(key);
        if (found == glyphs.end()) found = glyphs.emplace(key, font.image(glyph, scale)).first;
        const GlyphImage& image = found->second;
        const int x0 = static_cast<int>(std::lround(pen)) + image.left, y0 = baseline + image.top;
        for (int y = 0; y < image.height; ++y) {
            const int row = y0 + y;
            if (row < 0 || row >= canvas.height) continue;
            for (int x = 0; x < image.width; ++x) {
                const int column = x0 + x;
                const std::uint8_t cover = image.coverage[static_cast<std::size_t>(y) * image.width + x];
                if (column < 0 || column >= canvas.width || cover == 0) continue;
                blendPixel(canvas.pixels[static_cast<std::size_t>(row) * canvas.width + column], style.color, cover);
            }
        }
        pen += font.advance(glyph) * static_cast<double>(scale);
    }
    return pen;
}

double TextDrawer::drawCentred(Canvas& canvas, std::string_view text, double centreX, double top,
                               const TextStyle& style) {
    return draw(canvas, text, std::round(centreX - width(text, style) / 2), top, style);
}

double TextDrawer::drawRightAligned(Canvas& canvas, std::string_view text, double right, double top,
                                    const TextStyle& style) {
    return draw(canvas, text, std::round(right - width(text, style)), top, style);
}

bool TextDrawer::covers(std::string_view text) const {
    for (char32_t point : codepoints(text)) {
        if (point == U' ') continue;
        if (fonts->regular.glyphIndex(point) == 0 || fonts->bold.glyphIndex(point) == 0) return false;
    }
    return true;
}
