#include "tests/support/x_display.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

struct XDisplayState {
    Display* display = nullptr;
    Window parent = 0;
    ~XDisplayState() {
        if (display == nullptr) return;
        if (parent != 0) XDestroyWindow(display, parent);
        XCloseDisplay(display);
    }
};

std::optional<std::string> windowTestsUnavailable() {
    std::string why;
    if (XTestDisplay::open(&why) == nullptr) return why;
    return std::nullopt;
}

std::unique_ptr<XTestDisplay> XTestDisplay::open(std::string* why) {
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') {
        if (why != nullptr) *why = "no DISPLAY: the window tests run under Xvfb (scripts/test.sh)";
        return nullptr;
    }
    auto state = std::make_unique<XDisplayState>();
    // An X server without -noreset starts afresh when its last client goes
    // and refuses connections meanwhile: a moment later it takes them again.
    for (int attempt = 0; attempt < 40 && state->display == nullptr; ++attempt) {
        state->display = XOpenDisplay(nullptr);
        if (state->display == nullptr) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (state->display == nullptr) {
        if (why != nullptr) *why = std::string("cannot open the X display ") + name;
        return nullptr;
    }
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(state->display, &event, &error, &major, &minor)) {
        if (why != nullptr) *why = std::string("the X display ") + name + " has no XTest extension";
        return nullptr;
    }
    std::unique_ptr<XTestDisplay> opened(new XTestDisplay);
    opened->x = std::move(state);
    // A test that stopped in the middle of a drag left its button down on
    // the server: let it go, so this one's press is a press.
    opened->releaseHeldButtons();
    return opened;
}

XTestDisplay::~XTestDisplay() {
    if (x != nullptr && x->display != nullptr) releaseHeldButtons();
}

void XTestDisplay::releaseHeldButtons() {
    Window root = 0, child = 0;
    int rootX = 0, rootY = 0, windowX = 0, windowY = 0;
    unsigned mask = 0;
    const int screen = DefaultScreen(x->display);
    XQueryPointer(x->display, RootWindow(x->display, screen), &root, &child, &rootX, &rootY, &windowX, &windowY, &mask);
    const unsigned held[] = {Button1Mask, Button2Mask, Button3Mask};
    for (unsigned button = 1; button <= 3; ++button)
        if ((mask & held[button - 1]) != 0) XTestFakeButtonEvent(x->display, button, False, CurrentTime);
    XSync(x->display, False);
}

std::uint64_t XTestDisplay::makeParent(int width, int height) {
    destroyParent();
    Display* d = x->display;
    const int screen = DefaultScreen(d);
    x->parent = XCreateSimpleWindow(d, RootWindow(d, screen), 0, 0, static_cast<unsigned>(width),
                                    static_cast<unsigned>(height), 0, BlackPixel(d, screen), BlackPixel(d, screen));
    XMapRaised(d, x->parent);
    XSync(d, False);
    waitFor([&] { return viewable(x->parent); }, [] {});
    return x->parent;
}

void XTestDisplay::destroyParent() {
    if (x->parent == 0) return;
    XDestroyWindow(x->display, x->parent);
    XSync(x->display, False);
    x->parent = 0;
}

std::uint64_t XTestDisplay::firstChild() const {
    if (x->parent == 0) return 0;
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(x->display, x->parent, &root, &parent, &children, &count)) return 0;
    const Window first = count > 0 ? children[0] : 0;
    if (children != nullptr) XFree(children);
    return first;
}

namespace {
// Errors from probing a window that is gone are answers, not failures.
int ignoreErrors(Display*, XErrorEvent*) { return 0; }

// The deepest viewable window under `window` of that size, or 0.
Window findUnder(Display* d, Window window, int width, int height) {
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(d, window, &root, &parent, &children, &count)) return 0;
    Window found = 0;
    for (unsigned i = 0; i < count && found == 0; ++i) {
        found = findUnder(d, children[i], width, height);
        XWindowAttributes attributes{};
        if (found == 0 && XGetWindowAttributes(d, children[i], &attributes) != 0 && attributes.width == width &&
            attributes.height == height && attributes.map_state == IsViewable)
            found = children[i];
    }
    if (children != nullptr) XFree(children);
    return found;
}
}  // namespace

std::uint64_t XTestDisplay::findWindow(int width, int height) const {
    XSync(x->display, False);
    auto* previous = XSetErrorHandler(ignoreErrors);
    const Window found = findUnder(x->display, DefaultRootWindow(x->display), width, height);
    XSync(x->display, False);
    XSetErrorHandler(previous);
    return found;
}

