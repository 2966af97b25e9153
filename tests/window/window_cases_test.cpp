// Plug-ins' own windows through the host library, on the X display of the
// test (Xvfb under scripts/test.sh): one table of cases, each opening a
// window in a parent window of the test's, checking its size and that the
// screen shows exactly what drawEditor draws for the same values, then
// acting on it with XTest as a user would and checking what the host was
// told, and that a render after the change equals quillbeat-render's with
// that value. Without a display every case is skipped, saying why; the
// check that loading and rendering open no X connection needs none.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "editor/draw_editor.h"
#include "editor/editor_layout.h"
#include "editor/editor_model.h"
#include "editor/step_timing.h"
#include "effect/parameter_scales.h"
#include "effect/parameters.h"
#include "effect/parameter_text.h"
#include "player/clap_instance.h"
#include "player/lv2_instance.h"
#include "tests/render/support/sound_files.h"
#include "tests/render/support/tool_runner.h"
#include "tests/support/expected_editor_picture.h"
#include "tests/support/x_display.h"

namespace {

constexpr double kRate = 44100.0;
constexpr std::uint32_t kBlock = 512;

enum class Act {
    look,          // open, compare, close
    drag,          // drag vD1 upwards in several motions
    type,          // click vS and type a value
    modeClick,     // click the RANDOM button
    closeMidDrag,  // close the window while vD1 is being dragged
    reopen,        // close, change values, open again: shows them at once
};

struct WindowCase {
    const char* name;
    // The plug-in, as the host has it before it opens the window.
    std::function<std::unique_ptr<PluginInstance>()> open;
    std::string pluginPath;  // for quillbeat-render
    double scale;
    Act act;
    // Blocks are played while the user acts (the edits come in process), or
    // not (they come in a flush the plug-in asks for).
    bool playing;
    bool opens = true;
};

void PrintTo(const WindowCase& row, std::ostream* out) { *out << row.name; }

std::unique_ptr<PluginInstance> clapWith(bool timers, bool fds) {
    auto clap = std::make_unique<ClapInstance>(QUILLBEAT_CLAP_PATH);
    clap->windowHost().offersTimers = timers;
    clap->windowHost().offersFds = fds;
    return clap;
}

std::unique_ptr<PluginInstance> lv2() { return std::make_unique<Lv2Instance>(QUILLBEAT_LV2_BUNDLE); }

const WindowCase kCases[] = {
    {"ClapLooksAtScaleOne", [] { return clapWith(true, true); }, QUILLBEAT_CLAP_PATH, 1.0, Act::look, false},
    {"ClapLooksAtScaleOneAndAHalf", [] { return clapWith(true, false); }, QUILLBEAT_CLAP_PATH, 1.5, Act::look, true},
    {"ClapLooksWithDescriptorsAlone", [] { return clapWith(false, true); }, QUILLBEAT_CLAP_PATH, 1.0, Act::look,
     true},
    // No way to give the window its time: no window, the host shows its own
    // controls.
    {"ClapWithoutTimersOrDescriptorsOpensNone", [] { return clapWith(false, false); }, QUILLBEAT_CLAP_PATH, 1.0,
     Act::look, false, false},
    {"ClapDragWhilePlaying", [] { return clapWith(true, true); }, QUILLBEAT_CLAP_PATH, 1.0, Act::drag, true},
    {"ClapDragWhileStoppedIsFlushed", [] { return clapWith(true, false); }, QUILLBEAT_CLAP_PATH, 1.0, Act::drag,
     false},
    {"ClapDragWithDescriptorsAlone", [] { return clapWith(false, true); }, QUILLBEAT_CLAP_PATH, 1.25, Act::drag,
     false},
    {"ClapReopenedShowsTheValuesNow", [] { return clapWith(true, true); }, QUILLBEAT_CLAP_PATH, 1.0, Act::reopen,
     false},
    {"ClapTypedValue", [] { return clapWith(true, true); }, QUILLBEAT_CLAP_PATH, 1.0, Act::type, true},
    {"ClapModeClick", [] { return clapWith(true, true); }, QUILLBEAT_CLAP_PATH, 1.0, Act::modeClick, false},
    {"ClapClosedMidDragWhilePlaying", [] { return clapWith(true, true); }, QUILLBEAT_CLAP_PATH, 1.0,
     Act::closeMidDrag, true},
    {"ClapClosedMidDragWhileStopped", [] { return clapWith(false, true); }, QUILLBEAT_CLAP_PATH, 1.0,
     Act::closeMidDrag, false},
    // The bundle's X11 UI, at the host's ui:scaleFactor; its edits are port
    // writes between ui:touch calls, at once whether or not blocks play.
    {"Lv2LooksAtScaleOne", lv2, QUILLBEAT_LV2_BUNDLE, 1.0, Act::look, false},
    {"Lv2LooksAtScaleOneAndAHalf", lv2, QUILLBEAT_LV2_BUNDLE, 1.5, Act::look, true},
    {"Lv2DragWhilePlaying", lv2, QUILLBEAT_LV2_BUNDLE, 1.0, Act::drag, true},
    {"Lv2DragWhileStopped", lv2, QUILLBEAT_LV2_BUNDLE, 1.25, Act::drag, false},
    {"Lv2TypedValue", lv2, QUILLBEAT_LV2_BUNDLE, 1.0, Act::type, true},
    {"Lv2ModeClick", lv2, QUILLBEAT_LV2_BUNDLE, 1.0, Act::modeClick, false},
    {"Lv2ClosedMidDragWhilePlaying", lv2, QUILLBEAT_LV2_BUNDLE, 1.0, Act::closeMidDrag, true},
};

Canvas expectedPicture(PluginInstance& plugin, double scale) {
    return expectedEditorPicture(plugin, kRate, scale);
}

bool samePixels(const Canvas& a, const Canvas& b) {
    return a.width == b.width && a.height == b.height && a.pixels == b.pixels;
}

// Gestures well formed: every value inside a begin and end of its own
// parameter, every begin ended once. Also gives the last value told.
testing::AssertionResult wellFormed(const std::vector<EditorEdit>& edits) {
    std::vector<int> open(kParameterCount, 0);
    for (const EditorEdit& edit : edits) {
        if (edit.index >= static_cast<std::uint32_t>(kParameterCount))
            return testing::AssertionFailure() << "an edit of parameter " << edit.index;
        int& depth = open[edit.index];
        if (edit.kind == EditorEdit::Kind::begin && depth++ != 0)
            return testing::AssertionFailure() << "a second begin of " << edit.index;
        if (edit.kind == EditorEdit::Kind::value && depth != 1)
            return testing::AssertionFailure() << "a value of " << edit.index << " outside a gesture";
        if (edit.kind == EditorEdit::Kind::end && depth-- != 1)
            return testing::AssertionFailure() << "an end of " << edit.index << " without a begin";
    }
    for (int i = 0; i < kParameterCount; ++i)
        if (open[static_cast<std::size_t>(i)] != 0) return testing::AssertionFailure() << "gesture " << i << " not ended";
    return testing::AssertionSuccess();
}

std::optional<EditorEdit> lastValue(const std::vector<EditorEdit>& edits, int parameter) {
    std::optional<EditorEdit> last;
    for (const EditorEdit& edit : edits)
        if (edit.kind == EditorEdit::Kind::value && edit.index == static_cast<std::uint32_t>(parameter)) last = edit;
    return last;
}

class WindowTest : public testing::Test {
protected:
    void SetUp() override {
        std::string why;
        display = XTestDisplay::open(&why);
        if (display == nullptr) {
            GTEST_SKIP() << why;
        }
        input = testSignal(2, static_cast<int>(kRate), kBlock * 8);
        left.assign(kBlock, 0.0f);
        right.assign(kBlock, 0.0f);
    }

