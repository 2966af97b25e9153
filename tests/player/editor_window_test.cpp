// The plug-in's window as a host opens it through the host library, on the
// X display: one table of cases, each run for every edition the table's
// formats name. The window is a child of the test's own window; a capture
// of it must equal the drawing of the same values pixel for pixel, and the
// pointer and keys, given through XTest, must reach the plug-in as the
// format tells a host of an edit. Without a display the cases skip.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "editor/draw_editor.h"
#include "editor/editor_layout.h"
#include "effect/parameter_text.h"
#include "effect/parameters.h"
#include "player/lv2_instance.h"
#include "tests/support/x_display.h"

namespace {

constexpr double kRate = 44100.0;
constexpr std::uint32_t kFrames = 512;
constexpr float kManual = 0.0f;

// What a window case needs of a format: the plug-in, and the picture its
// window should show now, from what the plug-in told its host.
struct Format {
    const char* name;
    std::function<std::unique_ptr<PluginInstance>()> open;
    std::function<EditorPicture(PluginInstance&)> expectedPicture;
};

// The LV2 window shows the controls the host holds, the values in use and
// the step from the plug-in's output ports.
EditorPicture lv2Picture(PluginInstance& plugin) {
    auto& lv2 = dynamic_cast<Lv2Instance&>(plugin);
    EditorPicture picture;
    for (int i = 0; i < kParameterCount; ++i) {
        const auto index = static_cast<std::size_t>(i);
        picture.hostValues[index] = lv2.controlValue(index);
        picture.valuesInUse[index] = static_cast<float>(lv2.valueInUse(index));
    }
    const auto port = [&](const char* symbol) { return static_cast<std::int32_t>(lv2.outputValue(symbol).value_or(0)); };
    if (port("frames_per_step") >= 1)
        picture.step = StepView{port("frames_per_step"), port("step"), port("frame_in_step"), port("volume_note_period"),
                                port("filter_note_period"), port("passing_through") != 0};
    picture.sampleRate = lv2.outputValue("sample_rate").value_or(static_cast<float>(kRate));
    return picture;
}

const Format kFormats[] = {
    {"LV2", [] { return std::make_unique<Lv2Instance>(QUILLBEAT_LV2_BUNDLE); }, lv2Picture},
};

// One open window and what the case does with it.
class Window {
public:
    Window(const Format& format, XTestDisplay& display, double scale = 1.0)
        : format(format), display(display), plugin(format.open()) {
        plugin->activate(kRate, kFrames);
        parent = display.makeParent(1200, 800);
        size = plugin->openEditor(parent, scale);
        display.waitFor([&] { return (window = display.firstChild()) != 0 && display.viewable(window); },
                        [&] { plugin->idleEditor(); });
    }
    ~Window() {
        plugin->closeEditor();
        display.destroyParent();
    }

    // Blocks of a rolling transport from where the last one ended.
    void play(int blocks) {
        std::vector<float> left(kFrames), right(kFrames);
        float* channels[2] = {left.data(), right.data()};
        for (int b = 0; b < blocks; ++b) {
            std::fill(left.begin(), left.end(), 0.5f);
            std::fill(right.begin(), right.end(), 0.5f);
            const HostPosition position{sample, 120.0, true};
            EXPECT_TRUE(plugin->play({channels, channels, kFrames, &position, {}, {}}));
            sample += kFrames;
        }
    }
    // Closed and opened again in the same place.
    void reopen() {
        plugin->closeEditor();
        size = plugin->openEditor(parent, 1.0);
        display.waitFor([&] { return (window = display.firstChild()) != 0 && display.viewable(window); },
                        [&] { plugin->idleEditor(); });
    }
    void setMode(float mode) {
        plugin->setValue(kRndSw, mode);
        play(1);
    }

    // Idle calls until the window shows the drawing of the expected picture;
    // the pixels that differ at the last look otherwise.
    std::size_t differingPixels(double scale = 1.0) {
        const EditorPicture picture = format.expectedPicture(*plugin);
        Canvas expected(static_cast<int>(std::lround(kEditorWidth * scale)),
                        static_cast<int>(std::lround(kEditorHeight * scale)));
        drawEditor(expected, picture, scale);
        std::size_t differing = expected.pixels.size();
        display.waitFor(
            [&] {
                const Canvas shown = display.capture(window);
                if (shown.width != expected.width || shown.height != expected.height) return false;
                differing = 0;
                for (std::size_t i = 0; i < shown.pixels.size(); ++i)
                    differing += (shown.pixels[i] | 0xFF000000u) != (expected.pixels[i] | 0xFF000000u);
                return differing == 0;
            },
            [&] { plugin->idleEditor(); });
        return differing;
    }

