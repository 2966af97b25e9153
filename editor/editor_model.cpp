#include "editor/editor_model.h"

#include <algorithm>
#include <cmath>

#include "editor/control_steps.h"
#include "editor/editor_layout.h"
#include "editor/editor_texts.h"
#include "editor/shown_values.h"
#include "editor/step_timing.h"
#include "editor/tempo_helper.h"
#include "effect/parameter_text.h"

namespace {

// Two presses on one control this close together are a double-click.
constexpr std::uint32_t kDoubleClickMs = 400;
// Dragging with Shift or Control moves the value this much slower.
constexpr double kFineDragGain = 0.1;
// PageUp and PageDown move as far as this many arrow presses.
constexpr int kPageSteps = 10;
constexpr std::size_t kLongestTypedText = 24;
constexpr int kSongTempoPlace = static_cast<int>(kControlPlaces.size());
constexpr int kFocusPlaces = kSongTempoPlace + 1;

bool sameStep(const std::optional<StepView>& a, const std::optional<StepView>& b) {
    if (!a || !b) return a.has_value() == b.has_value();
    return a->framesPerStep == b->framesPerStep && a->step == b->step && a->frameInStep == b->frameInStep &&
           a->ampNotePeriod == b->ampNotePeriod && a->filterNotePeriod == b->filterNotePeriod &&
           a->passingThrough == b->passingThrough;
}

std::optional<int> placeAt(const PointerEvent& event) {
    const int x = static_cast<int>(std::floor(event.x)), y = static_cast<int>(std::floor(event.y));
    for (std::size_t i = 0; i < kControlPlaces.size(); ++i) {
        if (kControlPlaces[i].area.contains(x, y)) return static_cast<int>(i);
    }
    if (kSongTempoField.contains(x, y)) return kSongTempoPlace;
    return std::nullopt;
}

std::optional<std::size_t> modeButtonAt(const PointerEvent& event) {
    const int x = static_cast<int>(std::floor(event.x)), y = static_cast<int>(std::floor(event.y));
    for (std::size_t i = 0; i < kModeButtons.size(); ++i) {
        if (kModeButtons[i].contains(x, y)) return i;
    }
    return std::nullopt;
}

// Where the pointer is along a control's track, growing as the value does:
// rightwards on a horizontal track, upwards on a vertical one.
double alongTrack(const ControlPlace& place, const PointerEvent& event) {
    return place.horizontal ? event.x : -event.y;
}

double trackLength(const ControlPlace& place) { return place.horizontal ? place.track.width : place.track.height; }

bool isFine(const Modifiers& modifiers) { return modifiers.shift || modifiers.control; }

}  // namespace

EditorModel::EditorModel(EditLink& link) : link(link) {
    for (int i = 0; i < kParameterCount; ++i) {
        picture_.hostValues[i] = picture_.valuesInUse[i] = kParameterTable[static_cast<std::size_t>(i)].initialValue;
    }
}

void EditorModel::setHostValue(int parameter, float value) {
    if (parameter < 0 || parameter >= kParameterCount) return;
    value = valueFromHost(parameter, value);
    if (picture_.hostValues[parameter] == value) return;
    picture_.hostValues[parameter] = value;
    if (parameter == kTempo) refreshDrift();
    redraw = true;
}

void EditorModel::setValueInUse(int parameter, float value) {
    if (parameter < 0 || parameter >= kParameterCount) return;
    value = valueFromHost(parameter, value);
    if (picture_.valuesInUse[parameter] == value) return;
    picture_.valuesInUse[parameter] = value;
    redraw = true;
}

void EditorModel::setStep(const std::optional<StepView>& step) {
    if (sameStep(picture_.step, step)) return;
    picture_.step = step;
    redraw = true;
}

void EditorModel::setSampleRate(double rate) {
    if (!(rate > 0.0) || !std::isfinite(rate) || picture_.sampleRate == rate) return;
    picture_.sampleRate = rate;
    refreshDrift();
    redraw = true;
}

bool EditorModel::takeRedraw() {
    const bool wanted = redraw;
    redraw = false;
    return wanted;
}

// What a control shows, and so where a drag or a step starts from.
float EditorModel::shownValue(int parameter) const { return ::shownValue(picture_, parameter); }

void EditorModel::edit(int parameter, float value) {
    value = std::clamp(value, 0.0f, 1.0f);
    link.beginEdit(parameter);
    link.changeValue(parameter, value);
    link.endEdit(parameter);
    takeValue(parameter, value);
}

// The effect uses a value the host sets until its next pick, so the picture
// shows it in use at once.
void EditorModel::takeValue(int parameter, float value) {
    picture_.hostValues[parameter] = value;
    if (parameter < kEnvelopeParameterCount) picture_.valuesInUse[parameter] = value;
    if (parameter == kTempo) refreshDrift();
    redraw = true;
}

