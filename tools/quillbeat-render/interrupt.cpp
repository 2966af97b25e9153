#include "tools/quillbeat-render/interrupt.h"

#include <unistd.h>

#include <atomic>
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

std::atomic<bool> exitIsOurs{false};

void onExit() {
    if (exitIsOurs.load()) return;
    removeAllPendingFiles();
    static const char message[] = "quillbeat-render: the plug-in ended the program before the work was finished\n";
    [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, message, sizeof message - 1);
    _exit(1);
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

void installExitGuard() { std::atexit(onExit); }

void disarmExitGuard() { exitIsOurs.store(true); }
