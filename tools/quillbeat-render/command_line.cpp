#include "tools/quillbeat-render/command_line.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <sstream>
#include <string_view>

#include "tools/quillbeat-render/demo_signal.h"
#include "tools/quillbeat-render/render_error.h"

namespace {

constexpr int kMaxBlockSize = 65536;
// An hour of demo is far more than an audition needs, and its file (about
// 1.3 GB of stereo float) is still one a disk takes.
constexpr double kMaxDemoSeconds = 3600.0;
// The time record carries the position as a double, exact for every whole
// number up to 2^53 either side of zero.
constexpr std::int64_t kMaxStart = std::int64_t{1} << 53;
constexpr std::int64_t kMaxProgram = std::numeric_limits<std::int32_t>::max();

std::string quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

// A whole number from `lowest` to `highest`; the error names the range when
// the number lies outside it, however far.
std::int64_t parseWhole(std::string_view text, std::string_view option, std::int64_t lowest, std::int64_t highest,
                        std::string_view unit = "") {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error == std::errc::invalid_argument || end != text.data() + text.size()) {
        throw UsageError(std::string(option) + " expects a whole number, not " + quoted(text));
    }
    if (error == std::errc::result_out_of_range || value < lowest || value > highest) {
        throw UsageError(std::string(option) + " must be between " + std::to_string(lowest) + " and " +
                         std::to_string(highest) + (unit.empty() ? "" : " ") + std::string(unit));
    }
    return value;
}

double parseNumber(std::string_view text, std::string_view option) {
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty() || !std::isfinite(value)) {
        throw UsageError(std::string(option) + " expects a number, not " + quoted(text));
    }
    return value;
}

void setBlock(RenderOptions& options, std::string_view text) {
    options.blockSize = static_cast<int>(parseWhole(text, "--block", 1, kMaxBlockSize, "frames"));
}

void setSeconds(RenderOptions& options, std::string_view text) {
    const double value = parseNumber(text, "--seconds");
    // The demo has at least one frame.
    if (!(value <= kMaxDemoSeconds && std::llround(value * DemoSignal::kSampleRate) >= 1)) {
        throw UsageError("--seconds must be at least one frame (1/44100) and at most 3600");
    }
    options.seconds = value;
}

void setStart(RenderOptions& options, std::string_view text) {
    options.start = parseWhole(text, "--start", -kMaxStart, kMaxStart, "frames");
}

void setHostBpm(RenderOptions& options, std::string_view text) {
    const double value = parseNumber(text, "--host-bpm");
    if (!(value > 0.0)) throw UsageError("--host-bpm must be above 0");
    options.hostBpm = value;
}

void setBits(RenderOptions& options, std::string_view text) {
    if (text != "16" && text != "24") throw UsageError("--bits must be 16 or 24");
    options.bits = text == "16" ? 16 : 24;
}

void setProgram(RenderOptions& options, std::string_view text) {
    options.program = static_cast<int>(parseWhole(text, "--program", 0, kMaxProgram));
}

void setPreset(RenderOptions& options, std::string_view text) {
    if (text.empty()) throw UsageError("--preset expects a .fxp file, not ''");
    options.preset = std::string(text);
}

void setPlugin(RenderOptions& options, std::string_view text) {
    if (text.empty()) throw UsageError("--plugin expects a path, not ''");
    options.pluginPath = std::string(text);
}

void addParameter(RenderOptions& options, std::string_view text) {
    const std::size_t equals = text.rfind('=');
    if (equals == std::string_view::npos || equals == 0) {
        throw UsageError("--param expects NAME=VALUE, not " + quoted(text));
    }
    const std::string_view name = text.substr(0, equals);
    const std::string_view valueText = text.substr(equals + 1);
    double value = 0.0;
    const auto [end, error] = std::from_chars(valueText.data(), valueText.data() + valueText.size(), value);
    if (error != std::errc() || end != valueText.data() + valueText.size() || valueText.empty()) {
        throw UsageError("--param " + std::string(name) + " expects a number, not " + quoted(valueText));
    }
    if (!std::isfinite(value)) {
        throw UsageError("--param " + std::string(name) + "=" + std::string(valueText) + " is not a number");
    }
    // Its range is the plug-in's: checked once the plug-in is loaded.
    options.parameters.push_back({std::string(name), value, std::string(valueText)});
}

struct OptionEntry {
    std::string_view name;
    std::string_view shortName;  // empty when there is none
    std::string_view valueName;  // empty for a switch
    std::string_view help;
    void (*apply)(RenderOptions&, std::string_view);
};

