// The editor's drawing: the rasteriser's shapes, the same bytes every time,
// each value changing its own control only, the modes drawn apart, the
// thumbnail, and PNG files that read back as drawn.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <thread>
#include <vector>

#include "editor/canvas_drawing.h"
#include "editor/changed_area.h"
#include "editor/draw_editor.h"
#include "editor/editor_layout.h"
#include "editor/png_file.h"
#include "editor/text_drawing.h"
#include "effect/parameter_scales.h"

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wcast-align"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#endif
#include <stb_image.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace {

// White on black: the sum of the red channel, in pixels' worth.
double coveredArea(const Canvas& canvas) {
    double sum = 0;
    for (std::uint32_t pixel : canvas.pixels) sum += ((pixel >> 16) & 0xFF) / 255.0;
    return sum;
}

TEST(CanvasDrawing, ShapesCoverTheirArea) {
    const double pi = 3.14159265358979;
    struct ShapeCase {
        const char* what;
        void (*add)(Path&);
        double area;
        double tolerance;
    };
    const ShapeCase cases[] = {
        {"whole-pixel rectangle", [](Path& p) { p.rect(2, 2, 10, 10); }, 100, 0},
        {"rectangle on half pixels", [](Path& p) { p.rect(2.5, 2.5, 10, 7); }, 70, 0.3},
        {"rectangle's outline", [](Path& p) { p.rectOutline(2, 2, 20, 10, 2); }, 200 - 16 * 6, 0.3},
        {"circle", [](Path& p) { p.circle(20, 20, 10); }, pi * 100, 2},
        {"ring", [](Path& p) { p.ring(20, 20, 10, 2); }, pi * (100 - 64), 2},
        {"rounded rectangle", [](Path& p) { p.roundedRect(2, 2, 20, 10, 3); }, 200 - (4 - pi) * 9, 1},
        {"rounded outline", [](Path& p) { p.roundedRectOutline(2, 2, 20, 10, 3, 1); }, 200 - (4 - pi) * 9 - (18 * 8 - (4 - pi) * 4), 1.5},
        // Half a width beyond each end.
        {"stroke", [](Path& p) { const Point line[] = {{5, 10}, {15, 10}}; p.stroke(line, 2); }, 24, 0.3},
        {"two strokes meeting", [](Path& p) { const Point line[] = {{5, 10}, {15, 10}, {15, 20}}; p.stroke(line, 2); }, 44, 0.6},
        {"outside the canvas", [](Path& p) { p.rect(-50, -50, 10, 10); }, 0, 0},
        {"across its edge", [](Path& p) { p.rect(-5, 2, 10, 10); }, 50, 0},
    };
    for (const ShapeCase& c : cases) {
        Canvas canvas(40, 40);
        std::fill(canvas.pixels.begin(), canvas.pixels.end(), opaque(0));
        Path path;
        c.add(path);
        fillPath(canvas, path, opaque(0xFFFFFF));
        EXPECT_NEAR(coveredArea(canvas), c.area, c.tolerance) << c.what;
    }
}

EditorPicture examplePicture() {
    EditorPicture picture;
    const float values[kParameterCount] = {0.3f, 0.15f, 0.4f, 0.1f, 0.23f, 0.5f, 0.2f, 0.3f, 0.05f, 0.17f, 0.0f, 0.24f};
    std::copy(std::begin(values), std::end(values), picture.hostValues.begin());
    picture.valuesInUse = picture.hostValues;
    picture.step = StepView{37800, 12, 9000, 9449, 12599, false};
    picture.songTempoText = "128";
    picture.songTempoDriftFrames = 12;
    return picture;
}

Canvas drawn(const EditorPicture& picture, double scale = 1) {
    Canvas canvas(static_cast<int>(std::lround(kEditorWidth * scale)), static_cast<int>(std::lround(kEditorHeight * scale)));
    drawEditor(canvas, picture, scale);
    return canvas;
}

bool inside(const Rect& r, int x, int y) { return r.contains(x, y); }

TEST(EditorDrawing, SameValuesSameBytesOnAnyThread) {
    const EditorPicture picture = examplePicture();
    for (double scale : {1.0, 2.0}) {
        const Canvas first = drawn(picture, scale);
        EXPECT_EQ(drawn(picture, scale).pixels, first.pixels) << scale;
        // Another thread, drawing at the same time as this one, works with
        // caches of its own: the same bytes again.
        Canvas other;
        std::thread drawer([&] { other = drawn(picture, scale); });
        const Canvas meanwhile = drawn(picture, scale);
        drawer.join();
        EXPECT_EQ(other.pixels, first.pixels) << scale;
        EXPECT_EQ(meanwhile.pixels, first.pixels) << scale;
    }
}

