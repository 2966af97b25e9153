#include "player/clap_window_host.h"

#if !defined(_WIN32)
#include <poll.h>
#endif

#include <algorithm>
#include <cstring>

using namespace clap;

ClapWindowHost& windowHostOf(const clap_host* host) { return *static_cast<ClapWindowHost*>(host->host_data); }

namespace {

void CLAP_CALLBACK resizeHintsChanged(const clap_host* host) { ++windowHostOf(host).resizeHintsChanges; }
bool CLAP_CALLBACK requestResize(const clap_host* host, std::uint32_t width, std::uint32_t height) {
    windowHostOf(host).resizeRequests.push_back({width, height});
    return false;
}
bool CLAP_CALLBACK requestShow(const clap_host* host) {
    ++windowHostOf(host).showRequests;
    return false;
}
bool CLAP_CALLBACK requestHide(const clap_host* host) {
    ++windowHostOf(host).hideRequests;
    return false;
}
void CLAP_CALLBACK closed(const clap_host* host, bool) { ++windowHostOf(host).closedCalls; }
constexpr clap_host_gui kHostGui{resizeHintsChanged, requestResize, requestShow, requestHide, closed};

bool CLAP_CALLBACK registerTimer(const clap_host* host, std::uint32_t periodMs, clap_id* id) {
    if (id == nullptr) return false;
    ClapWindowHost& windows = windowHostOf(host);
    *id = windows.nextTimer++;
    windows.timers.push_back({*id, std::max<std::uint32_t>(periodMs, 1), std::chrono::steady_clock::now()});
    return true;
}
bool CLAP_CALLBACK unregisterTimer(const clap_host* host, clap_id id) {
    auto& timers = windowHostOf(host).timers;
    return std::erase_if(timers, [&](const ClapWindowHost::Timer& timer) { return timer.id == id; }) > 0;
}
constexpr clap_host_timer_support kHostTimers{registerTimer, unregisterTimer};

bool CLAP_CALLBACK registerFd(const clap_host* host, int fd, clap_posix_fd_flags flags) {
    auto& fds = windowHostOf(host).fds;
    if (fd < 0 || std::any_of(fds.begin(), fds.end(), [&](const auto& watched) { return watched.fd == fd; }))
        return false;
    fds.push_back({fd, flags});
    return true;
}
bool CLAP_CALLBACK modifyFd(const clap_host* host, int fd, clap_posix_fd_flags flags) {
    for (auto& watched : windowHostOf(host).fds)
        if (watched.fd == fd) {
            watched.flags = flags;
            return true;
        }
    return false;
}
bool CLAP_CALLBACK unregisterFd(const clap_host* host, int fd) {
    return std::erase_if(windowHostOf(host).fds, [&](const auto& watched) { return watched.fd == fd; }) > 0;
}
constexpr clap_host_posix_fd_support kHostFds{registerFd, modifyFd, unregisterFd};

}  // namespace

const void* ClapWindowHost::extension(const char* id) const {
    if (std::strcmp(id, CLAP_EXT_GUI) == 0) return &kHostGui;
    if (offersTimers && std::strcmp(id, CLAP_EXT_TIMER_SUPPORT) == 0) return &kHostTimers;
    if (offersFds && std::strcmp(id, CLAP_EXT_POSIX_FD_SUPPORT) == 0) return &kHostFds;
    return nullptr;
}

void ClapWindowHost::fire(const clap_plugin* plugin, const clap_plugin_timer_support* onTimer,
                          const clap_plugin_posix_fd_support* onFd) {
    const auto now = std::chrono::steady_clock::now();
    // Copies: a callback may register or unregister.
    if (onTimer != nullptr && onTimer->on_timer != nullptr) {
        const std::vector<Timer> due = timers;
        for (const Timer& timer : due) {
            if (now - timer.fired < std::chrono::milliseconds(timer.periodMs)) continue;
            for (Timer& kept : timers)
                if (kept.id == timer.id) kept.fired = now;
            onTimer->on_timer(plugin, timer.id);
        }
    }
#if defined(_WIN32)
    (void)onFd;  // no descriptors to watch on Windows
#else
    if (onFd != nullptr && onFd->on_fd != nullptr && !fds.empty()) {
        std::vector<pollfd> watched;
        for (const WatchedFd& fd : fds) {
            short events = 0;
            if ((fd.flags & CLAP_POSIX_FD_READ) != 0) events |= POLLIN;
            if ((fd.flags & CLAP_POSIX_FD_WRITE) != 0) events |= POLLOUT;
            watched.push_back({fd.fd, events, 0});
        }
        if (poll(watched.data(), watched.size(), 0) <= 0) return;
        for (const pollfd& ready : watched) {
            clap_posix_fd_flags flags = 0;
            if ((ready.revents & POLLIN) != 0) flags |= CLAP_POSIX_FD_READ;
            if ((ready.revents & POLLOUT) != 0) flags |= CLAP_POSIX_FD_WRITE;
            if ((ready.revents & (POLLERR | POLLHUP)) != 0) flags |= CLAP_POSIX_FD_ERROR;
            if (flags != 0) onFd->on_fd(plugin, ready.fd, flags);
        }
    }
#endif
}
