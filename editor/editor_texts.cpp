#include "editor/editor_texts.h"

#include <charconv>
#include <cmath>

#include "editor/step_timing.h"
#include "effect/display_text.h"
#include "effect/envelope.h"
#include "effect/parameter_scales.h"

namespace {

constexpr std::array<std::string_view, kParameterCount> kControlNames{
    "Attack", "Decay 1", "Sustain", "Decay 2", "Notes", "Attack", "Decay 1", "Sustain", "Decay 2", "Notes",
    "Mode",   "Tempo"};

// Notes per step that have a name, and the name with steps of one beat and
// of two: the guide's note-value table.
struct NoteName {
    int count;
    std::string_view oneBeat;
    std::string_view twoBeats;
};
constexpr NoteName kNoteNames[] = {
    {1, "quarters", "half notes"},
    {2, "eighths", "quarters"},
    {3, "eighth triplets", "quarter triplets"},
    {4, "sixteenths", "eighths"},
    {6, "sixteenth triplets", "eighth triplets"},
    {8, "thirty-seconds", "sixteenths"},
    {12, "thirty-second triplets", "sixteenth triplets"},
    {16, "sixty-fourths", "thirty-seconds"},
};

// Decimal text of `value` with `decimals` digits after the point, whatever
// the locale.
std::string fixed(double value, int decimals) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    return std::string(text, result.ptr);
}

// 44100 as "44,100".
std::string grouped(long long value) {
    const std::string digits = std::to_string(value < 0 ? -value : value);
    std::string text = value < 0 ? "-" : "";
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) text += ',';
        text += digits[i];
    }
    return text;
}

std::string secondsText(double seconds) { return fixed(seconds, 2) + " s"; }

// A stage's length: milliseconds below a second, seconds above.
std::string durationText(double seconds) {
    if (seconds >= 999.5) return "over 999 s";
    if (seconds >= 1.0) return fixed(seconds, seconds >= 10.0 ? 1 : 2) + " s";
    const double ms = seconds * 1000.0;
    return fixed(ms, ms >= 100.0 ? 0 : 1) + " ms";
}

bool isFilter(int parameter) { return parameter >= kFA && parameter <= kFNotes; }

}  // namespace

std::string_view controlName(int parameter) {
    return parameter >= 0 && parameter < kParameterCount ? kControlNames[static_cast<std::size_t>(parameter)] : "";
}

std::string_view codeName(int parameter) {
    return parameter >= 0 && parameter < kParameterCount ? kParameterTable[static_cast<std::size_t>(parameter)].name
                                                         : "";
}

std::string groupHeading(bool filter, bool pickedByPlugin) {
    std::string heading = filter ? "FILTER" : "VOLUME";
    if (pickedByPlugin) heading += " \u00B7 picked by the plug-in";
    return heading;
}

std::string valueText(int parameter, float value) {
    char text[16] = {};
    displayText(parameter, value, text);
    // The label the VST 2 edition shows after it; blanks at the end are
    // dropped so that the text centres on what is seen.
    std::string shown = std::string(text) + std::string(kParameterLabel);
    while (!shown.empty() && shown.back() == ' ') shown.pop_back();
    return shown;
}

namespace {

// Stages are run frame by frame with the effect's envelope up to this many
// frames, more than the longest step; a longer stage, which a note never
// reaches the end of, is worked out from its increments alone.
constexpr std::int32_t kFramesRun = 65536;

// Frames from a stage's start, with the level it starts at, to the frame in
// which the envelope leaves it (that frame included); none past kFramesRun.
std::optional<double> framesRun(const EnvelopeRates& rates, EnvelopeStage stage, float startLevel,
                                float floorLevel) {
    Envelope envelope = Envelope::load(EnvelopeState{stage, startLevel, kFramesRun, kFramesRun}, floorLevel);
    envelope.setRates(rates);
    for (std::int32_t frame = 1; frame <= kFramesRun; ++frame) {
        envelope.advance();
        if (envelope.stage() != stage) return frame;
    }
    return std::nullopt;
}

}  // namespace

