// The CLAP edition's window, one body for every window system: the gui
// extension's calls (clap_window.cpp), the model, and the edits on their way
// to the core. What differs between systems (the API's name, the native
// window, where its main-thread time comes from) is a window system's part:
// x11_window_system.cpp on Linux, win32_window_system.cpp on Windows.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>

#include "clap/plugin_object.h"
#include "editor/editor_model.h"

// The window as a window system makes it, embedded in the host's. Its
// destructor ends a drag's gesture and typing, stops its time, and makes
// no host call afterwards.
class NativeWindow {
public:
    virtual ~NativeWindow() = default;
    virtual void show() = 0;
    virtual void hide() = 0;
    // The events waiting, then a redraw if the model's picture changed.
    virtual void idle() = 0;
    // The window at another scale while it is open; false where the system
    // takes a scale only before the window is made.
    virtual bool setScale(double scale) = 0;
};

struct ClapWindow final : EditLink {
    explicit ClapWindow(Plugin& plugin) : plugin(plugin) {}

    Plugin& plugin;
    EditorModel model{*this};
    // Between the host's create and destroy.
    bool created = false;
    double scale = 1.0;
    std::unique_ptr<NativeWindow> native;
    // The host's values as the window last took them, bit for bit: only a
    // change from the host replaces what the window shows, so the window's
    // own edits on their way to the core do not flicker back.
    std::array<std::uint32_t, kParameterCount> hostBits{};
    bool hostBitsTaken = false;
    // Edits the ring had no room for, sent first next time.
    std::deque<WindowEdit> waiting;

    void beginEdit(int parameter) override;
    void changeValue(int parameter, float value) override;
    void endEdit(int parameter) override;

    // The window's time, on the host's main thread: edits that waited, the
    // host's values and the step into the model, then the native window's
    // idle.
    void tick();
    // The native window closed (a drag's gesture ended on the way), and the
    // host called no more for it.
    void closeWindow();
    // The host's values, the values in use, the step and the rate, into the
    // model; it redraws what changed.
    void takeValues();

private:
    void send(const WindowEdit& edit);
    void sendWaiting();
};

// The host's record of an extension, or null.
template <typename Extension>
const Extension* hostExtension(const clap::clap_host* host, const char* id) {
    if (host == nullptr || host->get_extension == nullptr) return nullptr;
    return static_cast<const Extension*>(host->get_extension(host, id));
}

// The window between create and destroy, or null.
ClapWindow* windowOf(const clap::clap_plugin* plugin);

// ---- a window system's part -------------------------------------------------

// The API the window embeds with: CLAP_WINDOW_API_X11 or _WIN32.
extern const char* const kWindowApi;
// Whether this host can give the window its main-thread time; create()
// refuses a window that would never be drawn nor hear the user.
bool hostGivesWindowTime(const clap::clap_host* host);
// The native window in the host's, at window.scale, its time started; null
// when the system or the host refused.
std::unique_ptr<NativeWindow> openNativeWindow(ClapWindow& window, const clap::clap_window& parent);
// The system's own extensions of the plug-in (timer-support, posix-fd-support
// on X11), or null.
const void* windowSystemExtension(const char* id);