// A canvas of another size than the scale's gets the same drawing, cut at
// its edges, and nothing written beyond them.
TEST(EditorDrawing, OtherCanvasSizesAreCut) {
    const EditorPicture picture = examplePicture();
    const Canvas full = drawn(picture);
    for (auto [width, height] : {std::pair{300, 200}, std::pair{kEditorWidth, 100}, std::pair{900, 500}}) {
        Canvas canvas(width, height);
        drawEditor(canvas, picture, 1);
        std::size_t differing = 0;
        for (int y = 0; y < std::min(height, kEditorHeight); ++y) {
            for (int x = 0; x < std::min(width, kEditorWidth); ++x) {
                differing += canvas.pixels[static_cast<std::size_t>(y) * width + x] !=
                             full.pixels[static_cast<std::size_t>(y) * kEditorWidth + x];
            }
        }
        EXPECT_EQ(differing, 0u) << width << " x " << height;
    }
}

// Each value, changed, changes pixels inside its control and, where it
// shapes the step as played, the step's picture; nowhere else.
TEST(EditorDrawing, AValueRedrawsItsOwnControl) {
    struct ValueCase {
        int parameter;
        float to;
        SwitchMode mode;
        bool stepChanges;
        // Controls whose times this value enters: a sustain level ends
        // decay 1 and starts decay 2, and decay 2's rate falls in decay 1.
        std::vector<int> neighbours = {};
    };
    const ValueCase cases[] = {
        {kVA, 0.7f, SwitchMode::Manual, true},
        {kVD1, 0.4f, SwitchMode::Manual, true},
        {kVS, 0.8f, SwitchMode::Manual, true, {kVD1, kVD2}},
        {kVD2, 0.3f, SwitchMode::Manual, true, {kVD1}},
        {kVNotes, 0.5f, SwitchMode::Manual, true},
        {kFA, 0.1f, SwitchMode::Manual, true},
        {kFD1, 0.6f, SwitchMode::Manual, true},
        {kFS, 0.1f, SwitchMode::Manual, true, {kFD1, kFD2}},
        {kFD2, 0.5f, SwitchMode::Manual, true, {kFD1}},
        {kFNotes, 0.37f, SwitchMode::Manual, true},
        {kTempo, 0.5f, SwitchMode::Manual, true},
        // In RANDOM the step plays the picked values: the host's own value
        // moves only its hollow marker.
        {kVD1, 0.9f, SwitchMode::Random, false},
        {kFS, 0.9f, SwitchMode::Auto, false},
    };
    const auto areaOf = [](int parameter) {
        return std::find_if(kControlPlaces.begin(), kControlPlaces.end(),
                            [&](const ControlPlace& p) { return p.parameter == parameter; })
            ->area;
    };
    for (const ValueCase& c : cases) {
        EditorPicture before = examplePicture();
        before.hostValues[kRndSw] = kSwitchModes[static_cast<int>(c.mode)].value;
        before.valuesInUse = before.hostValues;
        EditorPicture after = before;
        after.hostValues[static_cast<std::size_t>(c.parameter)] = c.to;
        if (c.mode == SwitchMode::Manual) after.valuesInUse = after.hostValues;
        const Canvas a = drawn(before), b = drawn(after);
        const Rect control = areaOf(c.parameter);
        // What a window copies to the screen after the change.
        const Rect copied = changedArea(a.pixels, b);
        int inControl = 0, inStep = 0, elsewhere = 0, notCopied = 0;
        for (int y = 0; y < a.height; ++y) {
            for (int x = 0; x < a.width; ++x) {
                const std::size_t i = static_cast<std::size_t>(y) * a.width + x;
                if (a.pixels[i] == b.pixels[i]) continue;
                if (!inside(copied, x, y)) ++notCopied;
                if (inside(control, x, y)) {
                    ++inControl;
                } else if (inside(kStepPicture, x, y)) {
                    ++inStep;
                } else if (std::none_of(c.neighbours.begin(), c.neighbours.end(),
                                        [&](int n) { return inside(areaOf(n), x, y); })) {
                    ++elsewhere;
                }
            }
        }
        EXPECT_GT(inControl, 0) << c.parameter;
        EXPECT_EQ(inStep > 0, c.stepChanges) << c.parameter;
        EXPECT_EQ(elsewhere, 0) << c.parameter;
        EXPECT_EQ(notCopied, 0) << c.parameter;
        if (!c.stepChanges && c.neighbours.empty()) {
            EXPECT_TRUE(inside(control, copied.x, copied.y) &&
                        inside(control, copied.x + copied.width - 1, copied.y + copied.height - 1))
                << c.parameter << ": copies more than its control";
        }
        EXPECT_EQ(changedArea(a.pixels, a).width, 0) << "an unchanged drawing copies nothing";
    }
}