// ---- Pointer ----

void EditorModel::pointerPressed(PointerButton button, const PointerEvent& event) {
    if (button == PointerButton::WheelUp || button == PointerButton::WheelDown) {
        wheel(event, button == PointerButton::WheelUp ? 1 : -1);
        return;
    }
    if (button != PointerButton::Left || drag) return;
    if (const std::optional<std::size_t> mode = modeButtonAt(event)) {
        edit(kRndSw, kSwitchModes[*mode].value);
        return;
    }
    const std::optional<int> place = placeAt(event);
    focus(place);
    if (place && *place < kSongTempoPlace) pressControl(*place, event);
}

void EditorModel::pressControl(int placeIndex, const PointerEvent& event) {
    const ControlPlace& place = kControlPlaces[static_cast<std::size_t>(placeIndex)];
    const int parameter = place.parameter;
    if (lastClick && lastClick->parameter == parameter && event.timeMs - lastClick->timeMs <= kDoubleClickMs) {
        lastClick.reset();
        edit(parameter, kParameterTable[static_cast<std::size_t>(parameter)].initialValue);
        return;
    }
    lastClick = Click{parameter, event.timeMs};
    stopTyping();
    const float start = shownValue(parameter);
    drag = Drag{parameter, start, start, alongTrack(place, event), isFine(event.modifiers), start};
    picture_.dragged = parameter;
    link.beginEdit(parameter);
    redraw = true;
}

void EditorModel::pointerMoved(const PointerEvent& event) {
    if (drag) moveDrag(event);
}

void EditorModel::moveDrag(const PointerEvent& event) {
    const ControlPlace& place = *std::find_if(kControlPlaces.begin(), kControlPlaces.end(),
                                              [&](const ControlPlace& p) { return p.parameter == drag->parameter; });
    const double position = alongTrack(place, event);
    if (isFine(event.modifiers) != drag->fine) {
        drag->anchorValue = drag->lastValue;
        drag->anchorPosition = position;
        drag->fine = !drag->fine;
    }
    const double gain = drag->fine ? kFineDragGain : 1.0;
    const double moved = (position - drag->anchorPosition) / trackLength(place) * gain;
    const float value = std::clamp(static_cast<float>(drag->anchorValue + moved), 0.0f, 1.0f);
    if (value == drag->lastValue) return;
    drag->lastValue = value;
    link.changeValue(drag->parameter, value);
    takeValue(drag->parameter, value);
}

void EditorModel::pointerReleased(PointerButton button, const PointerEvent& event) {
    if (button != PointerButton::Left || !drag) return;
    moveDrag(event);
    endDrag();
}

void EditorModel::endDrag() {
    if (!drag) return;
    link.endEdit(drag->parameter);
    drag.reset();
    picture_.dragged.reset();
    redraw = true;
}

void EditorModel::cancelDrag() {
    if (drag->lastValue != drag->startValue) {
        link.changeValue(drag->parameter, drag->startValue);
        takeValue(drag->parameter, drag->startValue);
    }
    endDrag();
}

void EditorModel::wheel(const PointerEvent& event, int notches) {
    if (drag) return;
    // Over the mode buttons the wheel turns the mode.
    const std::optional<int> place = placeAt(event);
    int parameter = kRndSw;
    if (!modeButtonAt(event)) {
        if (!place || *place == kSongTempoPlace) return;
        parameter = kControlPlaces[static_cast<std::size_t>(*place)].parameter;
    }
    const float from = shownValue(parameter);
    const float to = steppedValue(parameter, from, notches, event.modifiers.shift);
    if (to != from) edit(parameter, to);
}

void EditorModel::focusLost() {
    endDrag();
    stopTyping();
}

void EditorModel::closing() {
    focusLost();
    focus(std::nullopt);
}

// ---- Keyboard ----

std::optional<int> EditorModel::focusedPlace() const {
    if (picture_.songTempoFocused) return kSongTempoPlace;
    if (!picture_.focused) return std::nullopt;
    for (std::size_t i = 0; i < kControlPlaces.size(); ++i) {
        if (kControlPlaces[i].parameter == *picture_.focused) return static_cast<int>(i);
    }
    return std::nullopt;
}

void EditorModel::focus(std::optional<int> place) {
    if (place != focusedPlace()) stopTyping();
    picture_.songTempoFocused = place == kSongTempoPlace;
    if (place && *place < kSongTempoPlace) {
        picture_.focused = kControlPlaces[static_cast<std::size_t>(*place)].parameter;
    } else {
        picture_.focused.reset();
    }
    redraw = true;
}