    // The pointer at a point of the editor (scale 1), pressed, moved by
    // (dx, dy) in steps with the window's events handled between, and, if
    // `release`, let go.
    void drag(int x, int y, int dx, int dy, bool release = true) {
        display.movePointer(window, x, y);
        idle();
        display.pressButton(1);
        idle();
        for (int step = 1; step <= 5; ++step) {
            display.movePointer(window, x + dx * step / 5, y + dy * step / 5);
            idle();
        }
        if (!release) return;
        display.releaseButton(1);
        idle();
    }
    void click(int x, int y) { drag(x, y, 0, 0); }
    // Idle calls for a while, as a host's update timer makes them.
    void idle() {
        display.sync();
        for (int i = 0; i < 5; ++i) plugin->idleEditor();
    }

    const Format& format;
    XTestDisplay& display;
    std::unique_ptr<PluginInstance> plugin;
    std::uint64_t parent = 0;
    std::uint64_t window = 0;
    std::optional<EditorSize> size;
    double sample = 0.0;
};

Rect trackOf(int parameter) {
    return std::find_if(kControlPlaces.begin(), kControlPlaces.end(),
                        [&](const ControlPlace& place) { return place.parameter == parameter; })
        ->track;
}

// The edits told for one parameter as one gesture: begin, values, end.
void expectOneGesture(const std::vector<EditorEdit>& edits, int parameter) {
    ASSERT_GE(edits.size(), 3u);
    EXPECT_EQ(edits.front(), (EditorEdit{EditorEdit::Kind::begin, static_cast<std::uint32_t>(parameter), 0.0}));
    EXPECT_EQ(edits.back(), (EditorEdit{EditorEdit::Kind::end, static_cast<std::uint32_t>(parameter), 0.0}));
    for (std::size_t i = 1; i + 1 < edits.size(); ++i) {
        EXPECT_EQ(edits[i].kind, EditorEdit::Kind::value) << i;
        EXPECT_EQ(edits[i].index, static_cast<std::uint32_t>(parameter)) << i;
    }
}

struct WindowCase {
    const char* name;
    std::function<void(const Format&, XTestDisplay&)> run;
};

const WindowCase kCases[] = {
    {"opens at its size at scale 1 and 1.5, in the host's window",
     [](const Format& format, XTestDisplay& display) {
         for (const double scale : {1.0, 1.5}) {
             Window window(format, display, scale);
             const auto width = static_cast<std::uint32_t>(std::lround(kEditorWidth * scale));
             const auto height = static_cast<std::uint32_t>(std::lround(kEditorHeight * scale));
             ASSERT_TRUE(window.size) << scale;
             EXPECT_EQ(window.size->width, width) << scale;
             EXPECT_EQ(window.size->height, height) << scale;
             int shownWidth = 0, shownHeight = 0;
             ASSERT_TRUE(display.viewable(window.window, &shownWidth, &shownHeight)) << scale;
             EXPECT_EQ(shownWidth, static_cast<int>(width)) << scale;
             EXPECT_EQ(shownHeight, static_cast<int>(height)) << scale;
             EXPECT_EQ(window.differingPixels(scale), 0u) << scale;
         }
     }},
    {"shows the drawing of the values and the step, and each step's picks in RANDOM",
     [](const Format& format, XTestDisplay& display) {
         Window window(format, display);
         window.setMode(kSwitchModes[1].value);
         window.play(20);
         ASSERT_EQ(window.differingPixels(), 0u);
         const auto picked = format.expectedPicture(*window.plugin).valuesInUse;
         // 44,100 frames a step at most: past the next boundary.
         window.play(90);
         EXPECT_NE(format.expectedPicture(*window.plugin).valuesInUse, picked);
         EXPECT_EQ(window.differingPixels(), 0u);
     }},
    {"opened again, shows the current values and picks at once",
     [](const Format& format, XTestDisplay& display) {
         Window window(format, display);
         window.setMode(kSwitchModes[2].value);
         window.play(100);
         window.reopen();
         EXPECT_EQ(window.differingPixels(), 0u);
     }},
    {"a drag sets the control between a touch's begin and end, for the next block",
     [](const Format& format, XTestDisplay& display) {
         Window window(format, display);
         window.setMode(kManual);
         window.plugin->takeEditorEdits();
         const Rect track = trackOf(kVD1);
         window.drag(track.x + track.width / 2, track.y + track.height / 2, 0, -20);
         const std::vector<EditorEdit> edits = window.plugin->takeEditorEdits();
         expectOneGesture(edits, kVD1);
         ASSERT_GE(edits.size(), 3u);
         const double set = edits[edits.size() - 2].value;
         EXPECT_GT(set, kParameterTable[kVD1].initialValue);
         window.play(1);
         EXPECT_EQ(window.plugin->valueInUse(kVD1), set);
     }},
    {"a value typed into a control is set as its text reads",
     [](const Format& format, XTestDisplay& display) {
         Window window(format, display);
         window.setMode(kManual);
         const Rect track = trackOf(kTempo);
         window.click(track.x + track.width / 2, track.y + track.height / 2);
         window.plugin->takeEditorEdits();
         display.type("140");
         display.pressKey("Return");
         window.idle();
         const std::vector<EditorEdit> edits = window.plugin->takeEditorEdits();
         expectOneGesture(edits, kTempo);
         ASSERT_EQ(edits.size(), 3u);
         EXPECT_EQ(edits[1].value, valueOfText(kTempo, "140").value());
         window.play(1);
         EXPECT_EQ(window.plugin->valueInUse(kTempo), edits[1].value);
     }},
    {"a mode button sets the mode",
     [](const Format& format, XTestDisplay& display) {
         Window window(format, display);
         window.setMode(kManual);
         window.plugin->takeEditorEdits();
         const Rect random = kModeButtons[1];
         window.click(random.x + random.width / 2, random.y + random.height / 2);
         const std::vector<EditorEdit> edits = window.plugin->takeEditorEdits();
         expectOneGesture(edits, kRndSw);
         ASSERT_EQ(edits.size(), 3u);
         EXPECT_EQ(edits[1].value, kSwitchModes[1].value);
         window.play(1);
         EXPECT_EQ(window.plugin->valueInUse(kRndSw), kSwitchModes[1].value);
     }},
    {"closed in the middle of a drag, ends the touch and lets the pointer go",
     [](const Format& format, XTestDisplay& display) {
         Window window(format, display);
         window.setMode(kManual);
         window.plugin->takeEditorEdits();
         const Rect track = trackOf(kFS);
         window.drag(track.x + track.width / 2, track.y + track.height / 2, 0, -15, false);
         EXPECT_TRUE(display.pointerGrabbed());
         window.plugin->closeEditor();
         display.releaseButton(1);
         const std::vector<EditorEdit> edits = window.plugin->takeEditorEdits();
         expectOneGesture(edits, kFS);
         EXPECT_FALSE(display.pointerGrabbed());
         EXPECT_EQ(display.firstChild(), 0u);
     }},
};

class EditorWindow : public testing::TestWithParam<std::tuple<const Format*, const WindowCase*>> {};

TEST_P(EditorWindow, Case) {
    std::string why;
    const std::unique_ptr<XTestDisplay> display = XTestDisplay::open(&why);
    if (display == nullptr) GTEST_SKIP() << "no window tests here: " << why;
    const auto& [format, windowCase] = GetParam();
    windowCase->run(*format, *display);
}

std::vector<const Format*> formats() {
    std::vector<const Format*> all;
    for (const Format& format : kFormats) all.push_back(&format);
    return all;
}

std::vector<const WindowCase*> cases() {
    std::vector<const WindowCase*> all;
    for (const WindowCase& windowCase : kCases) all.push_back(&windowCase);
    return all;
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, EditorWindow, testing::Combine(testing::ValuesIn(formats()), testing::ValuesIn(cases())),
                         [](const auto& info) {
                             std::string name = std::string(std::get<0>(info.param)->name) + "_" +
                                                std::get<1>(info.param)->name;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

// Ardour's mixer strip: the plug-in draws the step as the editor's
// thumbnail of the same values, at the host's width and half as tall (no
// taller than the host takes), and asks again for a drawing when the values
// in use change, not at every block. No display needed.
TEST(Lv2InlineDisplay, DrawsTheStepAsTheEditorsThumbnailAndAsksAgainOnChange) {
    Lv2Instance lv2(QUILLBEAT_LV2_BUNDLE);
    lv2.activate(kRate, kFrames);
    lv2.setValue(kRndSw, kManual);
    std::vector<float> left(kFrames, 0.5f), right(kFrames, 0.5f);
    float* channels[2] = {left.data(), right.data()};
    double sample = 0.0;
    const auto play = [&] {
        const HostPosition position{sample, 120.0, true};
        ASSERT_TRUE(lv2.play({channels, channels, kFrames, &position, {}, {}}));
        sample += kFrames;
    };
    const auto expectThumbnail = [&](std::uint32_t width, std::uint32_t maxHeight, int height) {
        const std::optional<Canvas> shown = lv2.inlineDisplay(width, maxHeight);
        Canvas expected(static_cast<int>(width), height);
        drawStepThumbnail(expected, lv2Picture(lv2));
        if (!shown) return ADD_FAILURE() << width << " x " << maxHeight << ": no picture";
        EXPECT_EQ(shown->width, expected.width);
        EXPECT_EQ(shown->height, expected.height);
        EXPECT_TRUE(shown->pixels == expected.pixels) << width << " x " << maxHeight;
    };
    for (int block = 0; block < 30; ++block) play();
    const std::uint32_t asked = lv2.inlineDisplayRequests();
    EXPECT_GT(asked, 0u);
    expectThumbnail(160, 200, 80);
    expectThumbnail(160, 30, 30);
    const std::optional<Canvas> before = lv2.inlineDisplay(160, 80);
    play();
    EXPECT_EQ(lv2.inlineDisplayRequests(), asked) << "asked again with nothing changed";
    lv2.setValue(kVD1, 0.6f);
    play();
    EXPECT_GT(lv2.inlineDisplayRequests(), asked);
    expectThumbnail(160, 200, 80);
    ASSERT_TRUE(before);
    EXPECT_FALSE(lv2.inlineDisplay(160, 80)->pixels == before->pixels);
    EXPECT_FALSE(lv2.inlineDisplay(0, 80)) << "a picture of no width";
}

}  // namespace
