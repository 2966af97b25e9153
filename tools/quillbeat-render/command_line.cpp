#include "tools/quillbeat-render/command_line.h"

#include <charconv>
#include <cmath>
#include <sstream>
#include <string_view>

#include "tools/quillbeat-render/render_error.h"

namespace {

// An hour of demo is far more than an audition needs, and its file (about
// 1.3 GB of stereo float) is still one a disk takes.
constexpr double kMaxDemoSeconds = 3600.0;
constexpr int kMaxBlockSize = 65536;

std::string quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

int parseInteger(std::string_view text, std::string_view option) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
        throw UsageError(std::string(option) + " expects a whole number, not " + quoted(text));
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
    const int value = parseInteger(text, "--block");
    if (value < 1 || value > kMaxBlockSize) {
        throw UsageError("--block must be between 1 and " + std::to_string(kMaxBlockSize) + " frames");
    }
    options.blockSize = value;
}

void setSeconds(RenderOptions& options, std::string_view text) {
    const double value = parseNumber(text, "--seconds");
    if (!(value > 0.0 && value <= kMaxDemoSeconds)) {
        throw UsageError("--seconds must be above 0 and at most 3600");
    }
    options.seconds = value;
}

void setStart(RenderOptions& options, std::string_view text) { options.start = parseNumber(text, "--start"); }

void setHostBpm(RenderOptions& options, std::string_view text) {
    const double value = parseNumber(text, "--host-bpm");
    if (!(value > 0.0)) throw UsageError("--host-bpm must be above 0");
    options.hostBpm = value;
}

void setBits(RenderOptions& options, std::string_view text) {
    const int value = parseInteger(text, "--bits");
    if (value != 16 && value != 24) throw UsageError("--bits must be 16 or 24");
    options.bits = value;
}

void setProgram(RenderOptions& options, std::string_view text) {
    const int value = parseInteger(text, "--program");
    if (value < 0) throw UsageError("--program must be 0 or more");
    options.program = value;
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
        throw UsageError("--param " + std::string(name) + " expects a value from 0 to 1, not " + quoted(valueText));
    }
    if (!(value >= 0.0 && value <= 1.0)) {
        throw UsageError("--param " + std::string(name) + "=" + std::string(valueText) +
                         " is outside 0 to 1");
    }
    options.parameters.push_back({std::string(name), static_cast<float>(value)});
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
    {"--plugin", "", "PATH", "VST 2 plug-in to load (default: quillbeat.so beside this program or in ../lib/vst)",
     [](RenderOptions& o, std::string_view v) { o.pluginPath = std::string(v); }},
    {"--param", "", "NAME=VALUE", "set a parameter (name as the plug-in reports it, or index) to 0..1; repeatable",
     addParameter},
    {"--program", "", "N", "select program N before processing", setProgram},
    {"--block", "", "FRAMES", "frames per process call (default 512)", setBlock},
    {"--seconds", "", "S", "length of the demo signal when there is no INPUT (default 10)", setSeconds},
    {"--start", "", "FRAMES", "host sample position of the first frame (default 0)", setStart},
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
    if (options.help) return options;

    if (options.info) {
        if (!files.empty()) throw UsageError("--info takes no INPUT or OUTPUT");
        return options;
    }
    if (files.empty()) throw UsageError("missing OUTPUT (see --help)");
    if (files.size() > 2) throw UsageError("too many files: expected [INPUT] OUTPUT");
    if (files.size() == 2) options.input = files[0];
    options.output = files.back();
    return options;
}

std::string usageText() {
    std::ostringstream text;
    text << "usage: quillbeat-render [options] [INPUT] OUTPUT\n"
            "       quillbeat-render --info [--plugin PATH] [--program N] [--param NAME=VALUE]\n"
            "\n"
            "Renders INPUT (any file libsndfile reads) through a VST 2 plug-in into OUTPUT.\n"
            "Without INPUT it renders a demo chord. The output format follows OUTPUT's\n"
            "extension: .wav, .flac, .aiff or .ogg.\n"
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
