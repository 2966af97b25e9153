// quillbeat-window-probe: quillbeat.clap's window on Windows, opened by the
// host library in a top-level window of the probe's as a host opens it, and
// acted on with window messages as Windows delivers the user's. Run under
// wine on a virtual X display by cross_build_matches_linux.sh:
//   quillbeat-window-probe.exe QUILLBEAT.CLAP CAPTURE_FOLDER
// It checks that the window is the drawing's size, shows exactly what
// drawEditor draws for the same values (at scale 1, then at 1.5 after a DPI
// change), hands unused keys to the host's window, turns a click on a mode
// button into a gesture the host hears, and, closed mid-drag, ends the
// gesture, lets the mouse go, gives the keyboard back and leaves no window
// class behind. The captures go to CAPTURE_FOLDER as PNGs, for the script
// to compare with the Linux build's drawing.
#include <windows.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "editor/draw_editor.h"
#include "editor/editor_layout.h"
#include "editor/editor_model.h"
#include "editor/png_file.h"
#include "effect/parameter_scales.h"
#include "effect/parameters.h"
#include "player/clap_instance.h"
#include "tests/support/expected_editor_picture.h"

namespace {

int failures = 0;

void check(bool passed, const std::string& claim) {
    std::printf("%s: %s\n", passed ? "ok" : "FAILED", claim.c_str());
    if (!passed) ++failures;
}

// The keys the host's window received, down and up.
std::vector<std::pair<UINT, WPARAM>> hostKeys;

LRESULT CALLBACK parentProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN || message == WM_KEYUP) hostKeys.emplace_back(message, wParam);
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// Away from the screen's corner, so that a place on the screen is not one
// in the window.
HWND makeParent() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = parentProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"QuillbeatProbeHost";
    RegisterClassExW(&windowClass);
    return CreateWindowExW(0, windowClass.lpszClassName, L"host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE,
                           300, 200, 1200, 760, nullptr, nullptr, windowClass.hInstance, nullptr);
}

// The host's main loop for a while: its messages, and the window's idle.
void pump(PluginInstance& plugin, int milliseconds = 60) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    do {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        plugin.idleEditor();
        Sleep(5);
    } while (std::chrono::steady_clock::now() < until);
}

// Pumps until `done` holds, for at most five seconds.
bool pumpUntil(PluginInstance& plugin, const std::function<bool()>& done) {
    for (int round = 0; round < 100; ++round) {
        if (done()) return true;
        pump(plugin, 50);
    }
    return done();
}

Canvas expectedPicture(PluginInstance& plugin, double scale) {
    return expectedEditorPicture(plugin, 44100.0, scale);
}

// The window's pixels as its device context has them, through a top-down
// 32-bit DIB, opaque as a canvas is.
Canvas capture(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    Canvas shown(client.right, client.bottom);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), shown.width, -shown.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC windowDc = GetDC(window);
    HDC memoryDc = CreateCompatibleDC(windowDc);
    HBITMAP bitmap = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap != nullptr) {
        HGDIOBJ before = SelectObject(memoryDc, bitmap);
        BitBlt(memoryDc, 0, 0, shown.width, shown.height, windowDc, 0, 0, SRCCOPY);
        GdiFlush();
        const auto* pixels = static_cast<const std::uint32_t*>(bits);
        for (std::size_t i = 0; i < shown.pixels.size(); ++i) shown.pixels[i] = pixels[i] | 0xFF000000u;
        SelectObject(memoryDc, before);
        DeleteObject(bitmap);
    }
    DeleteDC(memoryDc);
    ReleaseDC(window, windowDc);
    return shown;
}

std::string scaleText(double scale) {
    char text[16];
    std::snprintf(text, sizeof text, "%g", scale);
    return text;
}

bool samePixels(const Canvas& a, const Canvas& b) {
    return a.width == b.width && a.height == b.height && a.pixels == b.pixels;
}

bool notBlank(const Canvas& canvas) {
    for (std::uint32_t pixel : canvas.pixels)
        if (pixel != canvas.pixels.front()) return true;
    return false;
}

// The window shows the drawing of the plug-in's values at `scale`; written
// to `png` either way.
void looksAsDrawn(PluginInstance& plugin, HWND window, double scale, const std::string& png) {
    const Canvas expected = expectedPicture(plugin, scale);
    RECT client{};
    GetClientRect(window, &client);
    check(client.right == expected.width && client.bottom == expected.height,
          "the window is " + std::to_string(expected.width) + " x " + std::to_string(expected.height) + " at scale " +
              scaleText(scale) + " (it is " + std::to_string(client.right) + " x " +
              std::to_string(client.bottom) + ")");
    Canvas shown;
    const bool same = pumpUntil(plugin, [&] { return samePixels(shown = capture(window), expected); });
    check(notBlank(shown), "the capture at scale " + scaleText(scale) + " is not blank");
    check(same, "the capture at scale " + scaleText(scale) + " equals drawEditor's picture pixel for pixel");
    writePng(shown, png);
}

