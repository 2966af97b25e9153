// The two ways a render fails. Each carries the one-line message that the
// tool prints; main() turns the kind into the exit status.
#pragma once

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

// The command line is wrong: an option, a file name's extension, or a
// parameter name or program number that the loaded plug-in does not have.
// Exit status 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Anything else that stops a render at run time: a file, the disk or the
// plug-in. Exit status 1.
struct RenderError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The system's reason for error number `error`, in a musician's words where
// the system's own are obscure: "the disk is full".
inline std::string systemErrorText(int error) {
    if (error == ENOSPC || error == EDQUOT) return "the disk is full";
    return std::strerror(error);
}
