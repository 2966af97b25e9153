// The host's side of a CLAP plug-in's window: the gui extension's calls back
// to the host (recorded), the timers and file descriptors the window asks to
// be called on, which idleEditor() fires, and the edits the plug-in tells in
// its output events. A test may take timer-support or posix-fd-support away
// to play a host that lacks them.
#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

#include "abi/clap_abi.h"
#include "player/plugin_instance.h"

struct ClapWindowHost {
    // Which of the two ways to give a window its main-thread time this host
    // offers.
    bool offersTimers = true;
    bool offersFds = true;

    struct Timer {
        clap::clap_id id;
        std::uint32_t periodMs;
        std::chrono::steady_clock::time_point fired;
    };
    std::vector<Timer> timers;
    clap::clap_id nextTimer = 1;
    struct WatchedFd {
        int fd;
        clap::clap_posix_fd_flags flags;
    };
    std::vector<WatchedFd> fds;
    bool flushRequested = false;

    // What the window told the host through clap.gui.
    int resizeHintsChanges = 0;
    std::vector<EditorSize> resizeRequests;
    int showRequests = 0;
    int hideRequests = 0;
    int closedCalls = 0;

    // The host records of the extensions above, or null for another ID or
    // one this host does not offer.
    const void* extension(const char* id) const;
    // The timers due and the descriptors ready, called on the plug-in.
    void fire(const clap::clap_plugin* plugin, const clap::clap_plugin_timer_support* onTimer,
              const clap::clap_plugin_posix_fd_support* onFd);
};

// The ClapWindowHost of a host record whose host_data is one.
ClapWindowHost& windowHostOf(const clap::clap_host* host);
