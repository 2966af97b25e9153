// The whole editor: the title and mode buttons along the top, the step drawn
// large, the two envelopes' controls side by side below it, Tempo and the
// song's tempo along the bottom. Every place comes from editor_layout.h and
// every text from editor_texts.h; this file only paints them.
#include "editor/draw_editor.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "editor/editor_colours.h"
#include "editor/editor_layout.h"
#include "editor/editor_texts.h"
#include "editor/shared_cache.h"
#include "editor/shown_values.h"
#include "editor/step_drawing.h"
#include "editor/text_drawing.h"
#include "effect/parameter_scales.h"

namespace {

// The step's picture as last drawn, without its texts and playhead: while
// only the playhead moves, it is copied back rather than drawn again.
struct StepLayer {
    bool filled = false;
    std::array<float, kParameterCount> values{};
    double scale = 0;
    int left = 0, top = 0;
    Canvas pixels;

    bool holds(const std::array<float, kParameterCount>& v, double s, int x, int y, int w, int h) const {
        return filled && s == scale && x == left && y == top && w == pixels.width && h == pixels.height &&
               std::memcmp(v.data(), values.data(), sizeof values) == 0;
    }
    void keep(const Canvas& canvas, const std::array<float, kParameterCount>& v, double s, int x, int y, int w,
              int h) {
        values = v;
        scale = s;
        left = x;
        top = y;
        pixels = Canvas(w, h);
        for (int row = 0; row < h; ++row) {
            std::copy_n(canvas.pixels.begin() + static_cast<std::ptrdiff_t>((y + row) * canvas.width + x), w,
                        pixels.pixels.begin() + static_cast<std::ptrdiff_t>(row * w));
        }
        filled = true;
    }
    void copyInto(Canvas& canvas) const {
        for (int row = 0; row < pixels.height; ++row) {
            std::copy_n(pixels.pixels.begin() + static_cast<std::ptrdiff_t>(row * pixels.width), pixels.width,
                        canvas.pixels.begin() + static_cast<std::ptrdiff_t>((top + row) * canvas.width + left));
        }
    }
};

struct DrawingCaches {
    TextDrawer text;
    StepShapeCache step;
    StepLayer stepLayer;
};
SharedCache<DrawingCaches> drawingCaches;

// Text sizes in pixels at scale 1: none below 11.
constexpr double kTitleSize = 18;
constexpr double kLabelSize = 12;
constexpr double kSmallSize = 11;
constexpr double kValueSize = 13;

// Paints in the layout's coordinates (scale 1), onto a canvas `scale` times
// as large.
class Painter {
public:
    Painter(Canvas& canvas, double scale, TextDrawer& text) : canvas(canvas), s(scale), text(text) {}

    void rect(double x, double y, double w, double h, Argb color) {
        // On whole pixels there are no edges to smooth.
        const double left = x * s, top = y * s, width = w * s, height = h * s;
        if (left == std::floor(left) && top == std::floor(top) && width == std::floor(width) &&
            height == std::floor(height)) {
            fillPixels(canvas, static_cast<int>(left), static_cast<int>(top), static_cast<int>(width),
                       static_cast<int>(height), color);
            return;
        }
        Path path;
        path.rect(x * s, y * s, w * s, h * s);
        fillPath(canvas, path, color);
    }
    void rect(const Rect& r, Argb color) { rect(r.x, r.y, r.width, r.height, color); }
    void rounded(double x, double y, double w, double h, double radius, Argb color) {
        Path path;
        path.roundedRect(x * s, y * s, w * s, h * s, radius * s);
        fillPath(canvas, path, color);
    }
    void rounded(const Rect& r, double radius, Argb color) { rounded(r.x, r.y, r.width, r.height, radius, color); }
    void roundedOutline(double x, double y, double w, double h, double radius, double thickness, Argb color) {
        Path path;
        path.roundedRectOutline(x * s, y * s, w * s, h * s, radius * s, thickness * s);
        fillPath(canvas, path, color);
    }
    void roundedOutline(const Rect& r, double radius, double thickness, Argb color) {
        roundedOutline(r.x, r.y, r.width, r.height, radius, thickness, color);
    }
    void disc(double cx, double cy, double radius, Argb color) {
        Path path;
        path.circle(cx * s, cy * s, radius * s);
        fillPath(canvas, path, color);
    }
    void ring(double cx, double cy, double radius, double thickness, Argb color) {
        Path path;
        path.ring(cx * s, cy * s, radius * s, thickness * s);
        fillPath(canvas, path, color);
    }

