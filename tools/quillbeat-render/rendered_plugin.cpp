#include "tools/quillbeat-render/rendered_plugin.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>
#include <stdexcept>

#include "player/clap_transport.h"
#include "player/plugin_instance.h"
#include "tools/quillbeat-render/plugin_info.h"
#include "tools/quillbeat-render/plugin_module.h"
#include "tools/quillbeat-render/plugin_session.h"
#include "tools/quillbeat-render/render_error.h"

namespace {

class Vst2Plugin final : public RenderedPlugin {
public:
    Vst2Plugin(const RenderOptions& options, const std::string& path)
        : options(options), preset(readPresetOption(options)), plugin(path) {}

    int inputs() const override { return plugin.effect().numInputs; }
    int outputs() const override { return plugin.effect().numOutputs; }
    void prepare(double sampleRate, int blockSize) override {
        prepareEffect(plugin, sampleRate, blockSize);
        applySettings(plugin, options.program, preset, options.parameters);
    }
    void describe(std::ostream& out) override {
        printDescription(out, describePlugin(plugin));
        if (preset) out << "Preset:      " << printableText(preset->preset.name) << "\n";
    }
    void start(const BlockSettings& settings, double sampleRate) override {
        plugin.dispatch(effMainsChanged, 0, 1);
        plugin.dispatch(effStartProcess);
        HostState& host = plugin.host();
        host.answerTimeInfo = settings.timeInfo;
        host.timeline.reset(sampleRate, settings.hostBpm, settings.start);
    }
    void process(float** in, float** out, int frames) override {
        AEffect& effect = plugin.effect();
        // A plug-in that only accumulates adds into its outputs, which must
        // be cleared before each call.
        if ((effect.flags & effFlagsCanReplacing) != 0 && effect.processReplacing != nullptr) {
            effect.processReplacing(&effect, in, out, frames);
        } else {
            for (int c = 0; c < effect.numOutputs; ++c) std::fill_n(out[c], frames, 0.0f);
            effect.process(&effect, in, out, frames);
        }
        plugin.host().timeline.advance(frames);
    }
    void stop() override {
        plugin.dispatch(effStopProcess);
        plugin.dispatch(effMainsChanged, 0, 0);
    }

private:
    const RenderOptions& options;
    std::optional<PresetFile> preset;
    PluginModule plugin;
};

// The end of the message that refuses a position a CLAP transport cannot
// carry.
std::string beyondClapReach(std::int64_t reach, double sampleRate) {
    char rate[32];
    std::snprintf(rate, sizeof rate, "%g", sampleRate);
    return "beyond the host positions a CLAP plug-in can be told: at " + std::string(rate) + " Hz they reach " +
           std::to_string(reach) + " frames (just under 2^32 seconds) either side of 0";
}

// A CLAP or LV2 plug-in through the host library.
class LibraryPlugin final : public RenderedPlugin {
public:
    LibraryPlugin(const RenderOptions& options, const std::string& path) : options(options), path(path) {
        const char* format = formatName(formatOf(path));
        if (options.program) throw UsageError("--program works with VST 2 plug-ins; " + path + " is " + format);
        if (options.preset) throw UsageError("--preset works with VST 2 plug-ins; " + path + " is " + format);
        if (formatOf(path) == PluginFormat::clap && access(path.c_str(), F_OK) != 0)
            throw RenderError("cannot load plug-in " + path + ": " + std::strerror(errno));
        try {
            instance = openPlugin(path);
        } catch (const std::runtime_error& error) {
            throw RenderError(error.what());
        }
        // Every name resolved and every value checked before the plug-in
        // sees the first.
        std::vector<std::string> names;
        for (const ParameterDescription& parameter : instance->description().parameters)
            names.push_back(parameter.name);
        for (const ParameterSetting& setting : options.parameters) {
            const std::size_t index = parameterIndex(names, setting.name);
            const ParameterDescription& parameter = instance->description().parameters[index];
            checkParameterRange(setting, parameter.minimum, parameter.maximum);
            indices.push_back(index);
        }
    }

