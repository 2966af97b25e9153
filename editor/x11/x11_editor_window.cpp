#include "editor/x11/xlib.h"

#include <bitset>
#include <chrono>
#include <cmath>
#include <cstring>
#include <vector>

#include "editor/canvas.h"
#include "editor/changed_area.h"
#include "editor/draw_editor.h"
#include "editor/editor_layout.h"
#include "editor/x11/x11_editor_window.h"
#include "editor/x11/x11_image.h"
#include "editor/x11/x11_keys.h"

namespace {

using Clock = std::chrono::steady_clock;
// The shortest time between two redraws: 30 a second at most.
constexpr auto kRedrawInterval = std::chrono::milliseconds(33);

constexpr long kEventMask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask |
                            KeyReleaseMask | StructureNotifyMask | FocusChangeMask;

// Errors about a window the host destroyed first (ours goes with it) are
// expected while closing; the handler is the process's, so it is set only
// for those few calls.
int ignoreErrors(Display*, XErrorEvent*) { return 0; }

// Which of X's buttons is which of the editor's; none for the others (the
// horizontal wheel, extra buttons).
bool pointerButtonOf(unsigned button, PointerButton* out) {
    switch (button) {
    case Button1: *out = PointerButton::Left; return true;
    case Button2: *out = PointerButton::Middle; return true;
    case Button3: *out = PointerButton::Right; return true;
    case Button4: *out = PointerButton::WheelUp; return true;
    case Button5: *out = PointerButton::WheelDown; return true;
    default: return false;
    }
}

}  // namespace

struct X11EditorState {
    Display* display = nullptr;
    Window parent = 0;
    Window window = 0;
    GC gc = nullptr;
    XImage* image = nullptr;
    // The image's own pixels (XImage does not own them here), in the
    // visual's layout.
    std::vector<std::uint32_t> imagePixels;
    bool visualIsCanvas = false;  // 32 bits a pixel, the canvas's masks and byte order
    VisualMasks masks{};
    double scale = 1.0;
    Canvas canvas;
    bool exposed = false;
    // What the last drawing changed and the screen has yet to show.
    Rect changed{0, 0, 0, 0};
    bool redrawWanted = true;
    Clock::time_point lastDraw{};
    bool grabbed = false;
    // Keys handed to the host whose release goes there too.
    std::bitset<256> forwardedKeys;
};

std::uint32_t X11EditorWindow::widthAt(double scale) { return editorWidthAt(scale); }
std::uint32_t X11EditorWindow::heightAt(double scale) { return editorHeightAt(scale); }

X11EditorWindow::X11EditorWindow(EditorModel& model) : model(model), x(std::make_unique<X11EditorState>()) {}

