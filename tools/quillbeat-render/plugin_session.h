// The order in which a DAW talks to a VST 2 effect before processing: open,
// sample rate, maximum block size, the user's program and parameters (then
// resume and start processing, and afterwards stop processing and suspend:
// rendered_plugin.cpp). Closing is the module's job.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "presets/fxp_file.h"
#include "tools/quillbeat-render/command_line.h"
#include "tools/quillbeat-render/plugin_module.h"

// Opens the effect and tells it the rate and the largest block to come.
void prepareEffect(PluginModule& plugin, double sampleRate, int blockSize);

// The parameter a --param name stands for: the name as the plug-in reports
// it (surrounding blanks ignored; case ignored when that is unambiguous), or
// an index. Throws UsageError that lists the valid names.
VstInt32 findParameter(PluginModule& plugin, std::string_view name);
// The same among the names a plug-in of any format reports.
std::size_t parameterIndex(std::vector<std::string> names, std::string_view name);

// Throws UsageError when the setting's value is outside the parameter's
// range.
void checkParameterRange(const ParameterSetting& setting, double minimum, double maximum);

// A preset file as --preset names it.
struct PresetFile {
    std::string path;
    FxpPreset preset;
};

// Reads the file that --preset names, if any. Throws RenderError.
std::optional<PresetFile> readPresetOption(const RenderOptions& options);

// Selects the program first, then applies the preset, then the parameters,
// so that each wins over the values before it. Throws UsageError on a
// program out of range or an unknown parameter, RenderError on a preset made
// for another plug-in or with a value outside 0 to 1.
void applySettings(PluginModule& plugin, std::optional<int> program, const std::optional<PresetFile>& preset,
                   const std::vector<ParameterSetting>& parameters);