    TextStyle style(Weight weight, double size, Argb color) const { return {weight, size * s, color}; }
    double width(std::string_view t, Weight weight, double size) const {
        return text.width(t, style(weight, size, 0)) / s;
    }
    // Each returns the x after the text, in layout coordinates.
    double write(std::string_view t, double x, double y, Weight weight, double size, Argb color) {
        return text.draw(canvas, t, x * s, y * s, style(weight, size, color)) / s;
    }
    double centred(std::string_view t, double cx, double y, Weight weight, double size, Argb color) {
        return text.drawCentred(canvas, t, cx * s, y * s, style(weight, size, color)) / s;
    }
    double rightAligned(std::string_view t, double right, double y, Weight weight, double size, Argb color) {
        return text.drawRightAligned(canvas, t, right * s, y * s, style(weight, size, color)) / s;
    }

    Canvas& canvas;
    const double s;

private:
    TextDrawer& text;
};

// `text` in lines no wider than `width`, broken at blanks.
std::vector<std::string> wrapped(const Painter& painter, const std::string& text, double width, double size) {
    std::vector<std::string> lines;
    std::string line;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(' ', start), text.size());
        const std::string word = text.substr(start, end - start);
        const std::string longer = line.empty() ? word : line + " " + word;
        if (!line.empty() && painter.width(longer, Weight::Regular, size) > width) {
            lines.push_back(line);
            line = word;
        } else {
            line = longer;
        }
        start = end + 1;
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

bool isEnvelope(int parameter) { return parameter >= 0 && parameter < kEnvelopeParameterCount; }
bool isNotes(int parameter) { return parameter == kVNotes || parameter == kFNotes; }
bool isFilter(int parameter) { return parameter >= kFA && parameter <= kFNotes; }

// A typed value in a field, with the caret after it.
void drawTypedField(Painter& p, const Rect& field, const std::string& typed, bool centred) {
    p.rounded(field, 3, colours::kField);
    p.roundedOutline(field, 3, 1.5, colours::kFocus);
    const double top = field.y + (field.height - kValueSize * 1.2) / 2;
    const double end = centred ? p.centred(typed, field.x + field.width / 2.0, top, Weight::Regular, kValueSize,
                                           colours::kText)
                               : p.write(typed, field.x + 6, top, Weight::Regular, kValueSize, colours::kText);
    p.rect(end + 1, field.y + 4, 1.25, field.height - 8, colours::kText);
}

void drawTitleAndModes(Painter& p, SwitchMode mode) {
    p.rect(0, 0, kEditorWidth, 40, colours::kTitleBar);
    p.write("Quillbeat", 16, 9, Weight::Bold, kTitleSize, colours::kText);
    for (std::size_t i = 0; i < kModeButtons.size(); ++i) {
        const Rect& button = kModeButtons[i];
        const bool chosen = static_cast<std::size_t>(mode) == i;
        // The chosen button is filled, with a filled dot and bold text; the
        // others are outlined, with a hollow dot.
        if (chosen) {
            p.rounded(button, 5, colours::kButtonChosen);
        } else {
            p.rounded(button, 5, colours::kButton);
            p.roundedOutline(button, 5, 1, colours::kFrame);
        }
        const Argb ink = chosen ? colours::kButtonChosenText : colours::kDimText;
        const std::string_view label = kSwitchModes[i].label;
        const Weight weight = chosen ? Weight::Bold : Weight::Regular;
        const double textWidth = p.width(label, weight, kLabelSize);
        const double dot = 4, gap = 6;
        const double left = button.x + (button.width - (2 * dot + gap + textWidth)) / 2;
        const double middle = button.y + button.height / 2.0;
        if (chosen) {
            p.disc(left + dot, middle, dot, ink);
        } else {
            p.ring(left + dot, middle, dot, 1.25, ink);
        }
        p.write(label, left + 2 * dot + gap, middle - kLabelSize * 0.62, weight, kLabelSize, ink);
    }
}

void drawStepPicture(Painter& p, const EditorPicture& picture, DrawingCaches& caches) {
    const Rect& r = kStepPicture;
    const std::array<float, kParameterCount> values = shownValues(picture);
    const double s = p.s;
    const StepArea area{(r.x + 10) * s, (r.y + 22) * s, (r.width - 20) * s, (r.height - 28) * s, 2 * s};
    // The pixels the picture may touch, within the canvas.
    const int left = std::max(0, static_cast<int>(std::floor(r.x * s)));
    const int top = std::max(0, static_cast<int>(std::floor(r.y * s)));
    const int right = std::min(p.canvas.width, static_cast<int>(std::ceil((r.x + r.width) * s)));
    const int bottom = std::min(p.canvas.height, static_cast<int>(std::ceil((r.y + r.height) * s)));
    if (caches.stepLayer.holds(values, s, left, top, right - left, bottom - top)) {
        caches.stepLayer.copyInto(p.canvas);
    } else {
        p.rounded(r, 6, colours::kStepBackground);
        drawStepShape(p.canvas, area, caches.step.shape(values, stepColumns(area)));
        caches.stepLayer.keep(p.canvas, values, s, left, top, right - left, bottom - top);
    }
    drawPlayhead(p.canvas, area, picture.step);
    const double textTop = r.y + 5;
    double x = r.x + 10;
    if (picture.step) x = p.write(stepNumberText(picture.step->step), x, textTop, Weight::Bold, kLabelSize,
                                  colours::kText) + 12;
    if (!picture.step || picture.step->passingThrough) {
        p.write(kPassingThroughText, x, textTop, Weight::Regular, kLabelSize, colours::kNotice);
    }
    p.rightAligned(stepLengthText(values[kTempo], picture.sampleRate), r.x + r.width - 10, textTop, Weight::Regular,
                   kSmallSize, colours::kDimText);
}

// A group's heading with its key: a filled square for the volume, a line for
// the filter, as the step shows them.
void drawGroupHeading(Painter& p, bool filter, bool picked) {
    const double x = filter ? kFilterGroupX : kVolumeGroupX;
    if (filter) {
        p.rect(x, kGroupTop + 6, 12, 2.5, colours::kFilter);
    } else {
        p.rect(x + 1, kGroupTop + 2, 10, 10, colours::kVolumeFill);
    }
    p.write(groupHeading(filter, picked), x + 18, kGroupTop, Weight::Bold, kLabelSize,
            picked ? colours::kFilter : colours::kText);
}

// Where a value sits along its track: 0 to 1, a value that is not a number
// at 0.
double unitValue(float value) { return value > 0 ? std::min(static_cast<double>(value), 1.0) : 0.0; }

// A handle across a vertical track at `value`, or along a horizontal one.
Rect handleAt(const ControlPlace& place, float value) {
    const double v = unitValue(value);
    const Rect& t = place.track;
    if (place.horizontal) {
        const int x = static_cast<int>(std::lround(t.x + v * t.width));
        return {x - 4, t.y - 5, 8, t.height + 10};
    }
    const int y = static_cast<int>(std::lround(t.y + t.height - v * t.height));
    return {t.x - 5, y - 4, t.width + 10, 8};
}

// `host`, where the effect plays another value than the host's, marks the
// host's own value.
void drawTrack(Painter& p, const ControlPlace& place, float inUse, const float* host, Argb accent, bool dragged) {
    const Rect& t = place.track;
    p.rounded(t, 3, colours::kTrack);
    const double v = unitValue(inUse);
    if (place.horizontal) {
        if (v > 0) p.rounded(t.x, t.y, t.width * v, t.height, 3, accent);
    } else if (v > 0) {
        p.rounded(t.x, t.y + t.height * (1 - v), t.width, t.height * v, 3, accent);
    }
    if (host != nullptr) {
        // Hollow: the host's own value.
        const Rect h = handleAt(place, *host);
        p.roundedOutline(h.x - 1, h.y - 1, h.width + 2, h.height + 2, 3, 1.5, colours::kHandle);
    }
    const Rect h = handleAt(place, inUse);
    if (dragged) p.rounded(h.x - 2, h.y - 2, h.width + 4, h.height + 4, 4, colours::kFocus);
    p.rounded(h, 3, colours::kHandle);
}

void drawEnvelopeControl(Painter& p, const ControlPlace& place, const EditorPicture& picture, bool picked) {
    const int parameter = place.parameter;
    const Rect& a = place.area;
    const bool dragged = picture.dragged == parameter;
    const bool focused = picture.focused == parameter;
    if (dragged) p.rounded(a.x + 2, a.y, a.width - 4, a.height, 5, colours::kDragged);
    const double centre = a.x + a.width / 2.0;
    p.centred(controlName(parameter), centre, a.y + 2, Weight::Bold, kLabelSize, colours::kText);
    p.centred(codeName(parameter), centre, a.y + 16, Weight::Regular, kSmallSize, colours::kDimText);

    const float inUse = shownValue(picture, parameter);
    const float* host = picked ? &picture.hostValues[static_cast<std::size_t>(parameter)] : nullptr;
    drawTrack(p, place, inUse, host, isFilter(parameter) ? colours::kFilter : colours::kVolume, dragged);

    const double valueTop = place.track.y + place.track.height + 4;
    if (focused && picture.typedValue && !picture.songTempoFocused) {
        drawTypedField(p, {a.x + 4, static_cast<int>(valueTop) - 2, a.width - 8, 19}, *picture.typedValue, true);
    } else {
        p.centred(valueText(parameter, inUse), centre, valueTop, Weight::Regular, kValueSize, colours::kText);
    }
    const std::string below = isNotes(parameter) ? noteCountText(inUse, picture.beatsPerStep)
                                                 : stageTimeText(parameter, shownValues(picture), picture.sampleRate);
    double lineTop = valueTop + 16;
    for (const std::string& line : wrapped(p, below, a.width - 4, kSmallSize)) {
        p.centred(line, centre, lineTop, Weight::Regular, kSmallSize, colours::kDimText);
        lineTop += 12;
    }
    if (focused) p.roundedOutline(a.x + 1, a.y - 2, a.width - 2, a.height + 2, 5, 2, colours::kFocus);
}

void drawTempo(Painter& p, const ControlPlace& place, const EditorPicture& picture) {
    const Rect& a = place.area;
    const float tempo = shownValue(picture, kTempo);
    const bool focused = picture.focused == kTempo;
    if (picture.dragged == kTempo) p.rounded(a, 5, colours::kDragged);
    const double after = p.write(controlName(kTempo), a.x + 2, a.y + 2, Weight::Bold, kLabelSize, colours::kText);
    if (codeName(kTempo) != controlName(kTempo)) {
        p.write(codeName(kTempo), after + 6, a.y + 3, Weight::Regular, kSmallSize, colours::kDimText);
    }
    drawTrack(p, place, tempo, nullptr, colours::kVolume, picture.dragged == kTempo);
    const Rect& t = place.track;
    const double valueX = t.x + t.width + 12;
    if (focused && picture.typedValue && !picture.songTempoFocused) {
        drawTypedField(p, {static_cast<int>(valueX), t.y - 5, 64, 22}, *picture.typedValue, false);
    } else {
        p.write(valueText(kTempo, tempo), valueX, t.y - 3, Weight::Bold, kValueSize, colours::kText);
    }
    p.write(playsAtText(tempo, picture.sampleRate, picture.beatsPerStep), a.x + 2, t.y + t.height + 4,
            Weight::Regular, kSmallSize, colours::kText);
    if (focused) p.roundedOutline(a.x - 2, a.y - 2, a.width + 4, a.height + 4, 5, 2, colours::kFocus);
}

void drawSongTempo(Painter& p, const EditorPicture& picture) {
    const Rect& field = kSongTempoField;
    p.write(kSongTempoLabel, field.x, field.y - 16, Weight::Regular, kSmallSize, colours::kDimText);
    if (picture.songTempoFocused) {
        drawTypedField(p, field, picture.typedValue.value_or(picture.songTempoText), false);
    } else {
        p.rounded(field, 3, colours::kField);
        p.roundedOutline(field, 3, 1, colours::kFrame);
        p.write(picture.songTempoText, field.x + 6, field.y + (field.height - kValueSize * 1.2) / 2, Weight::Regular,
                kValueSize, colours::kText);
    }
    if (picture.songTempoDriftFrames) {
        p.write(driftText(*picture.songTempoDriftFrames), field.x + field.width + 10, field.y + 4, Weight::Regular,
                kLabelSize, colours::kText);
    }
    if (!picture.notice.empty()) {
        p.write(picture.notice, field.x, field.y + field.height + 3, Weight::Regular, kSmallSize, colours::kNotice);
    }
}

}  // namespace

void drawEditor(Canvas& canvas, const EditorPicture& picture, double scale) {
    if (canvas.width <= 0 || canvas.height <= 0 || !(scale > 0)) return;
    fillPixels(canvas, 0, 0, canvas.width, canvas.height, colours::kPanel);
    const SwitchMode mode = switchMode(picture.hostValues[kRndSw]);
    const bool picked = valuesPickedByPlugin(picture);
    drawingCaches.use([&](DrawingCaches& caches) {
        Painter p(canvas, scale, caches.text);
        drawTitleAndModes(p, mode);
        drawStepPicture(p, picture, caches);
        drawGroupHeading(p, false, picked);
        drawGroupHeading(p, true, picked);
        // Between the groups, and above Tempo.
        p.rect((kVolumeGroupX + 5 * kEnvelopeColumnWidth + kFilterGroupX) / 2.0, kGroupTop, 1,
               kColumnTop + kColumnHeight - kGroupTop, colours::kFrame);
        for (const ControlPlace& place : kControlPlaces) {
            if (isEnvelope(place.parameter)) {
                drawEnvelopeControl(p, place, picture, picked);
            } else if (place.parameter == kTempo) {
                drawTempo(p, place, picture);
            }
        }
        drawSongTempo(p, picture);
    });
}
