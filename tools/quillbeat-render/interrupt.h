// A render that ends early: the pending output files are removed before the
// program ends, so no half-written temporary file is left beside the
// output. That holds for every signal whose default ends the program (an
// interrupt, a hang-up, a kill, a reader that closed its pipe, a crash in a
// plug-in), short of SIGKILL, and for a plug-in that calls exit().
#pragma once

#include <csignal>

// The signals that end a render early. Their creation of a pending file is
// held back, so that none is left unnamed.
inline constexpr int kInterruptSignals[] = {SIGINT,  SIGTERM, SIGHUP,  SIGQUIT,   SIGPIPE,   SIGALRM,
                                            SIGUSR1, SIGUSR2, SIGXCPU, SIGXFSZ,   SIGVTALRM, SIGPROF,
                                            SIGSEGV, SIGBUS,  SIGFPE,  SIGILL,    SIGABRT,   SIGSYS,
                                            SIGTRAP};

// Installs the cleanup once; a signal that was ignored when the program
// started (nohup's hang-up) stays ignored.
void installInterruptCleanup();

// A plug-in that calls exit() must not pass for a finished run: until
// disarmed, an exit ends the program with status 1 and a message instead.
// Installed first thing in main(), disarmed as main() returns.
void installExitGuard();
void disarmExitGuard();