TEST(EditorDrawing, ModesAndStatesDrawnApart) {
    const EditorPicture base = examplePicture();
    std::vector<std::vector<std::uint32_t>> buttons;
    for (const ScalePoint& mode : kSwitchModes) {
        EditorPicture picture = base;
        picture.hostValues[kRndSw] = mode.value;
        const Canvas canvas = drawn(picture);
        std::vector<std::uint32_t> pixels;
        for (const Rect& r : kModeButtons) {
            for (int y = r.y; y < r.y + r.height; ++y) {
                for (int x = r.x; x < r.x + r.width; ++x) pixels.push_back(canvas.pixels[static_cast<std::size_t>(y) * canvas.width + x]);
            }
        }
        buttons.push_back(pixels);
    }
    EXPECT_NE(buttons[0], buttons[1]);
    EXPECT_NE(buttons[1], buttons[2]);
    EXPECT_NE(buttons[0], buttons[2]);

    // Each state of the user's or the effect's differs from the plain
    // picture.
    const Canvas plain = drawn(base);
    const auto changed = [&](void (*change)(EditorPicture&)) {
        EditorPicture picture = base;
        change(picture);
        return drawn(picture).pixels != plain.pixels;
    };
    EXPECT_TRUE(changed([](EditorPicture& p) { p.step->passingThrough = true; }));
    EXPECT_TRUE(changed([](EditorPicture& p) { p.step.reset(); }));
    EXPECT_TRUE(changed([](EditorPicture& p) { p.step->frameInStep = 20000; }));
    EXPECT_TRUE(changed([](EditorPicture& p) { p.step->step = 13; }));
    EXPECT_TRUE(changed([](EditorPicture& p) { p.focused = kVS; }));
    EXPECT_TRUE(changed([](EditorPicture& p) { p.dragged = kTempo; }));
    EXPECT_TRUE(changed([](EditorPicture& p) { p.focused = kFA; p.typedValue = "0.5"; }));
    EXPECT_TRUE(changed([](EditorPicture& p) { p.songTempoFocused = true; p.typedValue = "12"; }));
    EXPECT_TRUE(changed([](EditorPicture& p) { p.songTempoDriftFrames = -3; }));
    EXPECT_TRUE(changed([](EditorPicture& p) { p.notice = "a step is at most 44,100 frames"; }));
    EXPECT_TRUE(changed([](EditorPicture& p) { p.beatsPerStep = 1; }));
    EXPECT_TRUE(changed([](EditorPicture& p) { p.sampleRate = 48000; }));
    // Values no host should send are drawn at an end of their track.
    EXPECT_TRUE(changed([](EditorPicture& p) {
        p.hostValues.fill(std::numeric_limits<float>::quiet_NaN());
        p.valuesInUse.fill(std::numeric_limits<float>::infinity());
    }));
}

TEST(EditorDrawing, TextIsDrawn) {
    TextDrawer text;
    for (Weight weight : {Weight::Regular, Weight::Bold}) {
        Canvas canvas(120, 20);
        std::fill(canvas.pixels.begin(), canvas.pixels.end(), opaque(0));
        const TextStyle style{weight, 11, opaque(0xFFFFFF)};
        const double end = text.draw(canvas, "step 12", 2, 2, style);
        EXPECT_NEAR(end - 2, text.width("step 12", style), 1e-9);
        EXPECT_GT(end, 30);
        // Ink in about a fifth of the text's box; never none, never all.
        const double ink = coveredArea(canvas) / ((end - 2) * 11);
        EXPECT_GT(ink, 0.1);
        EXPECT_LT(ink, 0.5);
    }
}

TEST(StepThumbnail, FitsAnySizeAndFollowsTheValues) {
    EditorPicture picture = examplePicture();
    for (auto [width, height] : {std::pair{200, 60}, std::pair{80, 24}}) {
        Canvas first(width, height), again(width, height);
        drawStepThumbnail(first, picture);
        drawStepThumbnail(again, picture);
        EXPECT_EQ(first.pixels, again.pixels);
        EXPECT_GT(std::count_if(first.pixels.begin(), first.pixels.end(),
                                [&](std::uint32_t p) { return p != first.pixels[0]; }),
                  width * height / 10);
        EditorPicture other = picture;
        other.hostValues[kVNotes] = other.valuesInUse[kVNotes] = 0.5f;
        Canvas changed(width, height);
        drawStepThumbnail(changed, other);
        EXPECT_NE(changed.pixels, first.pixels);
    }
}

TEST(PngFile, ReadsBackAsDrawn) {
    const Canvas canvas = drawn(examplePicture());
    const std::vector<std::uint8_t> png = pngBytes(canvas);
    int width = 0, height = 0, channels = 0;
    stbi_uc* rgb = stbi_load_from_memory(png.data(), static_cast<int>(png.size()), &width, &height, &channels, 3);
    ASSERT_NE(rgb, nullptr);
    EXPECT_EQ(width, kEditorWidth);
    EXPECT_EQ(height, kEditorHeight);
    std::size_t differing = 0;
    for (std::size_t i = 0; i < canvas.pixels.size(); ++i) {
        const std::uint32_t p = canvas.pixels[i];
        differing += rgb[i * 3] != ((p >> 16) & 0xFF) || rgb[i * 3 + 1] != ((p >> 8) & 0xFF) || rgb[i * 3 + 2] != (p & 0xFF);
    }
    stbi_image_free(rgb);
    EXPECT_EQ(differing, 0u);
    EXPECT_TRUE(pngBytes(Canvas()).empty());
    EXPECT_FALSE(writePng(canvas, "/nonexistent-folder/editor.png"));
}

}  // namespace