bool XTestDisplay::viewable(std::uint64_t window, int* width, int* height) const {
    XSync(x->display, False);
    auto* previous = XSetErrorHandler(ignoreErrors);
    XWindowAttributes attributes{};
    const Status found = XGetWindowAttributes(x->display, window, &attributes);
    XSync(x->display, False);
    XSetErrorHandler(previous);
    if (found == 0) return false;
    if (width != nullptr) *width = attributes.width;
    if (height != nullptr) *height = attributes.height;
    return attributes.map_state == IsViewable;
}

bool XTestDisplay::waitFor(const std::function<bool()>& done, const std::function<void()>& step,
                           std::chrono::milliseconds limit) const {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (true) {
        step();
        if (done()) return true;
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

Canvas XTestDisplay::capture(std::uint64_t window) const {
    int width = 0, height = 0;
    if (!viewable(window, &width, &height)) return {};
    // A window partly off the screen cannot be read: an empty capture.
    auto* previous = XSetErrorHandler(ignoreErrors);
    XImage* image = XGetImage(x->display, window, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height),
                              AllPlanes, ZPixmap);
    XSync(x->display, False);
    XSetErrorHandler(previous);
    if (image == nullptr) return {};
    Canvas canvas(width, height);
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column) {
            const unsigned long pixel = XGetPixel(image, column, row);
            const auto part = [&](unsigned long mask) {
                if (mask == 0) return 0u;
                int shift = 0;
                while (((mask >> shift) & 1u) == 0) ++shift;
                const unsigned long most = mask >> shift;
                return static_cast<unsigned>(((pixel & mask) >> shift) * 255u / most);
            };
            canvas.pixels[static_cast<std::size_t>(row) * static_cast<std::size_t>(width) +
                          static_cast<std::size_t>(column)] =
                0xFF000000u | part(image->red_mask) << 16 | part(image->green_mask) << 8 | part(image->blue_mask);
        }
    XDestroyImage(image);
    return canvas;
}

void XTestDisplay::movePointer(std::uint64_t window, int px, int py) {
    Window child = 0;
    int rootX = 0, rootY = 0;
    const int screen = DefaultScreen(x->display);
    XTranslateCoordinates(x->display, window, RootWindow(x->display, screen), px, py, &rootX, &rootY, &child);
    XTestFakeMotionEvent(x->display, screen, rootX, rootY, CurrentTime);
    XSync(x->display, False);
}

void XTestDisplay::pressButton(int button) {
    XTestFakeButtonEvent(x->display, static_cast<unsigned>(button), True, CurrentTime);
    XSync(x->display, False);
}

void XTestDisplay::releaseButton(int button) {
    XTestFakeButtonEvent(x->display, static_cast<unsigned>(button), False, CurrentTime);
    XSync(x->display, False);
}

void XTestDisplay::pressKey(std::string_view keysym, bool shift) {
    const KeySym symbol = XStringToKeysym(std::string(keysym).c_str());
    const KeyCode code = XKeysymToKeycode(x->display, symbol);
    const KeyCode shiftCode = XKeysymToKeycode(x->display, XK_Shift_L);
    if (code == 0) return;
    if (shift) XTestFakeKeyEvent(x->display, shiftCode, True, CurrentTime);
    XTestFakeKeyEvent(x->display, code, True, CurrentTime);
    XTestFakeKeyEvent(x->display, code, False, CurrentTime);
    if (shift) XTestFakeKeyEvent(x->display, shiftCode, False, CurrentTime);
    XSync(x->display, False);
}

void XTestDisplay::type(std::string_view text) {
    for (const char c : text) {
        switch (c) {
        case '.': pressKey("period"); break;
        case '-': pressKey("minus"); break;
        case ' ': pressKey("space"); break;
        default: pressKey(std::string_view(&c, 1), c >= 'A' && c <= 'Z');
        }
    }
}

bool XTestDisplay::pointerGrabbed() {
    const int screen = DefaultScreen(x->display);
    const int result = XGrabPointer(x->display, RootWindow(x->display, screen), False, ButtonPressMask,
                                    GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
    if (result == GrabSuccess) XUngrabPointer(x->display, CurrentTime);
    XSync(x->display, False);
    return result == AlreadyGrabbed;
}

void XTestDisplay::sync() const { XSync(x->display, False); }
