// The user's settings for a plug-in: the program, the preset and the
// parameters of the options, checked against the loaded plug-in and given to
// it in that order, so that each wins over the values before it. Programs
// and presets are VST 2's alone.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "player/plugin_instance.h"
#include "presets/fxp_file.h"
#include "tools/quillbeat-render/command_line.h"

// A preset file as --preset names it.
struct PresetFile {
    std::string path;
    FxpPreset preset;
};

struct PluginSettings {
    std::optional<int> program;
    std::optional<PresetFile> preset;
    // The parameters of the options and each one's index.
    std::vector<ParameterSetting> parameters;
    std::vector<std::size_t> indices;
};

// Before the plug-in at `path` loads: refuses a program or a preset for a
// format that has none, and reads the preset file. Throws UsageError or
// RenderError.
PluginSettings readSettings(const RenderOptions& options, PluginFormat format, const std::string& path);

// Resolves every parameter name and checks every value, the preset and the
// program against the loaded plug-in, before it sees the first. Throws
// UsageError on an unknown parameter, a value outside its range or a program
// out of range, RenderError on a preset made for another plug-in or with a
// value outside 0 to 1.
void checkSettings(PluginSettings& settings, PluginInstance& plugin);

// Selects the program, then applies the preset, then the parameters.
void applySettings(PluginInstance& plugin, const PluginSettings& settings);

// The parameter a --param name stands for among the names a plug-in
// reports: the name (surrounding blanks ignored; case ignored when that is
// unambiguous), or an index. Throws UsageError that lists the valid names.
std::size_t parameterIndex(std::vector<std::string> names, std::string_view name);

// Throws UsageError when the setting's value is outside the parameter's
// range.
void checkParameterRange(const ParameterSetting& setting, double minimum, double maximum);
