// The CLAP edition's window on X11, embedded in the host's (the gui
// extension's "x11" API, never floating). Its main-thread time comes from the
// host's timer-support (a timer every 33 ms) or, from a host with only
// posix-fd-support, from the X connection's descriptor and a timerfd for the
// playhead. A host that offers neither gets no window: create() says no, and
// the host shows its own controls.
#include <sys/timerfd.h>
#include <unistd.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <deque>
#include <memory>
#include <new>
#include <optional>

#include "clap/plugin_object.h"
#include "editor/editor_layout.h"
#include "editor/editor_model.h"
#include "editor/x11/x11_editor_window.h"

using namespace clap;

namespace {

// The window's pace: 30 times a second, as it redraws at most.
constexpr std::uint32_t kTickMilliseconds = 33;

template <typename Extension>
const Extension* hostExtension(const clap_host* host, const char* id) {
    if (host == nullptr || host->get_extension == nullptr) return nullptr;
    return static_cast<const Extension*>(host->get_extension(host, id));
}

bool usable(const clap_host_timer_support* timers) {
    return timers != nullptr && timers->register_timer != nullptr && timers->unregister_timer != nullptr;
}
bool usable(const clap_host_posix_fd_support* fds) {
    return fds != nullptr && fds->register_fd != nullptr && fds->unregister_fd != nullptr;
}

}  // namespace

struct ClapWindow final : EditLink {
    explicit ClapWindow(Plugin& plugin) : plugin(plugin) {}

    Plugin& plugin;
    EditorModel model{*this};
    // Between the host's create and destroy.
    bool created = false;
    double scale = 1.0;
    const clap_host_timer_support* timers = nullptr;
    const clap_host_posix_fd_support* fds = nullptr;
    std::unique_ptr<X11EditorWindow> window;
    std::optional<clap_id> timer;
    int tickFd = -1;       // the timerfd, with only posix-fd-support
    int connectionFd = -1;  // the X connection's, registered with the host
    // The host's values as the window last took them, bit for bit: only a
    // change from the host replaces what the window shows, so the window's
    // own edits on their way to the core do not flicker back.
    std::array<std::uint32_t, kParameterCount> hostBits{};
    bool hostBitsTaken = false;
    // Edits the ring had no room for, sent first next time.
    std::deque<WindowEdit> waiting;

    void beginEdit(int parameter) override { send({WindowEdit::Kind::begin, static_cast<std::uint32_t>(parameter), 0}); }
    void changeValue(int parameter, float value) override {
        send({WindowEdit::Kind::value, static_cast<std::uint32_t>(parameter), value});
    }
    void endEdit(int parameter) override { send({WindowEdit::Kind::end, static_cast<std::uint32_t>(parameter), 0}); }

    void send(const WindowEdit& edit) {
        waiting.push_back(edit);
        sendWaiting();
    }
    void sendWaiting() {
        bool sent = false;
        while (!waiting.empty() && plugin.shared.edits.push(waiting.front())) {
            waiting.pop_front();
            sent = true;
        }
        // Not processing: the host calls flush, which takes them.
        if (!sent || plugin.shared.processing.load(std::memory_order_acquire)) return;
        const auto* params = hostExtension<clap_host_params>(plugin.host, CLAP_EXT_PARAMS);
        if (params != nullptr && params->request_flush != nullptr) params->request_flush(plugin.host);
    }

    // The host's values, the values in use, the step and the rate, into the
    // model; it redraws what changed.
    void takeValues() {
        for (int i = 0; i < kParameterCount; ++i) {
            const float host = plugin.effect.passedControl(i);
            const std::uint32_t bits = std::bit_cast<std::uint32_t>(host);
            if (!hostBitsTaken || bits != hostBits[static_cast<std::size_t>(i)]) {
                hostBits[static_cast<std::size_t>(i)] = bits;
                model.setHostValue(i, host);
            }
            model.setValueInUse(i, plugin.effect.valueInUse(i));
        }
        hostBitsTaken = true;
        if (const std::optional<StepView> step = plugin.shared.feed.latest()) model.setStep(step);
        model.setSampleRate(plugin.shared.sampleRate.load(std::memory_order_relaxed));
    }

