// Ctrl-C, a hang-up or a kill during a render: the pending output files are
// removed before the program ends as the signal says, so no half-written
// temporary file is left beside the output.
#pragma once

#include <csignal>

// The signals that end a render early.
inline constexpr int kInterruptSignals[] = {SIGINT, SIGTERM, SIGHUP};

void installInterruptCleanup();
