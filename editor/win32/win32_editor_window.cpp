#include <windows.h>
#include <windowsx.h>

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "editor/canvas.h"
#include "editor/draw_editor.h"
#include "editor/editor_layout.h"
#include "editor/win32/win32_editor_window.h"
#include "editor/win32/win32_keys.h"

namespace {

// The window's pace: 30 times a second, as it redraws at most.
constexpr UINT kTickMilliseconds = 33;
constexpr UINT_PTR kTickTimer = 1;
// Windows' own DPI, at which the scale is 1.
constexpr double kBaseDpi = 96.0;
// A largest window, as on X11.
constexpr std::uint32_t kLargestSide = 16384;

bool usableScale(double scale) {
    return scale > 0.0 && editorWidthAt(scale) > 0 && editorHeightAt(scale) > 0 &&
           editorWidthAt(scale) <= kLargestSide && editorHeightAt(scale) <= kLargestSide;
}

Modifiers heldModifiers() {
    return {(GetKeyState(VK_SHIFT) & 0x8000) != 0, (GetKeyState(VK_CONTROL) & 0x8000) != 0,
            (GetKeyState(VK_MENU) & 0x8000) != 0};
}

LRESULT CALLBACK windowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// The window class, one per module (the .clap, or a program that links the
// window), registered while at least one of its windows exists: a module
// unloaded with none open leaves no class behind pointing into it.
class WindowClass {
public:
    static const wchar_t* acquire() {
        if (users == 0) {
            HMODULE module = nullptr;
            GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                               reinterpret_cast<LPCWSTR>(&windowProcedure), &module);
            instance = module;
            // Two copies of the plug-in (say, from two folders) each
            // register their own: the name ends in the module's address.
            nameAfter(module);
            WNDCLASSEXW windowClass{};
            windowClass.cbSize = sizeof windowClass;
            windowClass.lpfnWndProc = windowProcedure;
            windowClass.hInstance = instance;
            windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
            windowClass.lpszClassName = name;
            // No CS_DBLCLKS: a second click is a WM_LBUTTONDOWN like the
            // first, and the model tells a double-click by its own timing.
            if (RegisterClassExW(&windowClass) == 0) return nullptr;
        }
        ++users;
        return name;
    }
    static void release() {
        if (users == 0 || --users != 0) return;
        UnregisterClassW(name, instance);
    }
    static HINSTANCE module() { return instance; }

private:
    static void nameAfter(HMODULE module) {
        constexpr wchar_t kPrefix[] = L"QuillbeatEditor";
        constexpr wchar_t kDigits[] = L"0123456789abcdef";
        std::size_t at = 0;
        for (; kPrefix[at] != 0; ++at) name[at] = kPrefix[at];
        const auto address = reinterpret_cast<std::uintptr_t>(module);
        for (int shift = static_cast<int>(sizeof address * 8) - 4; shift >= 0; shift -= 4)
            name[at++] = kDigits[(address >> shift) & 0xF];
        name[at] = 0;
    }

    static inline int users = 0;
    static inline HINSTANCE instance = nullptr;
    static inline wchar_t name[64] = {};
};

}  // namespace

struct Win32EditorState {
    Win32EditorWindow& window;
    HWND hwnd = nullptr;
    HWND parent = nullptr;
    double scale = 1.0;
    Canvas canvas;
    BITMAPINFO bitmap{};
    bool redrawWanted = true;
    bool captured = false;
    // The mouse wheel's turn not yet a whole notch (WHEEL_DELTA).
    int wheelRest = 0;
    // Keys handed to the host whose release goes there too.
    std::bitset<256> forwardedKeys;

    explicit Win32EditorState(Win32EditorWindow& window) : window(window) {}

    EditorModel& model() { return window.model; }

    void resize(double newScale) {
        scale = newScale;
        canvas = Canvas(static_cast<int>(editorWidthAt(scale)), static_cast<int>(editorHeightAt(scale)));
        bitmap.bmiHeader.biSize = sizeof bitmap.bmiHeader;
        bitmap.bmiHeader.biWidth = canvas.width;
        bitmap.bmiHeader.biHeight = -canvas.height;  // top-down, as the canvas
        bitmap.bmiHeader.biPlanes = 1;
        bitmap.bmiHeader.biBitCount = 32;
        bitmap.bmiHeader.biCompression = BI_RGB;
        redrawWanted = true;
    }

    void draw() {
        drawEditor(canvas, model().picture(), scale);
        redrawWanted = false;
    }

