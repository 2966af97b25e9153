// A plug-in of any format as a render drives it: a VST 2 plug-in through
// the tool's own host of one (programs, .fxp presets and all), a CLAP or
// LV2 one through the host library's.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "tools/quillbeat-render/command_line.h"

// How the host's timeline runs during a render.
struct BlockSettings {
    int blockSize = 512;
    double start = 0.0;
    double hostBpm = 120.0;
    bool timeInfo = true;
};

class RenderedPlugin {
public:
    virtual ~RenderedPlugin() = default;
    virtual int inputs() const = 0;
    virtual int outputs() const = 0;
    // Tells the plug-in the rate and the largest block, then applies the
    // program, preset and parameters of the options. Throws UsageError or
    // RenderError.
    virtual void prepare(double sampleRate, int blockSize) = 0;
    // After prepare(): what the plug-in reports, as --info prints it.
    virtual void describe(std::ostream& out) = 0;
    // Before start(): throws UsageError when the plug-in's format cannot be
    // told the host positions of a render of `frames` frames (none: not
    // known before the source ends) with these settings.
    virtual void checkPositions(const BlockSettings& /*settings*/, double /*sampleRate*/,
                                std::optional<std::int64_t> /*frames*/) const {}
    // Processing from the settings' start, each block moving the timeline on
    // by its frames; stop() ends it, whether the render finished or failed.
    // process() throws RenderError when the plug-in failed the block.
    virtual void start(const BlockSettings& settings, double sampleRate) = 0;
    virtual void process(float** inputs, float** outputs, int frames) = 0;
    virtual void stop() = 0;
};

// Loads the plug-in at `path` (a VST 2 library, a .clap file, an LV2 bundle
// folder or an LV2 URI) for the options' settings, checking those that need
// no rate. Throws UsageError or RenderError.
std::unique_ptr<RenderedPlugin> loadPlugin(const RenderOptions& options, const std::string& path);
