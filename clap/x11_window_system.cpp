// The CLAP window's X11 part. Its main-thread time comes from the host's
// timer-support (a timer every 33 ms) or, from a host with only
// posix-fd-support, from the X connection's descriptor and a timerfd for the
// playhead. A host that offers neither gets no window: create() says no, and
// the host shows its own controls.
#include <sys/timerfd.h>
#include <unistd.h>

#include <cstring>
#include <optional>

#include "clap/clap_window.h"
#include "editor/x11/x11_editor_window.h"

using namespace clap;

const char* const kWindowApi = CLAP_WINDOW_API_X11;

namespace {

// The window's pace: 30 times a second, as it redraws at most.
constexpr std::uint32_t kTickMilliseconds = 33;

bool usable(const clap_host_timer_support* timers) {
    return timers != nullptr && timers->register_timer != nullptr && timers->unregister_timer != nullptr;
}
bool usable(const clap_host_posix_fd_support* fds) {
    return fds != nullptr && fds->register_fd != nullptr && fds->unregister_fd != nullptr;
}

class X11ClapWindow final : public NativeWindow {
public:
    X11ClapWindow(Plugin& plugin, std::unique_ptr<X11EditorWindow> window) : plugin(plugin), window(std::move(window)) {}
    ~X11ClapWindow() override {
        stopTicks();
        window->close();
    }

    // The host's timer, or its watch on the connection and a timerfd:
    // false when it took neither.
    bool startTicks() {
        const auto* timers = hostExtension<clap_host_timer_support>(plugin.host, CLAP_EXT_TIMER_SUPPORT);
        if (usable(timers)) {
            this->timers = timers;
            clap_id id = CLAP_INVALID_ID;
            if (timers->register_timer(plugin.host, kTickMilliseconds, &id)) timer = id;
            return timer.has_value();
        }
        fds = hostExtension<clap_host_posix_fd_support>(plugin.host, CLAP_EXT_POSIX_FD_SUPPORT);
        if (!usable(fds)) return false;
        connectionFd = window->connectionFd();
        if (!fds->register_fd(plugin.host, connectionFd, CLAP_POSIX_FD_READ)) connectionFd = -1;
        tickFd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
        if (tickFd >= 0) {
            const timespec period{0, static_cast<long>(kTickMilliseconds) * 1000000L};
            const itimerspec ticks{period, period};
            timerfd_settime(tickFd, 0, &ticks, nullptr);
            if (!fds->register_fd(plugin.host, tickFd, CLAP_POSIX_FD_READ)) {
                ::close(tickFd);
                tickFd = -1;
            }
        }
        return connectionFd >= 0 || tickFd >= 0;
    }

    bool ticksOn(clap_id id) const { return timer == id; }
    // One of ours ready: the timerfd's expirations read, so it waits again.
    bool ticksOnFd(int fd) const {
        if (fd < 0 || (fd != tickFd && fd != connectionFd)) return false;
        if (fd == tickFd) {
            std::uint64_t expirations = 0;
            [[maybe_unused]] const ssize_t read = ::read(fd, &expirations, sizeof expirations);
        }
        return true;
    }

    void show() override { window->show(); }
    void hide() override { window->hide(); }
    void idle() override { window->idle(); }
    bool setScale(double) override { return false; }

private:
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

    Plugin& plugin;
    std::unique_ptr<X11EditorWindow> window;
    const clap_host_timer_support* timers = nullptr;
    const clap_host_posix_fd_support* fds = nullptr;
    std::optional<clap_id> timer;
    int tickFd = -1;        // the timerfd, with only posix-fd-support
    int connectionFd = -1;  // the X connection's, registered with the host
};

X11ClapWindow* nativeOf(const clap_plugin* plugin) {
    ClapWindow* window = windowOf(plugin);
    return window != nullptr ? static_cast<X11ClapWindow*>(window->native.get()) : nullptr;
}

void CLAP_CALLBACK onTimer(const clap_plugin* plugin, clap_id id) {
    X11ClapWindow* native = nativeOf(plugin);
    if (native != nullptr && native->ticksOn(id)) windowOf(plugin)->tick();
}

constexpr clap_plugin_timer_support kTimerSupport{onTimer};

void CLAP_CALLBACK onFd(const clap_plugin* plugin, int fd, clap_posix_fd_flags) {
    X11ClapWindow* native = nativeOf(plugin);
    if (native != nullptr && native->ticksOnFd(fd)) windowOf(plugin)->tick();
}

constexpr clap_plugin_posix_fd_support kPosixFdSupport{onFd};

}  // namespace

bool hostGivesWindowTime(const clap_host* host) {
    return usable(hostExtension<clap_host_timer_support>(host, CLAP_EXT_TIMER_SUPPORT)) ||
           usable(hostExtension<clap_host_posix_fd_support>(host, CLAP_EXT_POSIX_FD_SUPPORT));
}

std::unique_ptr<NativeWindow> openNativeWindow(ClapWindow& window, const clap_window& parent) {
    std::unique_ptr<X11EditorWindow> x11 = X11EditorWindow::open(parent.x11, window.scale, window.model, nullptr);
    if (x11 == nullptr) return nullptr;
    auto native = std::make_unique<X11ClapWindow>(window.plugin, std::move(x11));
    // The host took neither: no window that would never be drawn.
    if (!native->startTicks()) return nullptr;
    return native;
}

const void* windowSystemExtension(const char* id) {
    if (std::strcmp(id, CLAP_EXT_TIMER_SUPPORT) == 0) return &kTimerSupport;
    if (std::strcmp(id, CLAP_EXT_POSIX_FD_SUPPORT) == 0) return &kPosixFdSupport;
    return nullptr;
}