bool EditorModel::keyPressed(const KeyPress& key) {
    // Keys with Control or Alt are the host's shortcuts.
    if (key.modifiers.control || key.modifiers.alt) return false;
    // A drag holds the keyboard: only Escape acts, so no other gesture
    // starts inside the drag's.
    if (drag) {
        if (key.key == Key::Escape) cancelDrag();
        return true;
    }
    if (key.key == Key::Tab || key.key == Key::BackTab) {
        if (picture_.typedValue && !applyTyped()) return true;
        const int by = key.key == Key::Tab && !key.modifiers.shift ? 1 : -1;
        const std::optional<int> from = focusedPlace();
        focus(from ? (*from + by + kFocusPlaces) % kFocusPlaces : (by > 0 ? 0 : kFocusPlaces - 1));
        return true;
    }
    if (!focusedPlace()) return false;
    if (picture_.typedValue) return typingKey(key);
    // A blank starts no value: Space stays the host's (play and stop).
    if (key.key == Key::Character && key.character > U' ' && key.character < 0x7F) {
        picture_.typedValue = std::string(1, static_cast<char>(key.character));
        typingNotice.clear();
        showNotice();
        redraw = true;
        return true;
    }
    return !picture_.songTempoFocused && controlKey(key);
}

bool EditorModel::controlKey(const KeyPress& key) {
    const int parameter = *picture_.focused;
    const float from = shownValue(parameter);
    const bool fine = key.modifiers.shift;
    float to = from;
    switch (key.key) {
        case Key::Up:
        case Key::Right: to = steppedValue(parameter, from, 1, fine); break;
        case Key::Down:
        case Key::Left: to = steppedValue(parameter, from, -1, fine); break;
        case Key::PageUp: to = steppedValue(parameter, from, kPageSteps, fine); break;
        case Key::PageDown: to = steppedValue(parameter, from, -kPageSteps, fine); break;
        case Key::Home: to = 0.0f; break;
        case Key::End: to = 1.0f; break;
        default: return false;
    }
    if (to != from) edit(parameter, to);
    return true;
}

// While typing, every key but Control's and Alt's is the text's; those
// that do nothing to a text are taken too, so an arrow does not reach the
// host half-way through a value.
bool EditorModel::typingKey(const KeyPress& key) {
    std::string& text = *picture_.typedValue;
    switch (key.key) {
        case Key::Character:
            if (key.character >= U' ' && key.character < 0x7F && text.size() < kLongestTypedText) {
                text.push_back(static_cast<char>(key.character));
            }
            break;
        case Key::Backspace:
            if (!text.empty()) text.pop_back();
            break;
        case Key::Enter: applyTyped(); break;
        case Key::Escape: stopTyping(); break;
        default: return true;
    }
    redraw = true;
    return true;
}

bool EditorModel::applyTyped() {
    const std::string text = *picture_.typedValue;
    if (text.find_first_not_of(" \t") == std::string::npos) {
        stopTyping();
        return true;
    }
    if (picture_.songTempoFocused) {
        const std::optional<double> tempo = songTempoOfText(text);
        if (!tempo) {
            typingNotice = notASongTempoNotice(text);
            showNotice();
            return false;
        }
        stopTyping();
        picture_.songTempoText = text;
        applySongTempo(*tempo);
        return true;
    }
    const int parameter = *picture_.focused;
    const std::optional<float> value = valueOfText(parameter, text.c_str());
    if (!value) {
        typingNotice = notAValueNotice(parameter, text);
        showNotice();
        return false;
    }
    stopTyping();
    edit(parameter, *value);
    return true;
}

void EditorModel::stopTyping() {
    if (!picture_.typedValue && typingNotice.empty()) return;
    picture_.typedValue.reset();
    typingNotice.clear();
    showNotice();
    redraw = true;
}

// ---- The Tempo helper ----

void EditorModel::applySongTempo(double beatsPerMinute) {
    songTempo = beatsPerMinute;
    const TempoChoice choice = chooseTempo(beatsPerMinute, picture_.sampleRate);
    picture_.beatsPerStep = choice.beatsPerStep;
    edit(kTempo, choice.tempoValue);
}

// The drift shown is the one of the Tempo in place, however it was set, and
// the limit said is the one at the running rate.
void EditorModel::refreshDrift() {
    if (!songTempo) return;
    picture_.songTempoDriftFrames = driftPerBar(framesPerStepAt(picture_.hostValues[kTempo]), picture_.beatsPerStep,
                                                *songTempo, picture_.sampleRate);
    limitNotice = tempoLimitNotice(*songTempo, picture_.sampleRate);
    showNotice();
}

void EditorModel::showNotice() {
    picture_.notice = typingNotice.empty() ? limitNotice : typingNotice;
    redraw = true;
}
