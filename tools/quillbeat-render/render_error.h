// The two ways a render fails. Each carries the one-line message that the
// tool prints; main() turns the kind into the exit status.
#pragma once

#include <stdexcept>
#include <string>

// The command line itself is wrong: exit status 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Anything else that stops a render: a file, the plug-in or a setting that
// only the loaded plug-in can judge. Exit status 1.
struct RenderError : std::runtime_error {
    using std::runtime_error::runtime_error;
};