LPARAM at(double x, double y, double scale) {
    return MAKELPARAM(static_cast<int>(std::lround(x * scale)), static_cast<int>(std::lround(y * scale)));
}

LPARAM keyData(UINT virtualKey, bool up) {
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC)) << 16;
    return 1 | scan | (up ? (LPARAM{3} << 30) : 0);
}

bool hostHeard(UINT virtualKey) {
    bool down = false, up = false;
    for (const auto& [message, key] : hostKeys) {
        down |= message == WM_KEYDOWN && key == virtualKey;
        up |= message == WM_KEYUP && key == virtualKey;
    }
    return down && up;
}

// Every value inside its own parameter's begin and end, every gesture ended.
bool wellFormed(const std::vector<EditorEdit>& edits) {
    std::vector<int> open(kParameterCount, 0);
    for (const EditorEdit& edit : edits) {
        if (edit.index >= static_cast<std::uint32_t>(kParameterCount)) return false;
        int& depth = open[edit.index];
        if ((edit.kind == EditorEdit::Kind::begin && depth++ != 0) ||
            (edit.kind == EditorEdit::Kind::value && depth != 1) || (edit.kind == EditorEdit::Kind::end && depth-- != 1))
            return false;
    }
    for (int depth : open)
        if (depth != 0) return false;
    return !edits.empty();
}

// The edits told until the last is a gesture's end.
std::vector<EditorEdit> editsUntilEnded(PluginInstance& plugin) {
    std::vector<EditorEdit> edits;
    pumpUntil(plugin, [&] {
        const std::vector<EditorEdit> more = plugin.takeEditorEdits();
        edits.insert(edits.end(), more.begin(), more.end());
        return !edits.empty() && edits.back().kind == EditorEdit::Kind::end;
    });
    return edits;
}

std::optional<float> lastValue(const std::vector<EditorEdit>& edits, int parameter) {
    std::optional<float> last;
    for (const EditorEdit& edit : edits)
        if (edit.kind == EditorEdit::Kind::value && edit.index == static_cast<std::uint32_t>(parameter))
            last = static_cast<float>(edit.value);
    return last;
}

