#include "tools/quillbeat-render/render_plugin.h"

#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <stdexcept>

#include "player/clap_transport.h"
#include "player/vst2_instance.h"
#include "tools/quillbeat-render/render_error.h"

namespace {

// A plug-in is a file, or a folder for an LV2 bundle; a name that is
// neither may be an LV2 URI. Anything else is refused before the loader
// opens it: it would wait for ever on a pipe with no writer.
void refuseSpecialFile(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0 || S_ISREG(status.st_mode) || S_ISDIR(status.st_mode)) return;
    const char* kind = S_ISFIFO(status.st_mode) ? "a pipe" : S_ISSOCK(status.st_mode) ? "a socket" : "a device";
    throw RenderError("cannot load plug-in " + path + ": it is " + kind + ", not a plug-in file");
}

std::string rateText(double sampleRate) {
    char rate[32];
    std::snprintf(rate, sizeof rate, "%g", sampleRate);
    return rate;
}

// The end of the message that refuses a position a CLAP transport cannot
// carry.
std::string beyondClapReach(std::int64_t reach, double sampleRate) {
    return "beyond the host positions a CLAP plug-in can be told: at " + rateText(sampleRate) + " Hz they reach " +
           std::to_string(reach) + " frames (just under 2^32 seconds) either side of 0";
}

// The furthest frame either side of 0 the plug-in can be told: a CLAP
// transport's reach; none for the other formats or without time
// information.
std::optional<std::int64_t> positionReach(const PluginInstance& plugin, const BlockSettings& settings,
                                          double sampleRate) {
    if (plugin.description().format != PluginFormat::clap || !settings.timeInfo) return std::nullopt;
    return clapFrameReach(sampleRate);
}

}  // namespace

std::unique_ptr<PluginInstance> loadPlugin(const RenderOptions& options, const std::string& path,
                                           double sampleRate, PluginSettings& settings) {
    refuseSpecialFile(path);
    const PluginFormat format = formatOf(path);
    settings = readSettings(options, format, path);
    std::unique_ptr<PluginInstance> plugin;
    try {
        // A VST 2 effect may ask the rate and the block as it opens.
        if (format == PluginFormat::vst2) {
            auto vst2 = std::make_unique<Vst2Instance>(path, sampleRate, static_cast<std::uint32_t>(options.blockSize));
            vst2->host().product = "quillbeat-render";
            plugin = std::move(vst2);
        } else {
            plugin = openPlugin(path);
        }
    } catch (const std::runtime_error& error) {
        throw RenderError(error.what());
    }
    checkSettings(settings, *plugin);
    return plugin;
}

void preparePlugin(PluginInstance& plugin, const PluginSettings& settings, double sampleRate, int blockSize,
                   const std::string& path) {
    const auto maxFrames = static_cast<std::uint32_t>(blockSize);
    if (auto* vst2 = dynamic_cast<Vst2Instance*>(&plugin)) {
        vst2->prepare(sampleRate, maxFrames);
    } else if (!plugin.activate(sampleRate, maxFrames)) {
        throw RenderError(path + ": the plug-in refused to start at " + rateText(sampleRate) + " Hz");
    }
    applySettings(plugin, settings);
}

// A source of unknown length is checked again at every block.
void checkPositions(const PluginInstance& plugin, const BlockSettings& settings, double sampleRate,
                    std::optional<std::int64_t> frames) {
    const std::optional<std::int64_t> limit = positionReach(plugin, settings, sampleRate);
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

PluginRun::PluginRun(PluginInstance& plugin, const std::string& path, const BlockSettings& settings,
                     double sampleRate)
    : plugin(plugin),
      path(path),
      timeInfo(settings.timeInfo),
      start(settings.start),
      position{settings.start, settings.hostBpm, true},
      rate(sampleRate) {
    const std::optional<std::int64_t> limit = positionReach(plugin, settings, sampleRate);
    reach = limit ? static_cast<double>(*limit) : std::numeric_limits<double>::infinity();
    // A VST 2 effect is resumed now; the others were activated to be given
    // their settings.
    if (plugin.description().format == PluginFormat::vst2)
        plugin.activate(sampleRate, static_cast<std::uint32_t>(settings.blockSize));
}

PluginRun::~PluginRun() { plugin.deactivate(); }

void PluginRun::process(float** inputs, float** outputs, int frames) {
    position.sample = start + static_cast<double>(done);
    if (std::fabs(position.sample) > reach) {
        throw UsageError("the render reached frame " + std::to_string(static_cast<std::int64_t>(position.sample)) +
                         ", " + beyondClapReach(static_cast<std::int64_t>(reach), rate));
    }
    if (!plugin.play({inputs, outputs, static_cast<std::uint32_t>(frames), timeInfo ? &position : nullptr, {}, {}}))
        throw RenderError(path + ": the plug-in reported an error while processing");
    done += frames;
}
