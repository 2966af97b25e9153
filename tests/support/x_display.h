// The X display the window tests use: a parent window for a plug-in's window
// to embed in, a capture of what a window shows, and synthetic input through
// the XTest extension, as a user's pointer and keyboard would give it. The
// tests run under Xvfb (scripts/test.sh); without a display they skip.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "editor/canvas.h"

// Opaque, so that a test does not see Xlib's macros (None, Status, Bool...).
struct XDisplayState;

class XTestDisplay {
public:
    // The display named by DISPLAY with the XTest extension, or none, with
    // the reason in *why.
    static std::unique_ptr<XTestDisplay> open(std::string* why);
    ~XTestDisplay();
    XTestDisplay(const XTestDisplay&) = delete;
    XTestDisplay& operator=(const XTestDisplay&) = delete;

    // A top-level window of the test's, mapped, for a plug-in's window to
    // embed in: its ID. One at a time; making another destroys the first.
    std::uint64_t makeParent(int width, int height);
    void destroyParent();
    // The first child of the parent, or 0 when it has none.
    std::uint64_t firstChild() const;
    // The deepest viewable window of that size anywhere on the screen (a
    // plug-in's window inside another program's), or 0.
    std::uint64_t findWindow(int width, int height) const;
    // Whether the window is mapped and viewable; size in *width, *height.
    bool viewable(std::uint64_t window, int* width = nullptr, int* height = nullptr) const;

    // Runs `step` (the host's idle call) until `done` holds, for at most
    // `limit`; true if it held.
    bool waitFor(const std::function<bool()>& done, const std::function<void()>& step,
                 std::chrono::milliseconds limit = std::chrono::milliseconds(3000)) const;

    // What the window shows now, as opaque 0xFFRRGGBB pixels.
    Canvas capture(std::uint64_t window) const;

    // Synthetic input, at positions inside `window` (its own pixels). Each
    // call reaches the server before it returns.
    void movePointer(std::uint64_t window, int x, int y);
    void pressButton(int button);  // 1 left, 2 middle, 3 right, 4 and 5 the wheel
    void releaseButton(int button);
    void pressKey(std::string_view keysym, bool shift = false);
    // Each character of `text` typed (letters, digits, '.', '-', ' ').
    void type(std::string_view text);

    // Whether some client holds the pointer grabbed (probed by trying to
    // grab it ourselves).
    bool pointerGrabbed();
    // The pending requests sent and the server's answers read.
    void sync() const;

private:
    XTestDisplay() = default;
    void releaseHeldButtons();
    std::unique_ptr<XDisplayState> x;
};

// Why a window test cannot run here (no DISPLAY, or no XTest), or none.
std::optional<std::string> windowTestsUnavailable();