    void tick() {
        if (window == nullptr) return;
        if (!waiting.empty()) sendWaiting();
        takeValues();
        window->idle();
    }

    void stopTicks() {
        if (timer) timers->unregister_timer(plugin.host, *timer);
        timer.reset();
        if (connectionFd >= 0) fds->unregister_fd(plugin.host, connectionFd);
        connectionFd = -1;
        if (tickFd >= 0) {
            fds->unregister_fd(plugin.host, tickFd);
            ::close(tickFd);
        }
        tickFd = -1;
    }

    // The X window closed (a drag's gesture ended on the way), and the host
    // called no more for it.
    void closeWindow() {
        plugin.shared.windowOpen.store(false, std::memory_order_relaxed);
        stopTicks();
        if (window != nullptr) window->close();
        window.reset();
    }
};

namespace {

ClapWindow* windowOf(const clap_plugin* plugin) {
    ClapWindow* window = self(plugin).window;
    return window != nullptr && window->created ? window : nullptr;
}

bool isX11(const char* api) { return api != nullptr && std::strcmp(api, CLAP_WINDOW_API_X11) == 0; }

bool CLAP_CALLBACK isApiSupported(const clap_plugin*, const char* api, bool floating) {
    return isX11(api) && !floating;
}

bool CLAP_CALLBACK preferredApi(const clap_plugin*, const char** api, bool* floating) {
    if (api == nullptr || floating == nullptr) return false;
    *api = CLAP_WINDOW_API_X11;
    *floating = false;
    return true;
}

bool CLAP_CALLBACK create(const clap_plugin* clapPlugin, const char* api, bool floating) {
    Plugin& plugin = self(clapPlugin);
    if (!isX11(api) || floating || windowOf(clapPlugin) != nullptr) return false;
    const auto* timers = hostExtension<clap_host_timer_support>(plugin.host, CLAP_EXT_TIMER_SUPPORT);
    const auto* fds = hostExtension<clap_host_posix_fd_support>(plugin.host, CLAP_EXT_POSIX_FD_SUPPORT);
    // Without either the window would never be drawn nor hear the user.
    if (!usable(timers) && !usable(fds)) return false;
    if (plugin.window == nullptr) plugin.window = new (std::nothrow) ClapWindow(plugin);
    if (plugin.window == nullptr) return false;
    ClapWindow& window = *plugin.window;
    window.timers = usable(timers) ? timers : nullptr;
    window.fds = window.timers == nullptr ? fds : nullptr;
    window.scale = 1.0;
    window.created = true;
    return true;
}

void CLAP_CALLBACK destroy(const clap_plugin* plugin) {
    ClapWindow* window = windowOf(plugin);
    if (window == nullptr) return;
    window->closeWindow();
    window->created = false;
}

// Before the window is embedded; the size follows.
bool CLAP_CALLBACK setScale(const clap_plugin* plugin, double scale) {
    ClapWindow* window = windowOf(plugin);
    if (window == nullptr || window->window != nullptr || !(scale >= 0.25 && scale <= 8.0)) return false;
    window->scale = scale;
    return true;
}

bool CLAP_CALLBACK getSize(const clap_plugin* plugin, std::uint32_t* width, std::uint32_t* height) {
    const ClapWindow* window = windowOf(plugin);
    if (window == nullptr || width == nullptr || height == nullptr) return false;
    *width = X11EditorWindow::widthAt(window->scale);
    *height = X11EditorWindow::heightAt(window->scale);
    return true;
}

bool CLAP_CALLBACK canResize(const clap_plugin*) { return false; }

bool CLAP_CALLBACK resizeHints(const clap_plugin*, clap_gui_resize_hints* hints) {
    if (hints == nullptr) return false;
    *hints = {false, false, true, static_cast<std::uint32_t>(kEditorWidth), static_cast<std::uint32_t>(kEditorHeight)};
    return true;
}

// One size only: any size asked becomes it.
bool CLAP_CALLBACK adjustSize(const clap_plugin* plugin, std::uint32_t* width, std::uint32_t* height) {
    return getSize(plugin, width, height);
}

bool CLAP_CALLBACK setSize(const clap_plugin* plugin, std::uint32_t width, std::uint32_t height) {
    std::uint32_t ownWidth = 0, ownHeight = 0;
    return getSize(plugin, &ownWidth, &ownHeight) && width == ownWidth && height == ownHeight;
}

bool CLAP_CALLBACK setParent(const clap_plugin* clapPlugin, const clap_window* parent) {
    ClapWindow* window = windowOf(clapPlugin);
    if (window == nullptr || parent == nullptr || !isX11(parent->api) || parent->x11 == 0) return false;
    window->closeWindow();
    window->takeValues();
    window->window = X11EditorWindow::open(parent->x11, window->scale, window->model, nullptr);
    if (window->window == nullptr) return false;
    self(clapPlugin).shared.windowOpen.store(true, std::memory_order_relaxed);
    Plugin& plugin = self(clapPlugin);
    if (window->timers != nullptr) {
        clap_id id = CLAP_INVALID_ID;
        if (window->timers->register_timer(plugin.host, kTickMilliseconds, &id)) window->timer = id;
    } else {
        window->connectionFd = window->window->connectionFd();
        if (!window->fds->register_fd(plugin.host, window->connectionFd, CLAP_POSIX_FD_READ))
            window->connectionFd = -1;
        window->tickFd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
        if (window->tickFd >= 0) {
            const timespec period{0, static_cast<long>(kTickMilliseconds) * 1000000L};
            const itimerspec ticks{period, period};
            timerfd_settime(window->tickFd, 0, &ticks, nullptr);
            if (!window->fds->register_fd(plugin.host, window->tickFd, CLAP_POSIX_FD_READ)) {
                ::close(window->tickFd);
                window->tickFd = -1;
            }
        }
    }
    if (!window->timer && window->connectionFd < 0 && window->tickFd < 0) {
        // The host took neither: no window that would never be drawn.
        window->closeWindow();
        return false;
    }
    return true;
}

bool CLAP_CALLBACK setTransient(const clap_plugin*, const clap_window*) { return false; }

void CLAP_CALLBACK suggestTitle(const clap_plugin*, const char*) {}

bool CLAP_CALLBACK show(const clap_plugin* plugin) {
    ClapWindow* window = windowOf(plugin);
    if (window == nullptr || window->window == nullptr) return false;
    window->window->show();
    window->tick();
    return true;
}

bool CLAP_CALLBACK hide(const clap_plugin* plugin) {
    ClapWindow* window = windowOf(plugin);
    if (window == nullptr || window->window == nullptr) return false;
    window->window->hide();
    return true;
}

constexpr clap_plugin_gui kGui{isApiSupported, preferredApi, create,    destroy,      setScale,
                               getSize,        canResize,    resizeHints, adjustSize, setSize,
                               setParent,      setTransient, suggestTitle, show,      hide};

void CLAP_CALLBACK onTimer(const clap_plugin* plugin, clap_id id) {
    ClapWindow* window = windowOf(plugin);
    if (window != nullptr && window->timer == id) window->tick();
}

constexpr clap_plugin_timer_support kTimerSupport{onTimer};

void CLAP_CALLBACK onFd(const clap_plugin* plugin, int fd, clap_posix_fd_flags) {
    ClapWindow* window = windowOf(plugin);
    if (window == nullptr || fd < 0 || (fd != window->tickFd && fd != window->connectionFd)) return;
    if (fd == window->tickFd) {
        std::uint64_t expirations = 0;
        [[maybe_unused]] const ssize_t read = ::read(fd, &expirations, sizeof expirations);
    }
    window->tick();
}

constexpr clap_plugin_posix_fd_support kPosixFdSupport{onFd};

}  // namespace

const void* windowExtension(const char* id) {
    if (std::strcmp(id, CLAP_EXT_GUI) == 0) return &kGui;
    if (std::strcmp(id, CLAP_EXT_TIMER_SUPPORT) == 0) return &kTimerSupport;
    if (std::strcmp(id, CLAP_EXT_POSIX_FD_SUPPORT) == 0) return &kPosixFdSupport;
    return nullptr;
}

void releaseWindow(Plugin& plugin) {
    if (plugin.window == nullptr) return;
    plugin.window->closeWindow();
    delete plugin.window;
    plugin.window = nullptr;
}
