// The plug-in a render or --info plays, of any format, through the host
// library: loaded with the user's settings checked against it, told the
// render's rate and largest block and given the settings, then run from the
// render's start with the host's timeline moving on by each block.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "player/plugin_instance.h"
#include "tools/quillbeat-render/command_line.h"
#include "tools/quillbeat-render/plugin_settings.h"

// How the host's timeline runs during a render.
struct BlockSettings {
    int blockSize = 512;
    double start = 0.0;
    double hostBpm = 120.0;
    bool timeInfo = true;
};

// Loads the plug-in at `path` (a VST 2 library, a .clap file, an LV2 bundle
// folder or an LV2 URI) to run at `sampleRate` in blocks of the options',
// and reads and checks the options' settings for it into `settings`. Throws
// UsageError or RenderError.
std::unique_ptr<PluginInstance> loadPlugin(const RenderOptions& options, const std::string& path,
                                           double sampleRate, PluginSettings& settings);

// Tells the plug-in the rate and the largest block and gives it the
// settings. A VST 2 effect hears the rate and the block before the
// settings, and is resumed only when the render starts, as a DAW tells it;
// a plug-in of another format is activated here. Throws RenderError.
void preparePlugin(PluginInstance& plugin, const PluginSettings& settings, double sampleRate, int blockSize,
                   const std::string& path);

// Throws UsageError when the plug-in's format cannot be told the host
// positions of a render of `frames` frames (none: not known before the
// source ends) with these settings.
void checkPositions(const PluginInstance& plugin, const BlockSettings& settings, double sampleRate,
                    std::optional<std::int64_t> frames);

// The plug-in processing, from the settings' start, for the life of this
// object: stopped when it goes, whether the render finished or failed.
class PluginRun {
public:
    PluginRun(PluginInstance& plugin, const std::string& path, const BlockSettings& settings, double sampleRate);
    ~PluginRun();
    PluginRun(const PluginRun&) = delete;
    PluginRun& operator=(const PluginRun&) = delete;

    int inputs() const { return plugin.description().inputs; }
    int outputs() const { return plugin.description().outputs; }
    // One block at the timeline's position, which then moves on by its
    // frames. Throws RenderError when the plug-in failed the block, and
    // UsageError when a source of unknown length takes the timeline beyond
    // what the plug-in can be told.
    void process(float** inputs, float** outputs, int frames);

private:
    PluginInstance& plugin;
    const std::string& path;
    bool timeInfo;
    double start;
    std::int64_t done = 0;
    HostPosition position;
    // The furthest frame either side of 0 the plug-in can be told.
    double reach;
    double rate;
};