std::optional<double> stageFrames(int parameter, const std::array<float, kParameterCount>& values) {
    const int first = isFilter(parameter) ? kFA : kVA;
    const auto value = [&](int offset) { return values[static_cast<std::size_t>(first + offset)]; };
    const EnvelopeRates rates = EnvelopeRates::of(value(0), value(1), value(2), value(3));
    const double sustain = value(2);
    const float floorLevel = isFilter(parameter) ? kFilterFloor : kAmpFloor;
    switch (parameter - first) {
        case 0:  // attack: from 0 to the frame whose rise reaches 1
            if (!rates.attackMoves) return std::nullopt;
            return framesRun(rates, kAttack, 0.0f, floorLevel).value_or(std::ceil(1.0 / rates.attack));
        case 1: {  // decay 1: from 1 to the frame whose fall goes below the sustain level
            const double fall = rates.decay1 + rates.decay2;
            if (fall == 0.0) return std::nullopt;
            return framesRun(rates, kFirstDecay, 1.0f, floorLevel)
                .value_or(std::floor(std::max(0.0, 1.0 - sustain) / fall) + 1.0);
        }
        case 3:  // decay 2: from the sustain level to the frame whose fall goes below the floor
            if (!rates.decay2Moves) return std::nullopt;
            return framesRun(rates, kSecondDecay, value(2), floorLevel)
                .value_or(std::floor(std::max(0.0, sustain - floorLevel) / rates.decay2) + 1.0);
        default: return std::nullopt;
    }
}

std::string stageTimeText(int parameter, const std::array<float, kParameterCount>& values, double sampleRate) {
    const int stage = parameter - (isFilter(parameter) ? kFA : kVA);
    if (parameter < kVA || parameter > kFNotes || stage == 2 || stage == 4) return "";
    const std::optional<double> frames = stageFrames(parameter, values);
    if (!frames) return "\u2014";
    // Beyond the frames run, the levels' rounding to float is missed: a few
    // percent.
    return (*frames > kFramesRun ? "about " : "") + durationText(*frames / sampleRate);
}

std::string noteCountText(float notesValue, int beatsPerStep) {
    const int count = triggersPerStep(notesValue);
    for (const NoteName& name : kNoteNames) {
        if (name.count == count) return std::string(beatsPerStep == 1 ? name.oneBeat : name.twoBeats);
    }
    return std::to_string(count) + " per step";
}

std::string rateText(double sampleRate) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, sampleRate / 1000.0);
    return std::string(text, result.ptr) + " kHz";
}

std::string playsAtText(float tempoValue, double sampleRate, int beatsPerStep) {
    return "plays " + fixed(playedBeatsPerMinute(tempoValue, sampleRate, beatsPerStep), 1) + " BPM at " +
           rateText(sampleRate);
}

std::string stepLengthText(float tempoValue, double sampleRate) {
    const std::int32_t frames = framesPerStepAt(tempoValue);
    return "one step: " + grouped(frames) + " frames, " + secondsText(frames / sampleRate) + " at " +
           rateText(sampleRate);
}

// "a step is at most 44,100 frames: 0.92 s at 48 kHz", at Tempo 0 or 1.
std::string stepLimitText(float tempoValue, double sampleRate) {
    const std::int32_t frames = framesPerStepAt(tempoValue);
    return std::string("a step is ") + (tempoValue == 0.0f ? "at most " : "at least ") + grouped(frames) +
           " frames: " + secondsText(frames / sampleRate) + " at " + rateText(sampleRate);
}

std::string longestStepNotice(double sampleRate) { return stepLimitText(0.0f, sampleRate); }

std::string songTempoLimitNotice(bool tooSlow, double limitBeatsPerMinute, double sampleRate) {
    return stepLimitText(tooSlow ? 0.0f : 1.0f, sampleRate) + (tooSlow ? ", slowest " : ", fastest ") +
           fixed(limitBeatsPerMinute, 1) + " BPM";
}

std::string notAValueNotice(int parameter, std::string_view typed) {
    switch (kParameterTable[static_cast<std::size_t>(parameter)].valueText) {
        case ValueText::Number: return std::string(typed) + " is not a number from 0 to 1";
        case ValueText::TriggerCount: return std::string(typed) + " is not a number of notes";
        case ValueText::SwitchMode: return std::string(typed) + " is not a mode: MANUAL, RANDOM or AUTO";
        case ValueText::BeatsPerMinute: break;
    }
    return notASongTempoNotice(typed);
}

std::string notASongTempoNotice(std::string_view typed) { return std::string(typed) + " is not a tempo"; }

std::string driftText(double framesPerBar) {
    const double tenths = std::round(framesPerBar * 10.0);
    if (tenths == 0.0 || std::isnan(tenths)) return "in time";
    const double size = std::abs(tenths) / 10.0;
    const std::string number = fixed(size, std::fmod(std::abs(tenths), 10.0) == 0.0 ? 0 : 1);
    return std::string("drifts ") + (tenths > 0 ? "+" : "\u2212") + number + (size == 1.0 ? " frame" : " frames") +
           " a bar";
}

std::string stepNumberText(int step) { return "step " + std::to_string(step); }