bool classRegistered(HMODULE module, const std::wstring& name) {
    WNDCLASSEXW info{};
    info.cbSize = sizeof info;
    return GetClassInfoExW(module, name.c_str(), &info) != FALSE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: quillbeat-window-probe QUILLBEAT.CLAP CAPTURE_FOLDER\n");
        return 2;
    }
    const std::string folder = argv[2];
    ClapInstance plugin(argv[1]);
    const HWND parent = makeParent();
    pump(plugin);

    const std::optional<EditorSize> size = plugin.openEditor(reinterpret_cast<std::uintptr_t>(parent), 1.0);
    check(size && size->width == 720 && size->height == 420, "the plug-in offers a 720 x 420 window at scale 1");
    const HWND window = GetWindow(parent, GW_CHILD);
    if (!size || window == nullptr) {
        check(false, "a window is embedded in the host's");
        return 1;
    }
    check((GetWindowLongW(window, GWL_STYLE) & WS_CHILD) != 0 && GetParent(window) == parent,
          "it is a child of the host's window");
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    const HMODULE module = GetModuleHandleW(L"quillbeat.clap");
    check(module != nullptr && classRegistered(module, className), "its window class is the plug-in module's");

    looksAsDrawn(plugin, window, 1.0, folder + "\\capture-scale-1.png");

    // Windows moved the window to 144 DPI: it takes scale 1.5 and asks the
    // host for the room.
    RECT suggested{0, 0, 1080, 630};
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    const auto& resizes = plugin.windowHost().resizeRequests;
    check(resizes.size() == 1 && resizes.back().width == 1080 && resizes.back().height == 630,
          "a DPI change to 144 asks the host for 1080 x 630");
    looksAsDrawn(plugin, window, 1.5, folder + "\\capture-scale-1.5.png");
    double scale = 1.5;

    // Keys: each row is pressed and released in the window; the host hears
    // those the window does not use.
    struct KeyRow {
        UINT key;
        bool hostHears;
        const char* what;
    };
    const KeyRow keyRows[] = {
        {VK_SPACE, true, "Space with no control focused (play and stop)"},
        {VK_TAB, false, "Tab (focus to the first control)"},
        {'5', false, "a digit on a focused control (typing starts)"},
        {VK_ESCAPE, false, "Escape while typing (typing stops)"},
        {VK_SPACE, true, "Space on a focused control"},
        {VK_F5, true, "F5, which the window does not use"},
    };
    for (const KeyRow& row : keyRows) {
        hostKeys.clear();
        PostMessageW(window, WM_KEYDOWN, row.key, keyData(row.key, false));
        PostMessageW(window, WM_KEYUP, row.key, keyData(row.key, true));
        pump(plugin);
        check(hostHeard(row.key) == row.hostHears,
              std::string(row.what) + (row.hostHears ? " goes to the host" : " stays in the window"));
    }

    // A click on RANDOM, as the mouse posts it to the window.
    const Rect& random = kModeButtons[1];
    const LPARAM button = at(random.x + random.width / 2.0, random.y + random.height / 2.0, scale);
    plugin.takeEditorEdits();
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, button);
    PostMessageW(window, WM_LBUTTONUP, 0, button);
    std::vector<EditorEdit> edits = editsUntilEnded(plugin);
    const std::optional<float> mode = lastValue(edits, kRndSw);
    check(wellFormed(edits) && edits.front().kind == EditorEdit::Kind::begin && edits.front().index == kRndSw &&
              mode && switchMode(*mode) == SwitchMode::Random,
          "a click on RANDOM reaches the plug-in as a gesture: begin, RndSw in RANDOM, end");
    check(GetFocus() == window, "a click takes the keyboard for the window");

    // A notch of the wheel up over vS, which Windows reports at its place on
    // the screen.
    const Rect& sustain = kControlPlaces[static_cast<std::size_t>(kVS)].track;
    POINT onScreen{static_cast<LONG>(std::lround((sustain.x + sustain.width / 2.0) * scale)),
                   static_cast<LONG>(std::lround((sustain.y + sustain.height / 2.0) * scale))};
    ClientToScreen(window, &onScreen);
    const double sustainBefore = plugin.valueInUse(kVS);
    PostMessageW(window, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(onScreen.x, onScreen.y));
    edits = editsUntilEnded(plugin);
    const std::optional<float> sustained = lastValue(edits, kVS);
    check(wellFormed(edits) && edits.front().index == kVS && sustained && *sustained > sustainBefore,
          "a notch of the wheel up over vS raises it, as a gesture");

    // Windows says the parent's DPI changed: the window asks for its own,
    // which under wine is 96, and goes back to scale 1.
    SendMessageW(window, WM_DPICHANGED_AFTERPARENT, 0, 0);
    check(resizes.size() == 2 && resizes.back().width == 720 && resizes.back().height == 420,
          "after its parent's DPI change the window takes its own DPI, 96: it asks for 720 x 420");
    scale = 1.0;

    // A drag on vD1's track, and the window closed before the button is
    // let go.
    const Rect& track = kControlPlaces[static_cast<std::size_t>(kVD1)].track;
    const double x = track.x + track.width / 2.0, y = track.y + track.height * 0.7;
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at(x, y, scale));
    for (int step = 1; step <= 3; ++step) PostMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, at(x, y - 6 * step, scale));
    pump(plugin);
    check(GetCapture() == window, "a drag holds the mouse");
    plugin.closeEditor();
    edits = editsUntilEnded(plugin);
    check(wellFormed(edits) && lastValue(edits, kVD1).has_value() && edits.back().index == kVD1,
          "closed mid-drag, the drag's gesture ends");
    check(GetCapture() == nullptr, "closed, the window lets the mouse go");
    check(GetFocus() == parent, "closed, the keyboard goes back to the host's window");
    check(!IsWindow(window), "closed, the window is gone");
    check(!classRegistered(module, className), "with no window left, the window class is unregistered");

    // Opened again, the class is registered anew and the window shows.
    const std::optional<EditorSize> again = plugin.openEditor(reinterpret_cast<std::uintptr_t>(parent), 1.0);
    const HWND second = GetWindow(parent, GW_CHILD);
    check(again && second != nullptr && IsWindow(second), "the window opens again");
    if (again && second != nullptr) looksAsDrawn(plugin, second, 1.0, folder + "\\capture-reopened.png");
    plugin.closeEditor();
    DestroyWindow(parent);

    std::printf("window probe: %d failed\n", failures);
    return failures == 0 ? 0 : 1;
}