    // One host block of the test signal, if the case plays.
    void playBlock(PluginInstance& plugin) {
        const float* in[2] = {left.data(), right.data()};
        float* out[2] = {outLeft.data(), outRight.data()};
        const HostPosition position{static_cast<double>(played), 120.0, true};
        ASSERT_TRUE(plugin.play({in, out, kBlock, &position, {}, {}}));
        played += kBlock;
    }

    // The host's main loop for a while: idle calls, and blocks if playing.
    void run(PluginInstance& plugin, bool playing, int rounds = 3) {
        for (int i = 0; i < rounds; ++i) {
            plugin.idleEditor();
            if (playing) playBlock(plugin);
            display->sync();
            std::this_thread::sleep_for(std::chrono::milliseconds(12));
        }
        plugin.idleEditor();
    }

    // The point at a fraction of a control's track, in the window's pixels.
    static std::pair<int, int> onTrack(int place, double along, double scale) {
        const Rect& track = kControlPlaces[static_cast<std::size_t>(place)].track;
        const double x = track.x + track.width / 2.0;
        const double y = track.y + track.height * (1.0 - along);
        return {static_cast<int>(std::lround(x * scale)), static_cast<int>(std::lround(y * scale))};
    }

    std::unique_ptr<XTestDisplay> display;
    Sound input;
    std::vector<float> left, right;
    std::array<float, kBlock> outLeft{}, outRight{};
    std::int64_t played = 0;
};

class WindowCases : public WindowTest, public testing::WithParamInterface<WindowCase> {};
class RandomWindow : public WindowTest {};

TEST_P(WindowCases, OpenShowActAndTell) {
    const WindowCase& row = GetParam();
    std::unique_ptr<PluginInstance> plugin = row.open();
    if (row.playing) {
        ASSERT_TRUE(plugin->activate(kRate, kBlock));
    }
    const std::uint64_t parent = display->makeParent(static_cast<int>(kEditorWidth * row.scale) + 40,
                                                     static_cast<int>(kEditorHeight * row.scale) + 40);

    const std::optional<EditorSize> size = plugin->openEditor(parent, row.scale);
    if (!row.opens) {
        EXPECT_FALSE(size) << "a window opened that could never be drawn";
        EXPECT_EQ(display->firstChild(), 0u);
        return;
    }
    ASSERT_TRUE(size) << "no window";
    const Canvas expected = expectedPicture(*plugin, row.scale);
    EXPECT_EQ(size->width, static_cast<std::uint32_t>(expected.width));
    EXPECT_EQ(size->height, static_cast<std::uint32_t>(expected.height));
    const std::uint64_t window = display->firstChild();
    ASSERT_NE(window, 0u) << "nothing embedded in the parent";
    ASSERT_TRUE(display->waitFor([&] { return display->viewable(window); }, [&] { plugin->idleEditor(); }));
    Canvas shown;
    const bool same = display->waitFor([&] { return samePixels(shown = display->capture(window), expected); },
                                       [&] { plugin->idleEditor(); });
    EXPECT_TRUE(same) << "the window shows " << shown.width << " x " << shown.height
                      << ", not the drawing of " << expected.width << " x " << expected.height;

    int parameter = kVD1;
    const double before = plugin->valueInUse(kVD1);
    std::optional<float> wanted;  // a value the edit must have set exactly
    switch (row.act) {
    case Act::look: break;
    case Act::reopen: {
        plugin->closeEditor();
        EXPECT_EQ(display->firstChild(), 0u);
        plugin->setValue(kVD1, 0.4);
        plugin->setValue(kRndSw, 0.0);
        ASSERT_TRUE(plugin->openEditor(parent, row.scale));
        const Canvas now = expectedPicture(*plugin, row.scale);
        ASSERT_FALSE(samePixels(now, expected)) << "the values changed nothing drawn";
        const std::uint64_t again = display->firstChild();
        EXPECT_TRUE(display->waitFor([&] { return samePixels(shown = display->capture(again), now); },
                                     [&] { plugin->idleEditor(); }))
            << "the window opened again does not show the values now";
        break;
    }
    case Act::drag:
    case Act::closeMidDrag: {
        const auto [x, y] = onTrack(kVD1, 0.3, row.scale);
        display->movePointer(window, x, y);
        run(*plugin, row.playing, 1);
        display->pressButton(1);
        run(*plugin, row.playing, 1);
        for (int step = 1; step <= 4; ++step) {
            display->movePointer(window, x, y - static_cast<int>(std::lround(5 * step * row.scale)));
            run(*plugin, row.playing, 1);
        }
        if (row.act == Act::drag) {
            display->releaseButton(1);
        } else {
            plugin->closeEditor();
            display->releaseButton(1);
            EXPECT_FALSE(display->pointerGrabbed()) << "the pointer is still held after closing";
            EXPECT_EQ(display->firstChild(), 0u) << "the window outlived its closing";
        }
        break;
    }
    case Act::type: {
        parameter = kVS;
        const Rect& area = kControlPlaces[static_cast<std::size_t>(kVS)].area;
        display->movePointer(window, static_cast<int>((area.x + 4) * row.scale), static_cast<int>((area.y + 4) * row.scale));
        display->pressButton(1);
        display->releaseButton(1);
        run(*plugin, row.playing, 2);
        display->type("0.25");
        display->pressKey("Return");
        // CLAP's own text_to_value; LV2 has none, and the window parses as
        // the effect does.
        auto* clap = dynamic_cast<ClapInstance*>(plugin.get());
        const std::optional<double> parsed =
            clap != nullptr ? clap->valueOfText(kVS, "0.25") : std::optional<double>(valueOfText(kVS, "0.25"));
        ASSERT_TRUE(parsed);
        wanted = static_cast<float>(*parsed);
        break;
    }
    case Act::modeClick: {
        parameter = kRndSw;
        const Rect& random = kModeButtons[1];
        display->movePointer(window, static_cast<int>((random.x + random.width / 2) * row.scale),
                             static_cast<int>((random.y + random.height / 2) * row.scale));
        display->pressButton(1);
        display->releaseButton(1);
        break;
    }
    }
    if (row.act == Act::look || row.act == Act::reopen) return;

    // Until every gesture has ended: in process while playing, in the flush
    // asked for while stopped.
    std::vector<EditorEdit> edits;
    const auto ended = [&] {
        return !edits.empty() && edits.back().kind == EditorEdit::Kind::end && lastValue(edits, parameter);
    };
    display->waitFor(ended, [&] {
        run(*plugin, row.playing, 1);
        const std::vector<EditorEdit> more = plugin->takeEditorEdits();
        edits.insert(edits.end(), more.begin(), more.end());
    });
    ASSERT_FALSE(edits.empty()) << "the host was told nothing";
    EXPECT_TRUE(wellFormed(edits));
    EXPECT_EQ(edits.front(), (EditorEdit{EditorEdit::Kind::begin, static_cast<std::uint32_t>(parameter), 0.0}));
    EXPECT_EQ(edits.back(), (EditorEdit{EditorEdit::Kind::end, static_cast<std::uint32_t>(parameter), 0.0}));
    const std::optional<EditorEdit> last = lastValue(edits, parameter);
    ASSERT_TRUE(last) << "no value told";
    if (wanted) {
        EXPECT_EQ(static_cast<float>(last->value), *wanted);
    }
    if (row.act == Act::drag || row.act == Act::closeMidDrag) {
        EXPECT_GT(last->value, before) << "dragging up did not raise the value";
    }
    if (row.act == Act::modeClick) {
        EXPECT_EQ(switchMode(static_cast<float>(last->value)), SwitchMode::Random);
    }
    plugin->closeEditor();
#ifndef QUILLBEAT_TOOL_LOADS_LV2
    if (dynamic_cast<Lv2Instance*>(plugin.get()) != nullptr) return;
#endif

    // The value reached the effect: played from the start it sounds as the
    // render tool sounds with that value.
    char value[32];
    std::snprintf(value, sizeof value, "%.9g", last->value);
    ScratchFolder folder;
    writeSound(folder.file("in.wav"), input);
    const ToolRun tool = runTool({"-q", "--plugin", row.pluginPath, "--block", std::to_string(kBlock), "--param",
                                  std::to_string(parameter) + "=" + value, folder.file("in.wav"),
                                  folder.file("out.wav")});
    ASSERT_EQ(tool.exitCode, 0) << tool.err;
    const Sound rendered = readSound(folder.file("out.wav"));
    ASSERT_TRUE(plugin->activate(kRate, kBlock));
    played = 0;
    for (std::int64_t block = 0; block < input.frames() / kBlock; ++block) {
        for (std::uint32_t i = 0; i < kBlock; ++i) {
            left[i] = input.at(block * kBlock + i, 0);
            right[i] = input.at(block * kBlock + i, 1);
        }
        playBlock(*plugin);
        for (std::uint32_t i = 0; i < kBlock; ++i) {
            ASSERT_EQ(outLeft[i], rendered.at(block * kBlock + i, 0)) << "frame " << block * kBlock + i;
            ASSERT_EQ(outRight[i], rendered.at(block * kBlock + i, 1)) << "frame " << block * kBlock + i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EachCase, WindowCases, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<WindowCase>& info) { return info.param.name; });

// In RANDOM each step picks new envelope values: with blocks one step long
// (the playhead in the same place after each), the window changes at every
// step boundary as the picks arrive.
TEST_F(RandomWindow, PicksChangeThePictureAtEachStep) {
    auto plugin = clapWith(true, true);
    const float tempo = 1.0f;
    const std::uint32_t step = static_cast<std::uint32_t>(framesPerStepAt(tempo));
    plugin->setValue(kTempo, tempo);
    plugin->setValue(kRndSw, 0.5);
    ASSERT_TRUE(plugin->activate(kRate, step));
    const std::uint64_t parent = display->makeParent(800, 500);
    ASSERT_TRUE(plugin->openEditor(parent, 1.0));
    const std::uint64_t window = display->firstChild();
    ASSERT_TRUE(display->waitFor([&] { return display->viewable(window); }, [&] { plugin->idleEditor(); }));
    std::vector<float> silenceLeft(step), silenceRight(step), outL(step), outR(step);
    const float* in[2] = {silenceLeft.data(), silenceRight.data()};
    float* out[2] = {outL.data(), outR.data()};
    Canvas before = display->capture(window);
    for (int boundary = 0; boundary < 4; ++boundary) {
        const HostPosition position{static_cast<double>(boundary) * step, 120.0, true};
        ASSERT_TRUE(plugin->play({in, out, step, &position, {}, {}}));
        Canvas after;
        EXPECT_TRUE(display->waitFor([&] { return !samePixels(after = display->capture(window), before); },
                                     [&] { plugin->idleEditor(); }))
            << "no change at step boundary " << boundary;
        before = after;
    }
}

// What the LV2 window shows once the plug-in plays: the controls the host
// holds, and the values in use and the step from the plug-in's output ports
// (before its first block, none).
EditorPicture lv2Picture(Lv2Instance& lv2) {
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

class Lv2Window : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        if (IsSkipped()) return;
        ASSERT_TRUE(lv2.activate(kRate, kBlock));
        parent = display->makeParent(800, 500);
        open();
    }
    // Asked again until it answers: a window closed just before may still be
    // the parent's child for a moment.
    void open() {
        ASSERT_TRUE(lv2.openEditor(parent, 1.0));
        ASSERT_TRUE(display->waitFor([&] { return (window = display->firstChild()) != 0 && display->viewable(window); },
                                     [&] { lv2.idleEditor(); }));
    }
    // Idle calls until the window shows the drawing of what the plug-in
    // told; false if it never does.
    bool showsWhatThePluginTold() {
        Canvas expected(kEditorWidth, kEditorHeight);
        drawEditor(expected, lv2Picture(lv2), 1.0);
        return display->waitFor([&] { return samePixels(display->capture(window), expected); },
                                [&] { lv2.idleEditor(); });
    }
    void play(int blocks) {
        for (int b = 0; b < blocks; ++b) playBlock(lv2);
    }

    Lv2Instance lv2{QUILLBEAT_LV2_BUNDLE};
    std::uint64_t parent = 0, window = 0;
};

// The playhead, the step number and each step's picks reach the window on
// the plug-in's output ports: it shows them as drawn, step after step.
TEST_F(Lv2Window, ShowsTheStepAndEachStepsPicksAsDrawn) {
    lv2.setValue(kRndSw, kSwitchModes[1].value);
    play(20);
    EXPECT_TRUE(showsWhatThePluginTold());
    const auto picked = lv2Picture(lv2).valuesInUse;
    // A step is at most 44,100 frames: past the next boundary.
    play(90);
    EXPECT_NE(lv2Picture(lv2).valuesInUse, picked) << "no new picks";
    EXPECT_TRUE(showsWhatThePluginTold());
}

TEST_F(Lv2Window, OpenedAgainShowsTheValuesAndPicksAtOnce) {
    lv2.setValue(kRndSw, kSwitchModes[2].value);
    play(100);
    lv2.closeEditor();
    open();
    EXPECT_TRUE(showsWhatThePluginTold());
}

// Ardour's mixer strip: once the host has looked, the plug-in draws the
// step as the editor's thumbnail of the same values, at the host's width
// and half as tall (no taller than the host takes), and asks again for a
// drawing when the values in use change, not at every block. No display
// needed.
TEST(Lv2InlineDisplay, DrawsTheStepAsTheEditorsThumbnailAndAsksAgainOnChange) {
    Lv2Instance lv2(QUILLBEAT_LV2_BUNDLE);
    ASSERT_TRUE(lv2.activate(kRate, kBlock));
    lv2.setValue(kRndSw, 0.0);
    std::vector<float> left(kBlock, 0.5f), right(kBlock, 0.5f);
    float* channels[2] = {left.data(), right.data()};
    double sample = 0.0;
    const auto play = [&] {
        const HostPosition position{sample, 120.0, true};
        ASSERT_TRUE(lv2.play({channels, channels, kBlock, &position, {}, {}}));
        sample += kBlock;
    };
    const auto expectThumbnail = [&](std::uint32_t width, std::uint32_t maxHeight, int height) {
        const std::optional<Canvas> shown = lv2.inlineDisplay(width, maxHeight);
        Canvas expected(static_cast<int>(width), height);
        drawStepThumbnail(expected, lv2Picture(lv2));
        ASSERT_TRUE(shown) << width << " x " << maxHeight << ": no picture";
        EXPECT_TRUE(samePixels(*shown, expected)) << width << " x " << maxHeight;
    };
    for (int block = 0; block < 30; ++block) play();
    EXPECT_EQ(lv2.inlineDisplayRequests(), 0u) << "asked before the host looked";
    ASSERT_TRUE(lv2.inlineDisplay(160, 80));
    play();
    const std::uint32_t asked = lv2.inlineDisplayRequests();
    EXPECT_EQ(asked, 1u) << "not asked once for what the first look missed";
    expectThumbnail(160, 200, 80);
    expectThumbnail(160, 30, 30);
    play();
    EXPECT_EQ(lv2.inlineDisplayRequests(), asked) << "asked again with nothing changed";
    const std::optional<Canvas> before = lv2.inlineDisplay(160, 80);
    lv2.setValue(kVD1, 0.6);
    play();
    EXPECT_GT(lv2.inlineDisplayRequests(), asked);
    expectThumbnail(160, 200, 80);
    ASSERT_TRUE(before);
    EXPECT_FALSE(samePixels(*lv2.inlineDisplay(160, 80), *before));
    EXPECT_FALSE(lv2.inlineDisplay(0, 80)) << "a picture of no width";
}

}  // namespace