    int inputs() const override { return instance->description().inputs; }
    int outputs() const override { return instance->description().outputs; }
    void prepare(double sampleRate, int blockSize) override {
        if (!instance->activate(sampleRate, static_cast<std::uint32_t>(blockSize))) {
            char rate[32];
            std::snprintf(rate, sizeof rate, "%g", sampleRate);
            throw RenderError(path + ": the plug-in refused to start at " + rate + " Hz");
        }
        for (std::size_t i = 0; i < indices.size(); ++i) instance->setValue(indices[i], options.parameters[i].value);
    }
    void describe(std::ostream& out) override;
    // A source of unknown length is checked again at every block.
    void checkPositions(const BlockSettings& settings, double sampleRate,
                        std::optional<std::int64_t> frames) const override {
        const std::optional<std::int64_t> limit = positionReach(settings, sampleRate);
        if (!limit) return;
        const std::int64_t reach = *limit;
        const auto start = static_cast<std::int64_t>(settings.start);
        if (start < -reach || start > reach)
            throw UsageError("--start " + std::to_string(start) + " is " + beyondClapReach(reach, sampleRate));
        if (!frames || *frames <= 0) return;
        // From the start, which a file's length may take beyond 64 bits.
        const std::int64_t lastBlock = (*frames - 1) / settings.blockSize * settings.blockSize;
        if (lastBlock > reach - start) {
            char last[32];
            std::snprintf(last, sizeof last, "%.0f", settings.start + static_cast<double>(lastBlock));
            throw UsageError("the render's last block would start at frame " + std::string(last) + ", " +
                             beyondClapReach(reach, sampleRate));
        }
    }
    void start(const BlockSettings& settings, double sampleRate) override {
        timeInfo = settings.timeInfo;
        position = {settings.start, settings.hostBpm, true};
        const std::optional<std::int64_t> limit = positionReach(settings, sampleRate);
        reach = limit ? static_cast<double>(*limit) : std::numeric_limits<double>::infinity();
        rate = sampleRate;
    }
    void process(float** in, float** out, int frames) override {
        if (std::fabs(position.sample) > reach) {
            throw UsageError("the render reached frame " + std::to_string(static_cast<std::int64_t>(position.sample)) +
                             ", " + beyondClapReach(static_cast<std::int64_t>(reach), rate));
        }
        if (!instance->play({in, out, static_cast<std::uint32_t>(frames), timeInfo ? &position : nullptr, {}}))
            throw RenderError(path + ": the plug-in reported an error while processing");
        position.sample += frames;
    }
    void stop() override { instance->deactivate(); }

private:
    const RenderOptions& options;
    std::string path;
    std::unique_ptr<PluginInstance> instance;
    std::vector<std::size_t> indices;
    // The furthest frame either side of 0 the plug-in can be told: a CLAP
    // transport's reach; none for LV2 or without time information.
    std::optional<std::int64_t> positionReach(const BlockSettings& settings, double sampleRate) const {
        if (instance->description().format != PluginFormat::clap || !settings.timeInfo) return std::nullopt;
        return clapFrameReach(sampleRate);
    }

    bool timeInfo = true;
    HostPosition position;
    double reach = 0.0;
    double rate = 0.0;
};

void LibraryPlugin::describe(std::ostream& out) {
    const InstanceDescription& d = instance->description();
    out << "Name:        " << printableText(d.name) << "\n"
        << "Vendor:      " << printableText(d.vendor) << "\n"
        << "Version:     " << printableText(d.version) << "\n"
        << "Format:      " << formatName(d.format) << "\n"
        << "ID:          " << printableText(d.id) << "\n"
        << "Inputs:      " << d.inputs << "\n"
        << "Outputs:     " << d.outputs << "\n"
        << "Parameters:  " << d.parameters.size() << "\n";
    // As for VST 2, with the range: index, name, the value as the plug-in
    // shows it, the value itself and the range.
    constexpr const char* kParameterLine = "  %3s  %-16s %-20s %-10s %s";
    if (!d.parameters.empty()) {
        char heading[200];
        std::snprintf(heading, sizeof heading, kParameterLine, "#", "Name", "Shown as", "Value", "Range");
        out << heading << "\n";
    }
    for (std::size_t i = 0; i < d.parameters.size(); ++i) {
        const ParameterDescription& p = d.parameters[i];
        char value[32];
        char range[64];
        char line[400];
        std::snprintf(value, sizeof value, "%.6g", instance->valueInUse(i));
        std::snprintf(range, sizeof range, "%g to %g", p.minimum, p.maximum);
        std::snprintf(line, sizeof line, kParameterLine, std::to_string(i).c_str(), printableText(p.name).c_str(),
                      printableText(instance->valueText(i)).c_str(), value, range);
        out << line << "\n";
    }
}

// A plug-in is a file, or a folder for an LV2 bundle; a name that is
// neither may be an LV2 URI. Anything else is refused before the loader
// opens it: it would wait for ever on a pipe with no writer.
void refuseSpecialFile(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0 || S_ISREG(status.st_mode) || S_ISDIR(status.st_mode)) return;
    const char* kind = S_ISFIFO(status.st_mode) ? "a pipe" : S_ISSOCK(status.st_mode) ? "a socket" : "a device";
    throw RenderError("cannot load plug-in " + path + ": it is " + kind + ", not a plug-in file");
}

}  // namespace

std::unique_ptr<RenderedPlugin> loadPlugin(const RenderOptions& options, const std::string& path) {
    refuseSpecialFile(path);
    if (formatOf(path) == PluginFormat::vst2) return std::make_unique<Vst2Plugin>(options, path);
    return std::make_unique<LibraryPlugin>(options, path);
}
