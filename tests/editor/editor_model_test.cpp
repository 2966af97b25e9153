// The editor's model without a window: what the user's pointer and keys send
// the host, as gestures a recording link writes down, and the Tempo helper
// against a search over every Tempo value and the guide's tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "editor/editor_layout.h"
#include "editor/editor_model.h"
#include "editor/step_timing.h"
#include "editor/tempo_helper.h"
#include "effect/parameter_scales.h"
#include "effect/parameters.h"

namespace {

// ---- The model: scripts of input and the gestures they send ----

// Writes each gesture as "begin vA", "vA=0.80000", "end vA".
struct RecordingLink : EditLink {
    std::vector<std::string> calls;
    static std::string name(int parameter) { return std::string(kParameterTable[parameter].name); }
    void beginEdit(int parameter) override { calls.push_back("begin " + name(parameter)); }
    void endEdit(int parameter) override { calls.push_back("end " + name(parameter)); }
    void changeValue(int parameter, float value) override {
        char text[32];
        std::snprintf(text, sizeof text, "%s=%.5f", name(parameter).c_str(), value);
        calls.push_back(text);
    }
};

int parameterNamed(const std::string& name) {
    for (int i = 0; i < kParameterCount; ++i)
        if (kParameterTable[i].name == name) return i;
    throw std::invalid_argument(name);
}

// The keys by name, in the order of enum Key.
const std::vector<std::string> kKeyNames{"", "Tab", "BackTab", "Left", "Right", "Up", "Down", "PageUp", "PageDown",
                                         "Home", "End", "Enter", "Escape", "Backspace", "Delete", "Other"};

// Runs a script of commands split by ';' and returns what the model told the
// host, with what the script asked to see, joined by ", ":
//   press|move|release CONTROL [DX DY] [shift|ctrl|alt...]  the left button at the middle of the control's
//                                   track, moved by DX, DY track lengths (down and right are positive);
//                                   for RndSw, on mode button DX
//   wait MS | wheel CONTROL up|down [shift] | field (a press on the song's tempo field)
//   key NAME [TIMES] [shift|ctrl|alt...] (a one-letter NAME types it) | type TEXT
//   host|inuse CONTROL VALUE | rate HZ | step FRAME | lost | close
//   redraw ("redraw" or "same") | notice | typed | tempo (beats a step and drift)
// A key the model does not use shows as "unused NAME".
std::string run(const std::string& script) {
    RecordingLink link;
    EditorModel model(link);
    std::uint32_t time = 1000;
    std::stringstream commands(script);
    for (std::string command; std::getline(commands, command, ';');) {
        command.erase(0, command.find_first_not_of(' '));
        std::istringstream words(command);
        std::string verb, name, word;
        words >> verb >> name;
        Modifiers modifiers;
        std::vector<double> numbers;
        while (verb != "type" && words >> word) {
            if (word == "shift") modifiers.shift = true;
            else if (word == "ctrl") modifiers.control = true;
            else if (word == "alt") modifiers.alt = true;
            else if (word == "up" || word == "down") name += " " + word;
            else numbers.push_back(std::stod(word));
        }
        const double dx = numbers.empty() ? 0.0 : numbers[0], dy = numbers.size() < 2 ? 0.0 : numbers[1];
        const int times = numbers.empty() ? 1 : static_cast<int>(dx);
        const auto on = [&](const Rect& r, double fx, double fy) {
            return PointerEvent{r.x + r.width * fx, r.y + r.height * fy, modifiers, time += 50};
        };
        const auto track = [&] {
            const int parameter = parameterNamed(name.substr(0, name.find(' ')));
            if (parameter == kRndSw) return on(kModeButtons[static_cast<std::size_t>(dx)], 0.5, 0.5);
            for (const ControlPlace& place : kControlPlaces)
                if (place.parameter == parameter) return on(place.track, 0.5 + dx, 0.5 + dy);
            throw std::invalid_argument(name);
        };
        const auto key = [&](Key k, char32_t c, const std::string& shown) {
            if (!model.keyPressed({k, c, modifiers})) link.calls.push_back("unused " + shown);
        };
        if (verb == "press") model.pointerPressed(PointerButton::Left, track());
        if (verb == "move") model.pointerMoved(track());
        if (verb == "release") model.pointerReleased(PointerButton::Left, track());
        if (verb == "wait") time += static_cast<std::uint32_t>(std::stoi(name));
        if (verb == "wheel") {
            model.pointerPressed(name.ends_with("up") ? PointerButton::WheelUp : PointerButton::WheelDown, track());
        }
        if (verb == "field") model.pointerPressed(PointerButton::Left, on(kSongTempoField, 0.5, 0.5));
        for (int i = 0; verb == "key" && i < times; ++i) {
            if (name.size() == 1) key(Key::Character, static_cast<char32_t>(name[0]), name);
            else key(static_cast<Key>(std::find(kKeyNames.begin(), kKeyNames.end(), name) - kKeyNames.begin()), 0, name);
        }
        if (verb == "type") {
            for (char c : command.substr(5)) key(Key::Character, static_cast<char32_t>(c), std::string(1, c));
        }
        if (verb == "host") model.setHostValue(parameterNamed(name), static_cast<float>(dx));
        if (verb == "inuse") model.setValueInUse(parameterNamed(name), static_cast<float>(dx));
        if (verb == "rate") model.setSampleRate(std::stod(name));
        if (verb == "step") model.setStep(StepView{37800, 3, std::stoi(name), 9449, 9449, false});
        if (verb == "lost") model.focusLost();
        if (verb == "close") model.closing();
        if (verb == "redraw") link.calls.push_back(model.takeRedraw() ? "redraw" : "same");
        if (verb == "notice") link.calls.push_back("notice \"" + model.picture().notice + "\"");
        if (verb == "typed") link.calls.push_back("typed " + model.picture().typedValue.value_or("none"));
        if (verb == "tempo") {
            link.calls.push_back("beats " + std::to_string(model.picture().beatsPerStep) + " drift " +
                                 std::to_string(model.picture().songTempoDriftFrames.value_or(NAN)));
        }
    }
    std::string all;
    for (const std::string& call : link.calls) all += (all.empty() ? "" : ", ") + call;
    return all;
}

struct InputCase {
    const char* script;
    const char* told;
};

// A new editor starts in AUTO with the initial values, and shows the values
// in use: the initial ones until "inuse" says otherwise.
const InputCase kInputCases[] = {
    // A whole track's length is the whole range; past the end is the end.
    {"press vA; move vA 0 0.08; move vA 0 0.2; release vA 0 0.2", "begin vA, vA=0.92000, vA=0.80000, end vA"},
    {"press vA; release vA 0 4", "begin vA, vA=0.00000, end vA"},
    {"press Tempo; move Tempo 0 -1; release Tempo 0.1 -1", "begin Tempo, Tempo=0.34000, end Tempo"},
    // Ten times finer with Shift or Control, from where the modifier came.
    {"press vS; move vS 0 -0.2; move vS 0 -0.2 shift; release vS 0 -0.4 shift", "begin vS, vS=0.20000, vS=0.22000, end vS"},
    {"press fS 0 0 ctrl; release fS 0 -0.2 ctrl", "begin fS, fS=0.02000, end fS"},
    {"press vA; move vA 0 0.2; key Escape; move vA 0 0.4; release vA 0 0.4; key Escape",
     "begin vA, vA=0.80000, vA=1.00000, end vA, unused Escape"},
    // A drag holds the keyboard, so no gesture starts inside its own.
    {"press vA; key Down; type 0.5; key Enter; release vA 0 0.2", "begin vA, vA=0.80000, end vA"},
    {"host RndSw 0.5; inuse vA 0.4; press vA; release vA 0 0.2", "begin vA, vA=0.20000, end vA"},
    {"host vD1 0.5; press vD1; release vD1; wait 250; press vD1; release vD1", "begin vD1, end vD1, begin vD1, vD1=0.00000, end vD1"},
    {"press vD1; release vD1; wait 400; press vD1; release vD1", "begin vD1, end vD1, begin vD1, end vD1"},
    // A notch is a whole count, mode or beat a minute, or a hundredth.
    {"wheel vnotes up; wheel fnotes down; wheel RndSw 0 up; wheel RndSw 2 down",
     "begin vnotes, vnotes=0.10000, end vnotes, begin RndSw, RndSw=0.50000, end RndSw"},
    {"wheel Tempo up; wheel fA down; wheel fA down shift",
     "begin Tempo, Tempo=0.24436, end Tempo, begin fA, fA=0.99000, end fA, begin fA, fA=0.98900, end fA"},
    {"key Tab; key Down; key PageDown; key Home; key Left; key Tab; key End",
     "begin vA, vA=0.99000, end vA, begin vA, vA=0.89000, end vA, begin vA, vA=0.00000, end vA, begin vD1, "
     "vD1=1.00000, end vD1"},
    {"inuse vnotes 0.2; key BackTab; key Up; key BackTab; key Up; key Tab 6; key PageUp",
     "unused Up, begin Tempo, Tempo=0.24436, end Tempo, begin vnotes, vnotes=0.90000, end vnotes"},
    {"key Tab 2; type 0.255; key Backspace; key Enter; key Tab 9; type 150; key Tab",
     "begin vD1, vD1=0.25000, end vD1, begin Tempo, Tempo=0.28868, end Tempo"},
    {"key Tab; type 0.3x; key Enter; key Tab; notice; typed", "notice \"0.3x is not a number from 0 to 1\", typed 0.3x"},
    {"key BackTab; type 140x; key Enter; notice; key Escape; key Escape; notice; typed",
     "notice \"140x is not a tempo\", unused Escape, notice \"\", typed none"},
    // The song's tempo: 120 at 44.1 kHz is two beats of 120's values.
    {"field; type 120; key Enter; tempo", "begin Tempo, Tempo=0.02635, end Tempo, beats 2 drift 0.000000"},
    {"key BackTab; type 128; key Enter; rate 96000; tempo; notice",
     "begin Tempo, Tempo=0.15359, end Tempo, beats 2 drift -97314.000000, "
     "notice \"a step is at most 44,100 frames: 0.46 s at 96 kHz, slowest 130.6 BPM\""},
    {"rate 48000; key BackTab; type 60 bpm; key Enter; tempo; notice",
     "begin Tempo, Tempo=0.02635, end Tempo, beats 1 drift -15600.000000, "
     "notice \"a step is at most 44,100 frames: 0.92 s at 48 kHz, slowest 65.3 BPM\""},
    {"press RndSw 1; press RndSw 0", "begin RndSw, RndSw=0.50000, end RndSw, begin RndSw, RndSw=0.00000, end RndSw"},
    {"key Tab; type 0.5; press vA; move vA 0 0.2; close; lost; move vA 0 0.4; release vA 0 0.4; typed",
     "begin vA, vA=0.80000, end vA, typed none"},
    // Space plays and stops in most hosts.
    {"key Up; key a; key Tab; type  ; key Enter; key Backspace; key Delete; key Other; key z ctrl; key Down alt",
     "unused Up, unused a, unused  , unused Enter, unused Backspace, unused Delete, unused Other, unused z, "
     "unused Down"},
    {"redraw; redraw; host vA 1; redraw; host vA 0.5; redraw; inuse vA 1; redraw; step 100; redraw; step 100; "
     "redraw; rate 44100; redraw; rate 48000; redraw; move vA; redraw; key Tab; redraw",
     "redraw, same, same, redraw, same, redraw, same, same, redraw, same, redraw"},
};

TEST(EditorInput, ScriptsTellTheHost) {
    for (const InputCase& c : kInputCases) EXPECT_EQ(run(c.script), c.told) << c.script;
}

// ---- The Tempo helper ----

// Every run of Tempo values giving one step length, found by walking every
// float from 0 to 1. A step's length is a function of the beats a minute
// the value shows (step_timing.h), so it is worked out only where those
// change.
std::vector<TempoStep> walkedSteps() {
    std::vector<TempoStep> found;
    std::int32_t bpm = -1;
    for (std::uint32_t bits = 0; bits <= std::bit_cast<std::uint32_t>(1.0f); ++bits) {
        const float value = std::bit_cast<float>(bits);
        if (beatsPerMinute(value) != bpm) {
            bpm = beatsPerMinute(value);
            const std::int32_t frames = framesPerStepAt(value);
            if (found.empty() || found.back().framesPerStep != frames) found.push_back({frames, {value, value}});
        }
        found.back().values.highest = value;
    }
    return found;
}

// The walk takes a second or two, so the table runs in one test, which
// walks once: each rate with common tempi, and where no step can follow.
TEST(TempoHelper, ChoosesTheLeastDriftOfEveryTempoValue) {
    const std::vector<TempoStep> walked = walkedSteps();
    const std::map<std::pair<double, double>, std::string> notices{
        {{44100, 50}, "a step is at most 44,100 frames: 1.00 s at 44.1 kHz, slowest 60.0 BPM"},
        {{44100, 500}, "a step is at least 11,025 frames: 0.25 s at 44.1 kHz, fastest 480.0 BPM"},
        {{48000, 60}, "a step is at most 44,100 frames: 0.92 s at 48 kHz, slowest 65.3 BPM"},
        {{88200, 100}, "a step is at most 44,100 frames: 0.50 s at 88.2 kHz, slowest 120.0 BPM"},
        {{96000, 128}, "a step is at most 44,100 frames: 0.46 s at 96 kHz, slowest 130.6 BPM"}};
    for (double rate : {44100.0, 48000.0, 88200.0, 96000.0}) {
        for (double song : {50.0, 60.0, 87.5, 90.0, 100.0, 120.0, 128.0, 140.0, 150.0, 174.0, 200.0, 500.0, 1000.0}) {
            SCOPED_TRACE(testing::Message() << song << " BPM at " << rate << " Hz");
            // Two beats a step first, so that a tie keeps two.
            const TempoStep* best = nullptr;
            int bestBeats = 0;
            double bestDrift = 0.0;
            for (int beats : {2, 1}) {
                for (const TempoStep& step : walked) {
                    const double drift = 4.0 / beats * step.framesPerStep - 4.0 * 60.0 * rate / song;
                    if (best == nullptr || std::fabs(drift) < std::fabs(bestDrift)) {
                        best = &step;
                        bestBeats = beats;
                        bestDrift = drift;
                    }
                }
            }
            const TempoChoice choice = chooseTempo(song, rate);
            EXPECT_EQ(choice.beatsPerStep, bestBeats);
            EXPECT_EQ(choice.driftFrames, bestDrift);
            EXPECT_EQ(framesPerStepAt(choice.tempoValue), best->framesPerStep);
            EXPECT_EQ(choice.tempoValue, static_cast<float>((double{best->values.lowest} + best->values.highest) / 2));
            if (const auto notice = notices.find({rate, song}); notice != notices.end()) {
                EXPECT_EQ(tempoLimitNotice(song, rate), notice->second);
            } else if (song >= 60.0 * rate / 44100.0 && song <= 120.0 * rate / 11025.0) {
                EXPECT_EQ(tempoLimitNotice(song, rate), "");
            }
        }
    }
}

// The guide's tables at 44.1 kHz (one beat below 120 BPM, two from there)
// and at 48 kHz (the least drift) give the same step, beats and drift. Their
// Tempo values are the middle of the same values to four places, but where
// those run from 0 the guide gives 0 itself.
TEST(TempoHelper, AgreesWithTheGuidesTables) {
    for (const auto& [table, rate, driftColumn] : {std::tuple{"tempo-lookup", 44100.0, 5}, {"at-48k", 48000.0, 4}}) {
        std::ifstream guide(GUIDE_PATH);
        std::string line;
        while (std::getline(guide, line) && !line.starts_with(std::string("<!-- ") + table + " table")) {}
        int rows = 0;
        for (std::getline(guide, line), std::getline(guide, line); std::getline(guide, line) && line.starts_with("|");) {
            std::vector<std::string> cells;
            std::stringstream row(line.substr(2));
            for (std::string cell; std::getline(row, cell, '|');) cells.push_back(cell.substr(0, cell.size() - 1));
            for (std::string& cell : cells) cell.erase(0, cell.find_first_not_of(' '));
            const TempoChoice choice = chooseTempo(std::stod(cells[0]), rate);
            SCOPED_TRACE(std::string(table) + " at " + cells[0]);
            EXPECT_EQ(std::to_string(beatsPerMinute(choice.tempoValue)), cells[2]);
            EXPECT_EQ(choice.beatsPerStep == 1 ? "one beat" : "two beats", cells[3]);
            EXPECT_NEAR(choice.driftFrames, cells[driftColumn] == "none" ? 0.0 : std::stod(cells[driftColumn]), 0.005);
            if (cells[1] != "0") {
                EXPECT_EQ(std::round(choice.tempoValue * 1e4), std::round(std::stod(cells[1]) * 1e4));
            }
            ++rows;
        }
        EXPECT_GT(rows, 10) << table;
    }
}

}  // namespace