namespace {

// A listening socket where display :N would be, on both of the names an X
// client tries (the abstract one first, then the file), counting who came.
// Each caller is let go at once, so a client that connects fails rather
// than waits for an answer.
class ListeningDisplay {
public:
    ListeningDisplay() {
        ::mkdir("/tmp/.X11-unix", 01777);
        for (int n = 7000 + ::getpid() % 1000; sockets[1] < 0; ++n) {
            const std::string path = "/tmp/.X11-unix/X" + std::to_string(n);
            if (std::filesystem::exists(path)) continue;
            sockets[0] = listenOn(std::string(1, '\0') + path);
            sockets[1] = listenOn(path);
            if (sockets[0] < 0 || sockets[1] < 0) {
                close();
                continue;
            }
            file = path;
            name = ":" + std::to_string(n);
        }
        doorman = std::thread([this] {
            while (!done) {
                for (const int socket : sockets)
                    for (int client; (client = ::accept4(socket, nullptr, nullptr, SOCK_NONBLOCK)) >= 0;) {
                        ::close(client);
                        ++count;
                    }
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
    }
    ~ListeningDisplay() {
        done = true;
        doorman.join();
        close();
    }
    // How many connected since the last call (after a moment for the
    // doorman to see them).
    int arrivals() {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return count.exchange(0);
    }
    std::string name;

private:
    static int listenOn(const std::string& path) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.data(), path.size());
        const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
        const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size());
        if (::bind(socket, reinterpret_cast<const sockaddr*>(&address), length) != 0 || ::listen(socket, 8) != 0) {
            ::close(socket);
            return -1;
        }
        return socket;
    }
    void close() {
        for (int& socket : sockets) {
            if (socket >= 0) ::close(socket);
            socket = -1;
        }
        if (!file.empty()) ::unlink(file.c_str());
        file.clear();
    }
    int sockets[2] = {-1, -1};
    std::string file;
    std::atomic<bool> done{false};
    std::atomic<int> count{0};
    std::thread doorman;
};

// DISPLAY set for the test's length, then put back.
class DisplayVariable {
public:
    explicit DisplayVariable(const std::string& value) {
        if (const char* old = std::getenv("DISPLAY")) before = old;
        ::setenv("DISPLAY", value.c_str(), 1);
    }
    ~DisplayVariable() {
        if (before) {
            ::setenv("DISPLAY", before->c_str(), 1);
        } else {
            ::unsetenv("DISPLAY");
        }
    }

private:
    std::optional<std::string> before;
};

// Loading, playing, saving and the render tool open no X connection (nor
// does drawing LV2's inline display): the window's connection is opened
// when a window is made, never before. An X
// client would find the display of the listening socket; none comes.
TEST(WindowlessPlugin, LoadsAndRendersWithoutConnectingToX) {
    ListeningDisplay listening;
    const int probe = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = "/tmp/.X11-unix/X" + listening.name.substr(1);
    std::memcpy(address.sun_path, path.data(), path.size());
    ASSERT_EQ(::connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ::close(probe);
    ASSERT_EQ(listening.arrivals(), 1) << "the listening display hears no one";

    for (const std::string& display : {listening.name, std::string()}) {
        SCOPED_TRACE("DISPLAY=" + display);
        DisplayVariable variable(display);
        for (const std::function<std::unique_ptr<PluginInstance>()>& open :
             {std::function([] { return clapWith(true, true); }), std::function(lv2)}) {
            const std::unique_ptr<PluginInstance> plugin = open();
            ASSERT_TRUE(plugin->activate(kRate, kBlock));
            std::vector<float> silence(kBlock), out(kBlock);
            const float* in[2] = {silence.data(), silence.data()};
            float* outs[2] = {out.data(), out.data()};
            const HostPosition position{0.0, 120.0, true};
            ASSERT_TRUE(plugin->play({in, outs, kBlock, &position, {}, {}}));
            EXPECT_TRUE(plugin->saveState());
            if (auto* withDisplay = dynamic_cast<Lv2Instance*>(plugin.get())) {
                EXPECT_TRUE(withDisplay->inlineDisplay(80, 40));
            }
        }
        ScratchFolder folder;
        const ToolRun tool = runTool(ToolInvocation{
            {"-q", "--plugin", QUILLBEAT_CLAP_PATH, "--seconds", "0.5", folder.file("out.wav")}, {{"DISPLAY", display}}, {}});
        EXPECT_EQ(tool.exitCode, 0) << tool.err;
        EXPECT_EQ(listening.arrivals(), 0) << "an X connection was opened";
    }
}

}  // namespace