std::unique_ptr<X11EditorWindow> X11EditorWindow::open(std::uint64_t parent, double scale, EditorModel& model,
                                                       std::string* why) {
    const auto refuse = [&](const char* reason) {
        if (why != nullptr) *why = reason;
        return nullptr;
    };
    if (!(scale > 0.0) || widthAt(scale) == 0 || heightAt(scale) == 0 || widthAt(scale) > 16384 ||
        heightAt(scale) > 16384)
        return refuse("the window's scale is out of range");
    std::unique_ptr<X11EditorWindow> opened(new X11EditorWindow(model));
    X11EditorState& x = *opened->x;
    x.display = XOpenDisplay(nullptr);
    if (x.display == nullptr) return refuse("there is no X display to open the window on");
    x.parent = static_cast<Window>(parent);
    x.scale = scale;
    const unsigned width = widthAt(scale), height = heightAt(scale);

    // The parent's visual and depth, so the child needs no colour map.
    auto* previous = XSetErrorHandler(ignoreErrors);
    XWindowAttributes parentAttributes{};
    const Status parentFound = XGetWindowAttributes(x.display, x.parent, &parentAttributes);
    XSync(x.display, False);
    XSetErrorHandler(previous);
    if (parentFound == 0) return refuse("the host's window does not exist");
    Visual* visual = parentAttributes.visual;
    if (visual == nullptr || visual->c_class != TrueColor || parentAttributes.depth < 15)
        return refuse("the display's colours are not true colour, which the window needs");
    x.masks = {visual->red_mask, visual->green_mask, visual->blue_mask};

    XSetWindowAttributes attributes{};
    attributes.event_mask = kEventMask;
    attributes.background_pixel = 0;
    attributes.border_pixel = 0;
    x.window = XCreateWindow(x.display, x.parent, 0, 0, width, height, 0, CopyFromParent, InputOutput,
                             CopyFromParent, CWEventMask | CWBackPixel | CWBorderPixel, &attributes);
    x.gc = XCreateGC(x.display, x.window, 0, nullptr);

    x.canvas = Canvas(static_cast<int>(width), static_cast<int>(height));
    x.imagePixels.resize(x.canvas.pixels.size());
    x.image = XCreateImage(x.display, visual, static_cast<unsigned>(parentAttributes.depth), ZPixmap, 0,
                           reinterpret_cast<char*>(x.imagePixels.data()), width, height, 32, 0);
    if (x.image == nullptr || x.image->bits_per_pixel != 32) {
        // XCreateImage chose another pixel size (a 15- or 16-bit visual):
        // the image gets data of that size.
        if (x.image != nullptr) {
            x.image->data = nullptr;
            XDestroyImage(x.image);
        }
        x.image = XCreateImage(x.display, visual, static_cast<unsigned>(parentAttributes.depth), ZPixmap, 0, nullptr,
                               width, height, 8, 0);
        if (x.image == nullptr) return refuse("the display cannot hold the window's picture");
        x.imagePixels.assign((static_cast<std::size_t>(x.image->bytes_per_line) * height + 3) / 4, 0);
        x.image->data = reinterpret_cast<char*>(x.imagePixels.data());
    }
    constexpr std::uint32_t one = 1;
    const bool littleEndian = *reinterpret_cast<const unsigned char*>(&one) == 1;
    x.visualIsCanvas = x.image->bits_per_pixel == 32 && x.masks.red == 0xFF0000 && x.masks.green == 0xFF00 &&
                       x.masks.blue == 0xFF && x.image->byte_order == (littleEndian ? LSBFirst : MSBFirst) &&
                       x.image->bytes_per_line == static_cast<int>(width * 4);
    // The window exists on the server when open returns: a host that looks
    // for it through its own connection finds it.
    XSync(x.display, False);
    return opened;
}

X11EditorWindow::~X11EditorWindow() { close(); }

void X11EditorWindow::show() {
    if (x->display == nullptr) return;
    XMapWindow(x->display, x->window);
    x->redrawWanted = true;
    XSync(x->display, False);
}

void X11EditorWindow::hide() {
    if (x->display == nullptr) return;
    if (x->grabbed) {
        model.focusLost();
        XUngrabPointer(x->display, CurrentTime);
        x->grabbed = false;
    }
    XUnmapWindow(x->display, x->window);
    XFlush(x->display);
}

int X11EditorWindow::connectionFd() const { return x->display != nullptr ? ConnectionNumber(x->display) : -1; }

std::uint64_t X11EditorWindow::windowId() const { return x->window; }

void X11EditorWindow::idle() {
    if (x->display == nullptr) return;
    handlePendingEvents();
    // The host destroyed its window, and ours went with it: nothing left
    // to draw on until close().
    if (x->window == 0) return;
    if (model.takeRedraw()) x->redrawWanted = true;
    const Clock::time_point now = Clock::now();
    if (x->redrawWanted && now - x->lastDraw >= kRedrawInterval) {
        draw();
        x->lastDraw = now;
        x->redrawWanted = false;
    }
    // The server lost what it showed: all of it again. Otherwise only what
    // the drawing changed, a thin strip while the playhead moves.
    if (x->exposed) x->changed = {0, 0, x->canvas.width, x->canvas.height};
    if (x->changed.width > 0) copyToScreen(x->changed);
    x->changed = {0, 0, 0, 0};
    x->exposed = false;
    XFlush(x->display);
}

void X11EditorWindow::draw() {
    drawEditor(x->canvas, model.picture(), x->scale);
    if (x->visualIsCanvas) {
        x->changed = changedArea(x->imagePixels, x->canvas);
        std::memcpy(x->imagePixels.data(), x->canvas.pixels.data(), x->canvas.pixels.size() * sizeof(std::uint32_t));
        return;
    }
    x->changed = {0, 0, x->canvas.width, x->canvas.height};
    for (int row = 0; row < x->canvas.height; ++row)
        for (int column = 0; column < x->canvas.width; ++column)
            XPutPixel(x->image, column, row,
                      packPixel(x->canvas.pixels[static_cast<std::size_t>(row * x->canvas.width + column)], x->masks));
}

void X11EditorWindow::copyToScreen(const Rect& area) {
    XPutImage(x->display, x->window, x->gc, x->image, area.x, area.y, area.x, area.y,
              static_cast<unsigned>(area.width), static_cast<unsigned>(area.height));
}