// Every option once: the parser walks this table and --help prints it.
const OptionEntry kOptions[] = {
    {"--plugin", "", "PATH",
     "VST 2 plug-in, CLAP file, LV2 bundle folder or LV2 URI to load (default: quillbeat.so beside this program "
     "or in ../lib/vst)",
     setPlugin},
    {"--param", "", "NAME=VALUE",
     "set a parameter (name as the plug-in reports it, or index) to a value in its range (0..1 for VST 2); "
     "repeatable",
     addParameter},
    {"--program", "", "N", "select program N (from 0) before processing (VST 2)", setProgram},
    {"--preset", "", "FILE.fxp", "load a VST 2 preset file after --program, before --param", setPreset},
    {"--block", "", "FRAMES", "frames per process call, 1 to 65536 (default 512)", setBlock},
    {"--seconds", "", "S", "length of the demo when there is no INPUT, one frame to 3600 (default 10)",
     setSeconds},
    {"--start", "", "FRAMES", "host sample position of the first frame, a whole number within +-2^53 (default 0)",
     setStart},
    {"--host-bpm", "", "BPM", "tempo the host reports (default 120)", setHostBpm},
    {"--no-time-info", "", "", "answer the plug-in's time-information request with null",
     [](RenderOptions& o, std::string_view) { o.timeInfo = false; }},
    {"--bits", "", "16|24", "integer output instead of 32-bit float (.wav, .aiff, .flac)", setBits},
    {"--waveform", "", "FILE.png", "also draw the input and output amplitude over time",
     [](RenderOptions& o, std::string_view v) { o.waveform = std::string(v); }},
    {"--info", "", "", "print what the plug-in reports about itself and exit",
     [](RenderOptions& o, std::string_view) { o.info = true; }},
    {"--quiet", "-q", "", "no progress bar", [](RenderOptions& o, std::string_view) { o.quiet = true; }},
    {"--help", "-h", "", "show this help", [](RenderOptions& o, std::string_view) { o.help = true; }},
    {"--version", "", "", "show the version of this program",
     [](RenderOptions& o, std::string_view) { o.version = true; }},
};

const OptionEntry* findOption(std::string_view name) {
    for (const OptionEntry& option : kOptions) {
        if (option.name == name || (!option.shortName.empty() && option.shortName == name)) return &option;
    }
    return nullptr;
}

}  // namespace

RenderOptions parseCommandLine(std::span<const char* const> arguments) {
    RenderOptions options;
    std::vector<std::string> files;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            files.emplace_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        // Both "--name value" and "--name=value".
        const std::size_t equals = argument.find('=');
        const std::string_view name = argument.substr(0, equals);
        const OptionEntry* option = findOption(name);
        if (option == nullptr) throw UsageError("unknown option " + quoted(name) + " (see --help)");
        if (option->valueName.empty()) {
            if (equals != std::string_view::npos) throw UsageError(std::string(name) + " takes no value");
            option->apply(options, {});
            continue;
        }
        if (equals != std::string_view::npos) {
            option->apply(options, argument.substr(equals + 1));
        } else if (i + 1 < arguments.size()) {
            option->apply(options, arguments[++i]);
        } else {
            throw UsageError(std::string(name) + " expects " + std::string(option->valueName));
        }
    }
    if (options.help || options.version) return options;

    if (options.info) {
        if (!files.empty()) throw UsageError("--info takes no INPUT or OUTPUT");
        return options;
    }
    if (files.empty()) throw UsageError("missing OUTPUT (see --help)");
    if (files.size() > 2) throw UsageError("too many files: expected [INPUT] OUTPUT");
    if (files.size() == 2) options.input = files[0];
    options.output = files.back();
    if (options.input && options.seconds) {
        throw UsageError("--seconds sets the length of the demo; it does not apply to an INPUT");
    }
    return options;
}

std::string usageText() {
    std::ostringstream text;
    text << "usage: quillbeat-render [options] [INPUT] OUTPUT\n"
            "       quillbeat-render --info [--plugin PATH] [--program N] [--preset FILE.fxp]\n"
            "                               [--param NAME=VALUE]\n"
            "\n"
            "Renders INPUT (any file libsndfile reads; - reads standard input) through a\n"
            "VST 2, CLAP or LV2 plug-in into OUTPUT. Without INPUT it renders a demo chord. The output\n"
            "format follows OUTPUT's extension: .wav, .flac, .aiff or .ogg; a pipe takes\n"
            ".flac or .ogg.\n"
            "\n"
            "options:\n";
    for (const OptionEntry& option : kOptions) {
        std::string left = "  ";
        if (!option.shortName.empty()) {
            left += option.shortName;
            left += ", ";
        }
        left += option.name;
        if (!option.valueName.empty()) {
            left += ' ';
            left += option.valueName;
        }
        if (left.size() < 28) {
            left.resize(28, ' ');
        } else {
            left += '\n';
            left.append(28, ' ');
        }
        text << left << option.help << "\n";
    }
    return text.str();
}

std::string versionText() { return std::string("quillbeat-render ") + QUILLBEAT_VERSION + "\n"; }
