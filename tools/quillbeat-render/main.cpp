// quillbeat-render: renders audio files through a VST 2 plug-in.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "tools/quillbeat-render/command_line.h"
#include "tools/quillbeat-render/interrupt.h"
#include "tools/quillbeat-render/render_error.h"
#include "tools/quillbeat-render/render_job.h"

namespace {
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

int fail(const std::string& message, int status) {
    std::fprintf(stderr, "quillbeat-render: %s\n", message.c_str());
    return status;
}

// A standard descriptor that was closed is taken by /dev/null opened the
// other way round, so reading or writing it still fails as on a closed one,
// and no file the tool (or a plug-in) opens can take its number and receive
// what was meant for the terminal.
void holdClosedStandardDescriptors() {
    for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
        const int held = open("/dev/null", (fd == STDIN_FILENO ? O_WRONLY : O_RDONLY) | O_NOCTTY);
        if (held >= 0 && held != fd) close(held);
    }
}

int run(int argc, char** argv) {
    try {
        const RenderOptions options = parseCommandLine({argv + 1, static_cast<std::size_t>(argc > 0 ? argc - 1 : 0)});
        if (options.help) {
            std::cout << usageText();
        } else if (options.version) {
            std::cout << versionText();
        } else {
            runRenderJob(options, std::cout);
        }
        return 0;
    } catch (const UsageError& error) {
        return fail(error.what(), kExitUsage);
    } catch (const RenderError& error) {
        return fail(error.what(), kExitFailure);
    } catch (const std::exception& error) {
        return fail(error.what(), kExitFailure);
    }
}

// What went to standard output must have arrived: a full disk or a closed
// output is a failure, as for the core utilities.
int checkStandardOutput(int status) {
    errno = 0;
    std::cout.flush();
    const bool flushed = std::fflush(stdout) == 0;
    const int reason = errno;
    if (flushed && !std::ferror(stdout) && std::cout.good()) return status;
    if (status != 0) return status;  // its own message is out already
    const std::string because = reason != 0 ? std::string(": ") + std::strerror(reason) : "";
    return fail("cannot write to standard output" + because, kExitFailure);
}
}  // namespace

int main(int argc, char** argv) {
    holdClosedStandardDescriptors();
    installExitGuard();
    const int status = checkStandardOutput(run(argc, argv));
    disarmExitGuard();
    return status;
}
