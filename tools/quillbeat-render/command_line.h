// What the user asked for, read from the command line. Parsing checks every
// value that can be judged without the plug-in or the files; parameter names
// and program numbers are checked once the plug-in is loaded.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct ParameterSetting {
    std::string name;  // a parameter name as the plug-in reports it, or an index
    double value = 0.0;
    std::string text;  // the value as the user wrote it
};

struct RenderOptions {
    std::optional<std::string> input;  // none: render the demo signal
    std::string output;
    std::string pluginPath;  // empty: quillbeat.so beside the executable; else any format's
    std::optional<std::string> waveform;
    int blockSize = 512;
    std::optional<double> seconds;  // length of the demo signal; none: 10 s
    std::int64_t start = 0;         // host sample position of the first frame
    double hostBpm = 120.0;
    bool timeInfo = true;
    std::optional<int> bits;
    std::optional<int> program;
    std::optional<std::string> preset;  // a .fxp file: after the program, before the parameters
    std::vector<ParameterSetting> parameters;  // applied in the order given
    bool info = false;
    bool quiet = false;
    bool help = false;
    bool version = false;

    double demoSeconds() const { return seconds.value_or(10.0); }
};

// Reads the arguments after the program name. Throws UsageError.
RenderOptions parseCommandLine(std::span<const char* const> arguments);

// The --help text.
std::string usageText();

// The --version text: the program's name and version, one line.
std::string versionText();
