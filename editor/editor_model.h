// The editor without a window: what the user sees (an EditorPicture) and
// what each pointer and key event does to it and to the host. Each edition's
// window glue feeds it the host's values and the effect's step, and the
// user's events; it answers with the picture to draw and with gestures sent
// through its EditLink. On the window's thread only.
#pragma once

#include <optional>

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
    EditLink& link;
    EditorPicture picture_;
    bool redraw = true;
};
