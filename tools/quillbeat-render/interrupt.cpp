#include "tools/quillbeat-render/interrupt.h"

#include <csignal>

#include "tools/quillbeat-render/pending_file.h"

namespace {

void onInterrupt(int signal) {
    removeAllPendingFiles();
    // End the way the signal would have, so the caller sees why.
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

}  // namespace

void installInterruptCleanup() {
    for (int signal : kInterruptSignals) std::signal(signal, onInterrupt);
}
