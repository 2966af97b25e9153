// The editor without a window: what the user sees (an EditorPicture) and
// what each pointer and key event does to it and to the host. Each edition's
// window glue feeds it the host's values and the effect's step, and the
// user's events; it answers with the picture to draw and with gestures sent
// through its EditLink. On the window's thread only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "editor/editor_input.h"
#include "editor/editor_picture.h"

class EditorModel {
public:
    explicit EditorModel(EditLink& link);

    // From the host and the effect.
    void setHostValue(int parameter, float value);
    void setValueInUse(int parameter, float value);
    void setStep(const std::optional<StepView>& step);
    void setSampleRate(double rate);

    // From the user. Pointer positions at scale 1.
    void pointerPressed(PointerButton button, const PointerEvent& event);
    void pointerMoved(const PointerEvent& event);
    void pointerReleased(PointerButton button, const PointerEvent& event);
    // True when the editor used the key; otherwise the glue hands it to the
    // host.
    bool keyPressed(const KeyPress& key);
    // The window lost the keyboard, or is closing: a drag in progress ends
    // its gesture where it stands, and typing stops.
    void focusLost();
    void closing();

    const EditorPicture& picture() const { return picture_; }
    // True once since anything the picture shows changed.
    bool takeRedraw();

private:
    // A drag in progress: the value moves with the pointer along the track
    // from an anchor, which moves when fine dragging starts or stops.
    struct Drag {
        int parameter;
        float startValue;  // as shown at the press: Escape puts it back
        float anchorValue;
        double anchorPosition;  // along the track, in pixels, growing with the value
        bool fine;
        float lastValue;
    };
    // The last press on a control, to tell a double-click.
    struct Click {
        int parameter;
        std::uint32_t timeMs;
    };

    float shownValue(int parameter) const;
    // One whole gesture, and the picture updated as the host will have it.
    void edit(int parameter, float value);
    void takeValue(int parameter, float value);

    void pressControl(int placeIndex, const PointerEvent& event);
    void moveDrag(const PointerEvent& event);
    void endDrag();
    void cancelDrag();
    void wheel(const PointerEvent& event, int notches);

    // Focus: places 0 to 10 are kControlPlaces, 11 the song's tempo field.
    std::optional<int> focusedPlace() const;
    void focus(std::optional<int> place);
    bool controlKey(const KeyPress& key);
    bool typingKey(const KeyPress& key);
    // Applies the typed text; false, with a notice, when it is no value.
    bool applyTyped();
    void stopTyping();
    void applySongTempo(double beatsPerMinute);
    void refreshDrift();
    void showNotice();

    EditLink& link;
    EditorPicture picture_;
    bool redraw = true;
    std::optional<Drag> drag;
    std::optional<Click> lastClick;
    std::optional<double> songTempo;
    // Said about a typed text that is no value, until typing starts again;
    // said about the song's tempo, until another is typed.
    std::string typingNotice;
    std::string limitNotice;
};
