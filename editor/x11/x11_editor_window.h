// The editor's window on X11, shared by the LV2 and CLAP editions: a child of
// the host's window, on an X connection of its own opened when the window
// is made (never before), drawn by drawEditor into a canvas that is copied
// to the screen as it is, so the screen shows the drawing's pixels exactly.
// It turns the user's pointer and keys into EditorModel calls, and hands the
// host the keys the editor does not use. Everything here runs on the host's
// main thread; the edition feeds the model its values before idle().
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "editor/editor_model.h"

struct Rect;
struct X11EditorState;

class X11EditorWindow {
public:
    // The window, `parent`'s child, at `scale` (1 is 720 x 420), not yet
    // shown; null, with the reason in *why, when there is no display or its
    // visual is not true colour (the only kind drawn to).
    static std::unique_ptr<X11EditorWindow> open(std::uint64_t parent, double scale, EditorModel& model,
                                                 std::string* why);
    // Closes it (close()).
    ~X11EditorWindow();
    X11EditorWindow(const X11EditorWindow&) = delete;
    X11EditorWindow& operator=(const X11EditorWindow&) = delete;

    // The window's size in pixels at a scale: round(720 × scale) by
    // round(420 × scale).
    static std::uint32_t widthAt(double scale);
    static std::uint32_t heightAt(double scale);

    void show();
    void hide();
    // The X connection's descriptor, readable when events wait: for hosts
    // that watch descriptors rather than call on a timer.
    int connectionFd() const;
    std::uint64_t windowId() const;

    // The events waiting, handled; then a redraw if the model's picture
    // changed and the last one was at least a thirtieth of a second ago (a
    // change sooner is drawn by a later call).
    void idle();
    // Ends a drag's gesture and typing (EditorModel::closing), lets the
    // pointer go, destroys the window and closes the connection. Nothing of
    // X is called after it; calling it again does nothing.
    void close();

private:
    explicit X11EditorWindow(EditorModel& model);
    void handlePendingEvents();
    void draw();
    void copyToScreen(const Rect& area);

    EditorModel& model;
    std::unique_ptr<X11EditorState> x;
};