    void copyTo(HDC dc) {
        SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(canvas.width), static_cast<DWORD>(canvas.height), 0, 0, 0,
                          static_cast<UINT>(canvas.height), canvas.pixels.data(), &bitmap, DIB_RGB_COLORS);
    }

    PointerEvent at(int x, int y) const {
        return {x / scale, y / scale, heldModifiers(), static_cast<std::uint32_t>(GetMessageTime())};
    }

    // The mouse is held while a drag lasts, so it reaches the window
    // wherever it goes; let go once the drag is over.
    void followDrag() {
        const bool dragging = model().picture().dragged.has_value();
        if (dragging && !captured) {
            captured = true;
            SetCapture(hwnd);
        } else if (!dragging && captured) {
            captured = false;
            ReleaseCapture();
        }
    }

    void pressed(PointerButton button, LPARAM lParam) {
        model().pointerPressed(button, at(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)));
        followDrag();
    }
    void released(PointerButton button, LPARAM lParam) {
        model().pointerReleased(button, at(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)));
        followDrag();
    }

    void wheel(WPARAM wParam, LPARAM lParam) {
        // The wheel's position is on the screen.
        POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ScreenToClient(hwnd, &point);
        wheelRest += GET_WHEEL_DELTA_WPARAM(wParam);
        for (; wheelRest >= WHEEL_DELTA; wheelRest -= WHEEL_DELTA)
            model().pointerPressed(PointerButton::WheelUp, at(point.x, point.y));
        for (; wheelRest <= -WHEEL_DELTA; wheelRest += WHEEL_DELTA)
            model().pointerPressed(PointerButton::WheelDown, at(point.x, point.y));
    }

    // A key pressed: the model's if it uses it, else the host's, posted to
    // the host's window as if typed there (its release follows it there).
    void keyDown(UINT message, WPARAM wParam, LPARAM lParam) {
        const auto virtualKey = static_cast<unsigned>(wParam & 0xFF);
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        wchar_t text[4] = {};
        const int length = ToUnicode(virtualKey, static_cast<UINT>((lParam >> 16) & 0xFF), keys, text, 4, 0);
        const KeyPress key = keyOfVirtualKey(
            virtualKey, heldModifiers(),
            std::u16string_view(reinterpret_cast<const char16_t*>(text), length > 0 ? static_cast<std::size_t>(length) : 0));
        const bool used = model().keyPressed(key);
        followDrag();
        if (!used) {
            forwardedKeys.set(virtualKey);
            PostMessageW(parent, message, wParam, lParam);
        }
    }
    void keyUp(UINT message, WPARAM wParam, LPARAM lParam) {
        const auto virtualKey = static_cast<unsigned>(wParam & 0xFF);
        if (!forwardedKeys.test(virtualKey)) return;
        forwardedKeys.reset(virtualKey);
        PostMessageW(parent, message, wParam, lParam);
    }

    // Windows' DPI for the window changed: the scale follows, and the host
    // is asked to make room.
    void dpiChanged(unsigned dpi) {
        if (dpi == 0) return;
        const double newScale = dpi / kBaseDpi;
        if (newScale == scale || !window.setScale(newScale)) return;
        window.owner.resized(static_cast<std::uint32_t>(canvas.width), static_cast<std::uint32_t>(canvas.height));
    }
    // The DPI of the window itself, from user32 where Windows has it (10,
    // version 1607 on); none elsewhere.
    unsigned currentDpi() const {
        using GetDpiForWindow = UINT(WINAPI*)(HWND);
        static const auto get = reinterpret_cast<GetDpiForWindow>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
        return get != nullptr ? get(hwnd) : 0;
    }

    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
        case WM_TIMER:
            if (wParam == kTickTimer) window.owner.tick();
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(hwnd, &paint);
            if (redrawWanted) draw();
            copyTo(dc);
            EndPaint(hwnd, &paint);
            return 0;
        }
        case WM_PRINTCLIENT:
            copyTo(reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_ERASEBKGND: return 1;  // the picture covers it all
        case WM_LBUTTONDOWN:
            // Typing needs the keyboard: a click asks for it, as a host's
            // own controls do.
            SetFocus(hwnd);
            pressed(PointerButton::Left, lParam);
            return 0;
        case WM_MBUTTONDOWN: pressed(PointerButton::Middle, lParam); return 0;
        case WM_RBUTTONDOWN: pressed(PointerButton::Right, lParam); return 0;
        case WM_LBUTTONUP: released(PointerButton::Left, lParam); return 0;
        case WM_MBUTTONUP: released(PointerButton::Middle, lParam); return 0;
        case WM_RBUTTONUP: released(PointerButton::Right, lParam); return 0;
        case WM_MOUSEMOVE: model().pointerMoved(at(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam))); return 0;
        case WM_MOUSEWHEEL: wheel(wParam, lParam); return 0;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN: keyDown(message, wParam, lParam); return 0;
        case WM_KEYUP:
        case WM_SYSKEYUP: keyUp(message, wParam, lParam); return 0;
        // The key's own WM_KEYDOWN decided: a used key types nothing more,
        // a forwarded one makes its character in the host's window.
        case WM_CHAR:
        case WM_SYSCHAR:
        case WM_DEADCHAR:
        case WM_SYSDEADCHAR: return 0;
        // Every key comes here, arrows and Tab too, even in a host's dialog.
        case WM_GETDLGCODE: return DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTCHARS;
        case WM_CAPTURECHANGED:
            // Windows took the mouse away mid-drag (another window, a
            // menu): the drag ends where it stands.
            if (captured && reinterpret_cast<HWND>(lParam) != hwnd) {
                captured = false;
                model().focusLost();
            }
            return 0;
        case WM_KILLFOCUS:
            model().focusLost();
            followDrag();
            return 0;
        case WM_DPICHANGED: dpiChanged(LOWORD(wParam)); return 0;
        case WM_DPICHANGED_AFTERPARENT: dpiChanged(currentDpi()); return 0;
        case WM_NCDESTROY:
            // The host destroyed its window first, and ours with it.
            hwnd = nullptr;
            return 0;
        default: return DefWindowProcW(hwnd, message, wParam, lParam);
        }
    }
};

