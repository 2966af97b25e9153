// The editor's model without a window: what the user's pointer and keys send
// the host, as gestures a recording link writes down, and the Tempo helper
// against a search over every Tempo value and the guide's tables.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <ostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "editor/editor_layout.h"
#include "editor/editor_model.h"
#include "editor/step_timing.h"
#include "editor/tempo_helper.h"
#include "effect/parameter_scales.h"
#include "effect/parameters.h"

namespace {

// ---- The model: input sequences and the gestures they send ----

// Writes each gesture as "begin vA", "vA=0.80000", "end vA", and each key the
// model did not use as "unused".
class RecordingLink : public EditLink {
public:
    std::vector<std::string> calls;
    void beginEdit(int parameter) override { calls.push_back("begin " + name(parameter)); }
    void changeValue(int parameter, float value) override {
        char text[32];
        std::snprintf(text, sizeof text, "=%.5f", value);
        calls.push_back(name(parameter) + text);
    }
    void endEdit(int parameter) override { calls.push_back("end " + name(parameter)); }

private:
    static std::string name(int parameter) { return std::string(kParameterTable[parameter].name); }
};

const ControlPlace& placeOf(int parameter) {
    for (const ControlPlace& place : kControlPlaces)
        if (place.parameter == parameter) return place;
    throw std::logic_error("no place");
}

// The user, acting on a model at a clock that moves on 50 ms each event.
struct User {
    EditorModel& model;
    RecordingLink& link;
    std::uint32_t timeMs = 1000;