void X11EditorWindow::handlePendingEvents() {
    Display* d = x->display;
    const auto at = [&](int px, int py, unsigned state, Time time) {
        return PointerEvent{px / x->scale, py / x->scale, modifiersOfState(state), static_cast<std::uint32_t>(time)};
    };
    // The pointer is held while a drag lasts, so it reaches the window
    // wherever it goes; let go once the drag is over (released, cancelled).
    const auto followDrag = [&](Time time) {
        const bool dragging = model.picture().dragged.has_value();
        if (dragging && !x->grabbed) {
            x->grabbed = XGrabPointer(d, x->window, False, ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
                                      GrabModeAsync, kXNone, kXNone, time) == GrabSuccess;
        } else if (!dragging && x->grabbed) {
            XUngrabPointer(d, time);
            x->grabbed = false;
        }
    };
    while (XPending(d) > 0) {
        XEvent event;
        XNextEvent(d, &event);
        switch (event.type) {
        case Expose:
            if (event.xexpose.count == 0) x->exposed = true;
            break;
        case ButtonPress: {
            PointerButton button;
            if (!pointerButtonOf(event.xbutton.button, &button)) break;
            // Typing needs the keyboard: a click asks for it, as a host's
            // own controls do.
            if (button == PointerButton::Left)
                XSetInputFocus(d, x->window, RevertToParent, event.xbutton.time);
            model.pointerPressed(button, at(event.xbutton.x, event.xbutton.y, event.xbutton.state, event.xbutton.time));
            followDrag(event.xbutton.time);
            break;
        }
        case ButtonRelease: {
            PointerButton button;
            if (!pointerButtonOf(event.xbutton.button, &button) || button == PointerButton::WheelUp ||
                button == PointerButton::WheelDown)
                break;
            model.pointerReleased(button,
                                  at(event.xbutton.x, event.xbutton.y, event.xbutton.state, event.xbutton.time));
            followDrag(event.xbutton.time);
            break;
        }
        case MotionNotify: {
            // Only the latest of a run of motions counts.
            while (XCheckTypedWindowEvent(d, x->window, MotionNotify, &event)) {}
            model.pointerMoved(at(event.xmotion.x, event.xmotion.y, event.xmotion.state, event.xmotion.time));
            break;
        }
        case kXKeyPress: {
            char text[8] = {};
            KeySym keysym = 0;
            const int length = XLookupString(&event.xkey, text, sizeof text, &keysym, nullptr);
            const KeyPress key = keyOf(keysym, event.xkey.state, std::string_view(text, length > 0 ? length : 0));
            const bool used = model.keyPressed(key);
            followDrag(event.xkey.time);
            if (!used) {
                // The host's own shortcuts (space to play, ...): the key
                // goes to the window we are embedded in, as if typed there.
                x->forwardedKeys.set(event.xkey.keycode & 0xFF);
                event.xkey.window = x->parent;
                XSendEvent(d, x->parent, True, KeyPressMask, &event);
            }
            break;
        }
        case kXKeyRelease:
            if (x->forwardedKeys.test(event.xkey.keycode & 0xFF)) {
                x->forwardedKeys.reset(event.xkey.keycode & 0xFF);
                event.xkey.window = x->parent;
                XSendEvent(d, x->parent, True, KeyReleaseMask, &event);
            }
            break;
        case FocusOut:
            // Focus moving within our window, or a grab's, is no loss.
            if (event.xfocus.mode == NotifyNormal && event.xfocus.detail != NotifyInferior &&
                event.xfocus.detail != NotifyPointer) {
                model.focusLost();
                followDrag(CurrentTime);
            }
            break;
        case DestroyNotify:
            // The host destroyed its window, and ours with it.
            if (event.xdestroywindow.window == x->window) x->window = 0;
            break;
        default: break;
        }
    }
}

void X11EditorWindow::close() {
    if (x->display == nullptr) return;
    model.closing();
    Display* d = x->display;
    auto* previous = XSetErrorHandler(ignoreErrors);
    if (x->grabbed) XUngrabPointer(d, CurrentTime);
    x->grabbed = false;
    if (x->image != nullptr) {
        x->image->data = nullptr;  // the pixels are ours
        XDestroyImage(x->image);
        x->image = nullptr;
    }
    if (x->gc != nullptr) XFreeGC(d, x->gc);
    if (x->window != 0) XDestroyWindow(d, x->window);
    XSync(d, False);
    XSetErrorHandler(previous);
    XCloseDisplay(d);
    x->display = nullptr;
    x->window = 0;
}