namespace {

LRESULT CALLBACK windowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        auto* state = static_cast<Win32EditorState*>(creation->lpCreateParams);
        state->hwnd = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
    }
    auto* state = reinterpret_cast<Win32EditorState*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (state == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    return state->handle(message, wParam, lParam);
}

}  // namespace

Win32EditorWindow::Win32EditorWindow(EditorModel& model, Owner& owner)
    : model(model), owner(owner), w(std::make_unique<Win32EditorState>(*this)) {}

std::unique_ptr<Win32EditorWindow> Win32EditorWindow::open(void* parent, double scale, EditorModel& model,
                                                           Owner& owner, std::string* why) {
    const auto refuse = [&](const char* reason) {
        if (why != nullptr) *why = reason;
        return nullptr;
    };
    if (!usableScale(scale)) return refuse("the window's scale is out of range");
    const auto parentWindow = static_cast<HWND>(parent);
    if (parentWindow == nullptr || !IsWindow(parentWindow)) return refuse("the host's window does not exist");
    const wchar_t* className = WindowClass::acquire();
    if (className == nullptr) return refuse("the system refused the window's class");
    std::unique_ptr<Win32EditorWindow> opened(new Win32EditorWindow(model, owner));
    Win32EditorState& w = *opened->w;
    // From here the window holds the class, until close().
    w.parent = parentWindow;
    w.resize(scale);
    CreateWindowExW(0, className, L"Quillbeat", WS_CHILD | WS_CLIPSIBLINGS, 0, 0, w.canvas.width, w.canvas.height,
                    parentWindow, nullptr, WindowClass::module(), &w);
    // Refused: close(), as `opened` goes, lets the class go.
    if (w.hwnd == nullptr) return refuse("the system refused to make the window");
    SetTimer(w.hwnd, kTickTimer, kTickMilliseconds, nullptr);
    return opened;
}

Win32EditorWindow::~Win32EditorWindow() { close(); }

void Win32EditorWindow::show() {
    if (w->hwnd == nullptr) return;
    ShowWindow(w->hwnd, SW_SHOWNA);
    w->redrawWanted = true;
    InvalidateRect(w->hwnd, nullptr, FALSE);
}

void Win32EditorWindow::hide() {
    if (w->hwnd == nullptr) return;
    if (w->captured) {
        w->captured = false;
        model.focusLost();
        ReleaseCapture();
    }
    ShowWindow(w->hwnd, SW_HIDE);
}

bool Win32EditorWindow::setScale(double scale) {
    if (!usableScale(scale)) return false;
    w->resize(scale);
    if (w->hwnd != nullptr) {
        SetWindowPos(w->hwnd, nullptr, 0, 0, w->canvas.width, w->canvas.height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        InvalidateRect(w->hwnd, nullptr, FALSE);
    }
    return true;
}

double Win32EditorWindow::scale() const { return w->scale; }

void* Win32EditorWindow::handle() const { return w->hwnd; }

void Win32EditorWindow::idle() {
    if (w->hwnd == nullptr) return;
    if (model.takeRedraw()) w->redrawWanted = true;
    if (!w->redrawWanted) return;
    // Drawn at once and painted in this call, not at the next empty queue.
    w->draw();
    InvalidateRect(w->hwnd, nullptr, FALSE);
    UpdateWindow(w->hwnd);
}

void Win32EditorWindow::close() {
    if (w->parent == nullptr) return;
    model.closing();
    const HWND hwnd = w->hwnd;
    if (hwnd != nullptr) {
        // Nothing of ours hears the window's last messages.
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        KillTimer(hwnd, kTickTimer);
        if (w->captured) ReleaseCapture();
        // The keyboard back to the host, if the window had it.
        if (GetFocus() == hwnd) SetFocus(w->parent);
        DestroyWindow(hwnd);
    }
    w->captured = false;
    w->hwnd = nullptr;
    w->parent = nullptr;
    WindowClass::release();
}
