#include "tools/quillbeat-render/interrupt.h"

#include <csignal>
#include <cstdlib>

#include "tools/quillbeat-render/pending_file.h"

namespace {

void onInterrupt(int signal) {
    removeAllPendingFiles();
    // End the way the signal would have, so the caller sees why: the signal
    // is held while this runs and arrives again once it returns.
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

}  // namespace

void installInterruptCleanup() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    for (int signal : kInterruptSignals) {
        struct sigaction previous {};
        if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) continue;
        struct sigaction cleanup {};
        cleanup.sa_handler = onInterrupt;
        sigemptyset(&cleanup.sa_mask);
        sigaction(signal, &cleanup, nullptr);
    }
    std::atexit(removeAllPendingFiles);
}