    PointerEvent at(double x, double y, Modifiers modifiers = {}) { return {x, y, modifiers, timeMs += 50}; }
    // The middle of a control's track.
    PointerEvent on(int parameter, double dx = 0, double dy = 0, Modifiers modifiers = {}) {
        const Rect& track = placeOf(parameter).track;
        return at(track.x + track.width / 2.0 + dx, track.y + track.height / 2.0 + dy, modifiers);
    }
    void click(const PointerEvent& event) {
        model.pointerPressed(PointerButton::Left, event);
        model.pointerReleased(PointerButton::Left, event);
    }
    void wheel(PointerButton notch, const PointerEvent& event) { model.pointerPressed(notch, event); }
    void key(Key key, Modifiers modifiers = {}, char32_t character = 0) {
        if (!model.keyPressed({key, character, modifiers})) link.calls.push_back("unused");
    }
    void type(const std::string& text) {
        for (char c : text) key(Key::Character, {}, static_cast<char32_t>(c));
    }
};

constexpr Modifiers kShift{true, false, false};
constexpr Modifiers kControl{false, true, false};

struct InputCase {
    const char* name;
    std::function<void(User&)> setUp;  // host values before the user acts, through the model's setters
    std::function<void(User&)> act;
    std::vector<std::string> gestures;
    std::string notice = "";
    std::optional<std::string> typed = std::nullopt;
    // Beats a step and the drift per bar the song's tempo field shows.
    int beatsPerStep = 2;
    std::optional<double> drift = std::nullopt;
};

// A drag over a vertical track of 50 px: 10 px is a fifth of the range.
const std::vector<InputCase> kInputCases = {
    {"drag down a fifth of the track", {},
     [](User& u) {
         u.model.pointerPressed(PointerButton::Left, u.on(kVA));
         u.model.pointerMoved(u.on(kVA, 0, 4));
         u.model.pointerMoved(u.on(kVA, 0, 10));
         u.model.pointerReleased(PointerButton::Left, u.on(kVA, 0, 10));
     },
     {"begin vA", "vA=0.92000", "vA=0.80000", "end vA"}},
    {"drag past the end stops at 0", {},
     [](User& u) {
         u.model.pointerPressed(PointerButton::Left, u.on(kVA));
         u.model.pointerReleased(PointerButton::Left, u.on(kVA, 0, 200));
     },
     {"begin vA", "vA=0.00000", "end vA"}},
    {"Tempo's track runs left to right", {},
     [](User& u) {
         const double width = placeOf(kTempo).track.width;
         u.model.pointerPressed(PointerButton::Left, u.on(kTempo));
         u.model.pointerMoved(u.on(kTempo, 0, -30));
         u.model.pointerReleased(PointerButton::Left, u.on(kTempo, width / 10, -30));
     },
     {"begin Tempo", "Tempo=0.34000", "end Tempo"}},
    {"Shift drags ten times finer, from where it is when pressed", {},
     [](User& u) {
         u.model.pointerPressed(PointerButton::Left, u.on(kVS));
         u.model.pointerMoved(u.on(kVS, 0, -10));
         u.model.pointerMoved(u.on(kVS, 0, -10, kShift));
         u.model.pointerReleased(PointerButton::Left, u.on(kVS, 0, -20, kShift));
     },
     {"begin vS", "vS=0.20000", "vS=0.22000", "end vS"}},
    {"Control drags finer too", {},
     [](User& u) {
         u.model.pointerPressed(PointerButton::Left, u.on(kFS, 0, 0, kControl));
         u.model.pointerReleased(PointerButton::Left, u.on(kFS, 0, -10, kControl));
     },
     {"begin fS", "fS=0.02000", "end fS"}},
    {"Escape puts the start back and ends the drag", {},
     [](User& u) {
         u.model.pointerPressed(PointerButton::Left, u.on(kVA));
         u.model.pointerMoved(u.on(kVA, 0, 10));
         u.key(Key::Escape);
         u.model.pointerMoved(u.on(kVA, 0, 20));
         u.model.pointerReleased(PointerButton::Left, u.on(kVA, 0, 20));
         u.key(Key::Escape);
     },
     {"begin vA", "vA=0.80000", "vA=1.00000", "end vA", "unused"}},
    {"in RANDOM a drag starts from the value in use", [](User& u) {
         u.model.setHostValue(kRndSw, 0.5f);
         u.model.setValueInUse(kVA, 0.4f);
     },
     [](User& u) {
         u.model.pointerPressed(PointerButton::Left, u.on(kVA));
         u.model.pointerReleased(PointerButton::Left, u.on(kVA, 0, 10));
     },
     {"begin vA", "vA=0.20000", "end vA"}},
    {"double-click sets the initial value", [](User& u) { u.model.setHostValue(kVD1, 0.5f); },
     [](User& u) {
         u.click(u.on(kVD1));
         u.timeMs += 250;
         u.click(u.on(kVD1));
     },
     {"begin vD1", "end vD1", "begin vD1", "vD1=0.00000", "end vD1"}},
    {"two clicks too far apart are two drags", {},
     [](User& u) {
         u.click(u.on(kVD1));
         u.timeMs += 400;
         u.click(u.on(kVD1));
     },
     {"begin vD1", "end vD1", "begin vD1", "end vD1"}},
    {"the wheel moves a note count or the mode by one, into the middle of its values", {},
     [](User& u) {
         u.wheel(PointerButton::WheelUp, u.on(kVNotes));
         u.wheel(PointerButton::WheelDown, u.on(kFNotes));  // already 1
         u.wheel(PointerButton::WheelUp, u.at(kModeButtons[0].x + 4, kModeButtons[0].y + 4));  // already AUTO
         u.wheel(PointerButton::WheelDown, u.at(kModeButtons[2].x + 4, kModeButtons[2].y + 4));
     },
     {"begin vnotes", "vnotes=0.10000", "end vnotes", "begin RndSw", "RndSw=0.50000", "end RndSw"}},
    {"the wheel moves Tempo by one beat a minute, a number by a hundredth, finer with Shift", {},
     [](User& u) {
         u.wheel(PointerButton::WheelUp, u.on(kTempo));
         u.wheel(PointerButton::WheelDown, u.on(kFA));
         u.wheel(PointerButton::WheelDown, u.on(kFA, 0, 0, kShift));
     },
     {"begin Tempo", "Tempo=0.24436", "end Tempo", "begin fA", "fA=0.99000", "end fA", "begin fA", "fA=0.98900",
      "end fA"}},
    {"Tab focuses; arrows and pages nudge; Home and End go to the ends", {},
     [](User& u) {
         u.key(Key::Tab);
         u.key(Key::Down);
         u.key(Key::PageDown);
         u.key(Key::Home);
         u.key(Key::Left);  // already at 0
         u.key(Key::Tab);
         u.key(Key::End);
     },
     {"begin vA", "vA=0.99000", "end vA", "begin vA", "vA=0.89000", "end vA", "begin vA", "vA=0.00000", "end vA",
      "begin vD1", "vD1=1.00000", "end vD1"}},
    {"BackTab goes round to Tempo from the song's tempo field", [](User& u) { u.model.setValueInUse(kVNotes, 0.2f); },
     [](User& u) {
         u.key(Key::BackTab);
         u.key(Key::Up);  // the field takes no arrows
         u.key(Key::BackTab);
         u.key(Key::Up);
         for (int i = 0; i < 6; ++i) u.key(Key::Tab);
         u.key(Key::PageUp);  // vnotes from 4 to 14
     },
     {"unused", "begin Tempo", "Tempo=0.24436", "end Tempo", "begin vnotes", "vnotes=0.90000", "end vnotes"}},
    {"a typed value goes through the value texts' parser", {},
     [](User& u) {
         u.key(Key::Tab);
         u.key(Key::Tab);
         u.type("0.255");
         u.key(Key::Backspace);
         u.key(Key::Enter);
         for (int i = 0; i < 9; ++i) u.key(Key::Tab);
         u.type("150");
         u.key(Key::Tab);  // applies what was typed, then moves on
     },
     {"begin vD1", "vD1=0.25000", "end vD1", "begin Tempo", "Tempo=0.28868", "end Tempo"}},
    {"a text that is no value stays, with a notice", {},
     [](User& u) {
         u.key(Key::Tab);
         u.type("0.3x");
         u.key(Key::Enter);
         u.key(Key::Tab);  // cannot move on either
     },
     {}, "0.3x is not a number from 0 to 1", "0.3x"},
    {"Escape cancels typing", {},
     [](User& u) {
         u.key(Key::BackTab);
         u.type("140x");
         u.key(Key::Enter);
         u.key(Key::Escape);
         u.key(Key::Escape);
     },
     {"unused"}},
    {"a song tempo typed picks the step: 120 at 44.1 kHz is two beats of the middle of 120's values", {},
     [](User& u) {
         u.model.pointerPressed(PointerButton::Left, u.at(kSongTempoField.x + 5, kSongTempoField.y + 5));
         u.type("120");
         u.key(Key::Enter);
     },
     {"begin Tempo", "Tempo=0.02635", "end Tempo"}, "", std::nullopt, 2, 0.0},
    {"the drift and the limit follow the rate after the choice", {},
     [](User& u) {
         u.key(Key::BackTab);
         u.type("128");
         u.key(Key::Enter);
         u.model.setSampleRate(96000.0);
     },
     {"begin Tempo", "Tempo=0.15359", "end Tempo"},
     "a step is at most 44,100 frames: 0.46 s at 96 kHz, slowest 130.6 BPM", std::nullopt, 2,
     2 * 41343 - 4 * 60 * 96000 / 128},
    {"a song too slow for any step at 48 kHz is said, and the closest chosen",
     [](User& u) { u.model.setSampleRate(48000.0); },
     [](User& u) {
         u.key(Key::BackTab);
         u.type("60 bpm");
         u.key(Key::Enter);
     },
     {"begin Tempo", "Tempo=0.02635", "end Tempo"},
     "a step is at most 44,100 frames: 0.92 s at 48 kHz, slowest 65.3 BPM", std::nullopt, 1,
     4 * 44100 - 4 * 60 * 48000 / 60},
    {"a song tempo that is no number", {},
     [](User& u) {
         u.key(Key::BackTab);
         u.type("140x");
         u.key(Key::Enter);
     },
     {}, "140x is not a tempo", "140x"},
    {"a mode button sends the mode's value", {},
     [](User& u) {
         u.click(u.at(kModeButtons[1].x + 10, kModeButtons[1].y + 10));
         u.click(u.at(kModeButtons[0].x + 10, kModeButtons[0].y + 10));
     },
     {"begin RndSw", "RndSw=0.50000", "end RndSw", "begin RndSw", "RndSw=0.00000", "end RndSw"}},
    {"closing mid-drag ends the gesture once, and stops typing", {},
     [](User& u) {
         u.key(Key::Tab);
         u.type("0.5");
         u.model.pointerPressed(PointerButton::Left, u.on(kVA));
         u.model.pointerMoved(u.on(kVA, 0, 10));
         u.model.closing();
         u.model.focusLost();
         u.model.pointerMoved(u.on(kVA, 0, 20));
         u.model.pointerReleased(PointerButton::Left, u.on(kVA, 0, 20));
     },
     {"begin vA", "vA=0.80000", "end vA"}},
    {"keys the editor does not use go to the host", {},
     [](User& u) {
         u.key(Key::Up);  // nothing focused
         u.type("a");
         u.key(Key::Tab);
         u.type(" ");  // Space plays and stops
         u.key(Key::Enter);  // not typing
         u.key(Key::Backspace);
         u.key(Key::Delete);
         u.key(Key::Other);
         u.key(Key::Character, kControl, U'z');
         u.key(Key::Down, {false, false, true});
     },
     {"unused", "unused", "unused", "unused", "unused", "unused", "unused", "unused", "unused"}},
};

void PrintTo(const InputCase& c, std::ostream* out) { *out << c.name; }

class EditorInput : public testing::TestWithParam<InputCase> {};

TEST_P(EditorInput, SendsTheseGestures) {
    const InputCase& c = GetParam();
    RecordingLink link;
    EditorModel model(link);
    User user{model, link};
    if (c.setUp) c.setUp(user);
    c.act(user);
    EXPECT_EQ(link.calls, c.gestures);
    EXPECT_EQ(model.picture().notice, c.notice);
    EXPECT_EQ(model.picture().typedValue, c.typed);
    EXPECT_EQ(model.picture().beatsPerStep, c.beatsPerStep);
    EXPECT_EQ(model.picture().songTempoDriftFrames, c.drift);
}

INSTANTIATE_TEST_SUITE_P(Table, EditorInput, testing::ValuesIn(kInputCases), [](const auto& info) {
    return "case" + std::to_string(info.index);
});

// An idle window redraws nothing: only a change the picture shows asks.
TEST(EditorRedraw, OnlyAfterAChange) {
    RecordingLink link;
    EditorModel model(link);
    EXPECT_TRUE(model.takeRedraw());
    EXPECT_FALSE(model.takeRedraw());
    const std::pair<std::function<void()>, bool> changes[] = {
        {[&] { model.setHostValue(kVA, 1.0f); }, false},
        {[&] { model.setHostValue(kVA, 0.5f); }, true},
        {[&] { model.setValueInUse(kVA, 1.0f); }, false},
        {[&] { model.setValueInUse(kFA, 0.25f); }, true},
        {[&] { model.setStep(StepView{37800, 3, 100, 9449, 9449, false}); }, true},
        {[&] { model.setStep(StepView{37800, 3, 100, 9449, 9449, false}); }, false},
        {[&] { model.setStep(StepView{37800, 3, 612, 9449, 9449, false}); }, true},
        {[&] { model.setSampleRate(44100.0); }, false},
        {[&] { model.setSampleRate(48000.0); }, true},
        {[&] { model.pointerMoved({5, 5, {}, 0}); }, false},
        {[&] { model.keyPressed({Key::Tab, 0, {}}); }, true},
        {[&] { model.keyPressed({Key::Character, U'1', {}}); }, true},
    };
    for (std::size_t i = 0; i < std::size(changes); ++i) {
        changes[i].first();
        EXPECT_EQ(model.takeRedraw(), changes[i].second) << "change " << i;
    }
}

// Checks what a host must be able to rely on as it comes: one gesture open
// at a time, values only inside one and within 0 to 1, and nothing at all
// for a key the editor says it did not use.
class GestureChecker : public EditLink {
public:
    std::optional<int> open;
    int calls = 0;
    void beginEdit(int parameter) override {
        ++calls;
        EXPECT_FALSE(open) << "begin " << parameter << " inside " << *open;
        open = parameter;
    }
    void changeValue(int parameter, float value) override {
        ++calls;
        EXPECT_EQ(open, parameter);
        EXPECT_TRUE(value >= 0.0f && value <= 1.0f) << value;
    }
    void endEdit(int parameter) override {
        ++calls;
        EXPECT_EQ(open, parameter);
        open.reset();
    }
};

TEST(EditorInputSession, RandomEventsKeepGesturesWhole) {
    std::mt19937 random(31);
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const std::string characters = "0123456789.-x ";
    for (int session = 0; session < 200; ++session) {
        GestureChecker link;
        EditorModel model(link);
        std::uint32_t time = 0;
        for (int event = 0; event < 200; ++event) {
            time += static_cast<std::uint32_t>(pick(300));
            const Modifiers modifiers{pick(4) == 0, pick(6) == 0, pick(12) == 0};
            // Half the events on a control or button, the others anywhere.
            double x = pick(kEditorWidth), y = pick(kEditorHeight);
            if (pick(2) == 0) {
                const Rect& area = pick(4) == 0 ? kModeButtons[static_cast<std::size_t>(pick(3))]
                                                : kControlPlaces[static_cast<std::size_t>(pick(11))].area;
                x = area.x + pick(area.width);
                y = area.y + pick(area.height);
            }
            const PointerEvent pointer{x, y, modifiers, time};
            switch (pick(9)) {
                case 0: model.pointerPressed(static_cast<PointerButton>(pick(5)), pointer); break;
                case 1: model.pointerReleased(static_cast<PointerButton>(pick(5)), pointer); break;
                case 2: model.pointerMoved(pointer); break;
                case 3: {
                    const int before = link.calls;
                    const Key key = static_cast<Key>(pick(static_cast<int>(Key::Other) + 1));
                    const char32_t c = static_cast<char32_t>(characters[static_cast<std::size_t>(pick(14))]);
                    if (!model.keyPressed({key, key == Key::Character ? c : 0, modifiers})) {
                        EXPECT_EQ(link.calls, before) << "a key the editor did not use told the host";
                    }
                    break;
                }
                case 4: model.setHostValue(pick(kParameterCount), static_cast<float>(pick(1001)) / 1000.0f); break;
                case 5: model.setValueInUse(pick(kEnvelopeParameterCount), static_cast<float>(pick(1001)) / 1000.0f); break;
                case 6: model.setSampleRate(pick(2) == 0 ? 44100.0 : 96000.0); break;
                case 7: if (pick(10) == 0) model.focusLost(); break;
                default: model.pointerMoved(pointer); break;
            }
        }
        model.closing();
        EXPECT_FALSE(link.open) << "closing left a gesture open";
        if (testing::Test::HasFailure()) break;
    }
}

// ---- The Tempo helper ----

// Every run of Tempo values giving one step length, found by walking every
// float from 0 to 1. A step's length is a function of the beats a minute
// the value shows (step_timing.h), so it is worked out only where those
// change.
struct WalkedStep {
    std::int32_t frames;
    float lowest;
    float highest;
};
const std::vector<WalkedStep>& walkedSteps() {
    static const std::vector<WalkedStep> steps = [] {
        std::vector<WalkedStep> found;
        std::int32_t bpm = -1;
        for (std::uint32_t bits = 0; bits <= std::bit_cast<std::uint32_t>(1.0f); ++bits) {
            const float value = std::bit_cast<float>(bits);
            if (beatsPerMinute(value) == bpm) {
                found.back().highest = value;
                continue;
            }
            bpm = beatsPerMinute(value);
            const std::int32_t frames = framesPerStepAt(value);
            if (!found.empty() && found.back().frames == frames) {
                found.back().highest = value;
            } else {
                found.push_back({frames, value, value});
            }
        }
        return found;
    }();
    return steps;
}

struct TempoCase {
    double rate;
    double song;
    const char* notice;
};

// Each rate with common tempi, and where the steps cannot follow the song.
const std::vector<TempoCase> kTempoCases = [] {
    std::vector<TempoCase> cases;
    for (double rate : {44100.0, 48000.0, 88200.0, 96000.0})
        for (double song : {60.0, 87.5, 90.0, 100.0, 120.0, 128.0, 140.0, 150.0, 174.0, 200.0})
            cases.push_back({rate, song, ""});
    for (TempoCase& c : cases) {
        if (c.rate == 48000.0 && c.song == 60.0)
            c.notice = "a step is at most 44,100 frames: 0.92 s at 48 kHz, slowest 65.3 BPM";
        if (c.rate == 88200.0 && c.song < 120.0)
            c.notice = "a step is at most 44,100 frames: 0.50 s at 88.2 kHz, slowest 120.0 BPM";
        if (c.rate == 96000.0 && c.song < 130.0)
            c.notice = "a step is at most 44,100 frames: 0.46 s at 96 kHz, slowest 130.6 BPM";
    }
    cases.push_back({44100.0, 50.0, "a step is at most 44,100 frames: 1.00 s at 44.1 kHz, slowest 60.0 BPM"});
    cases.push_back({44100.0, 500.0,
                     "a step is at least 11,025 frames: 0.25 s at 44.1 kHz, fastest 480.0 BPM"});
    cases.push_back({96000.0, 1000.0, ""});
    return cases;
}();

// The walk over every float takes a second or two, so the table runs in one
// test, which walks once.
TEST(TempoHelper, ChoosesTheLeastDriftOfEveryTempoValue) {
    const std::vector<WalkedStep>& walked = walkedSteps();
    ASSERT_EQ(everyTempoStep().size(), walked.size());
    for (std::size_t i = 0; i < walked.size(); ++i) {
        EXPECT_EQ(everyTempoStep()[i].framesPerStep, walked[i].frames);
        EXPECT_EQ(everyTempoStep()[i].values.lowest, walked[i].lowest);
        EXPECT_EQ(everyTempoStep()[i].values.highest, walked[i].highest);
    }
    for (const TempoCase& c : kTempoCases) {
        SCOPED_TRACE(testing::Message() << c.song << " BPM at " << c.rate << " Hz");
        // Two beats a step first, so that a tie keeps two.
        const WalkedStep* best = nullptr;
        int bestBeats = 0;
        double bestDrift = 0.0;
        for (int beats : {2, 1}) {
            for (const WalkedStep& step : walked) {
                const double drift = 4.0 / beats * step.frames - 4.0 * 60.0 * c.rate / c.song;
                if (best == nullptr || std::fabs(drift) < std::fabs(bestDrift)) {
                    best = &step;
                    bestBeats = beats;
                    bestDrift = drift;
                }
            }
        }
        const TempoChoice choice = chooseTempo(c.song, c.rate);
        EXPECT_EQ(choice.beatsPerStep, bestBeats);
        EXPECT_EQ(choice.framesPerStep, best->frames);
        EXPECT_EQ(choice.driftFrames, bestDrift);
        EXPECT_EQ(framesPerStepAt(choice.tempoValue), best->frames);
        EXPECT_EQ(choice.tempoValue, static_cast<float>((double{best->lowest} + best->highest) / 2));
        EXPECT_EQ(tempoLimitNotice(c.song, c.rate), c.notice);
    }
}

// A table of docs/guide.md written by guide-facts, as rows of cells.
std::vector<std::vector<std::string>> guideTable(const std::string& name) {
    std::ifstream guide(GUIDE_PATH);
    std::vector<std::vector<std::string>> rows;
    std::string line;
    while (std::getline(guide, line) && line.rfind("<!-- " + name + " table", 0) != 0) {}
    std::getline(guide, line);  // the heading
    std::getline(guide, line);  // the rule below it
    while (std::getline(guide, line) && line.rfind("|", 0) == 0) {
        std::vector<std::string> cells;
        std::stringstream cellStream(line.substr(1));
        for (std::string cell; std::getline(cellStream, cell, '|');) cells.push_back(cell.substr(1, cell.size() - 2));
        rows.push_back(cells);
    }
    return rows;
}

std::string driftText(double frames) {
    if (frames == 0.0) return "none";
    char text[32];
    std::snprintf(text, sizeof text, "%+.2f samples", frames);
    return text;
}

std::string fourPlaces(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4f", value);
    std::string shown = text;
    while (shown.back() == '0') shown.pop_back();
    if (shown.back() == '.') shown.pop_back();
    return shown;
}

// The guide's tables at 44.1 kHz (one beat below 120 BPM, two from there)
// and at 48 kHz (the least drift): the same step, beats and drift. Their
// Tempo values are the middle of the same values, four places shown, but
// where those run from 0 the guide gives 0 itself.
TEST(TempoHelper, AgreesWithTheGuidesTables) {
    struct Table {
        const char* name;
        double rate;
        std::size_t beatsColumn, driftColumn;
    };
    for (const Table& table : {Table{"tempo-lookup", 44100.0, 3, 5}, Table{"at-48k", 48000.0, 3, 4}}) {
        const auto rows = guideTable(table.name);
        ASSERT_GT(rows.size(), 10u) << table.name;
        for (const auto& row : rows) {
            const TempoChoice choice = chooseTempo(std::stod(row[0]), table.rate);
            const std::string where = std::string(table.name) + " at " + row[0];
            EXPECT_EQ(std::to_string(beatsPerMinute(choice.tempoValue)), row[2]) << where;
            EXPECT_EQ(choice.beatsPerStep == 1 ? "one beat" : "two beats", row[table.beatsColumn]) << where;
            EXPECT_EQ(driftText(choice.driftFrames), row[table.driftColumn].substr(0, row[table.driftColumn].find(" (")))
                << where;
            if (row[1] != "0") {
                EXPECT_EQ(fourPlaces(choice.tempoValue), row[1]) << where;
            }
        }
    }
}

}  // namespace
