// The editor's window on Win32, the CLAP edition's on Windows: a child of the
// host's window (WS_CHILD), of a window class of this module's own, drawn by
// drawEditor into a canvas that goes to the screen as it is (a top-down
// 32-bit DIB takes the canvas's 0xAARRGGBB pixels unchanged), so the window
// shows the drawing's pixels exactly, as on X11. It keeps its own time with a
// WM_TIMER 30 times a second, turns the user's pointer and keys into
// EditorModel calls, and hands the host the keys the editor does not use.
// Everything here runs on the thread that made it, the host's main thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "editor/editor_model.h"

struct Win32EditorState;

class Win32EditorWindow {
public:
    // What the window asks of the edition that holds it.
    class Owner {
    public:
        virtual ~Owner() = default;
        // On the window's timer: the host's values into the model, then
        // idle().
        virtual void tick() = 0;
        // Windows moved the window to another DPI and it took the new
        // scale: the host's window should take the new size.
        virtual void resized(std::uint32_t width, std::uint32_t height) = 0;
    };

    // The window, the child of `parent` (an HWND) at `scale` (1 is
    // 720 x 420), not yet shown; null, with the reason in *why, when the
    // parent is no window or Windows refused.
    static std::unique_ptr<Win32EditorWindow> open(void* parent, double scale, EditorModel& model, Owner& owner,
                                                   std::string* why);
    // Closes it (close()).
    ~Win32EditorWindow();
    Win32EditorWindow(const Win32EditorWindow&) = delete;
    Win32EditorWindow& operator=(const Win32EditorWindow&) = delete;

    void show();
    // Hidden, a drag's gesture ends and the mouse is let go.
    void hide();
    // The window at another scale: its size, and a fresh drawing. False,
    // changing nothing, for a scale out of range.
    bool setScale(double scale);
    double scale() const;
    // The window's HWND, null once closed or destroyed with its parent.
    void* handle() const;

    // A redraw if the model's picture changed.
    void idle();
    // Ends a drag's gesture and typing (EditorModel::closing), lets the
    // mouse go, hands the keyboard back to the host's window if it was
    // ours, and destroys the window. Neither the model nor the owner hears
    // from it afterwards; calling it again does nothing.
    void close();

private:
    Win32EditorWindow(EditorModel& model, Owner& owner);
    friend struct Win32EditorState;

    EditorModel& model;
    Owner& owner;
    std::unique_ptr<Win32EditorState> w;
};
