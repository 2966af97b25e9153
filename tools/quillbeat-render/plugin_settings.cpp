#include "tools/quillbeat-render/plugin_settings.h"

#include <charconv>
#include <cstdio>
#include <string>

#include "player/vst2_instance.h"
#include "tools/quillbeat-render/plugin_info.h"
#include "tools/quillbeat-render/render_error.h"

namespace {

std::string countText(int count, const char* singular, const char* plural) {
    if (count == 0) return std::string("no ") + plural;
    return std::to_string(count) + " " + (count == 1 ? singular : plural) + " (0 to " + std::to_string(count - 1) +
           ")";
}

// The preset must be for this plug-in and hold a value from 0 to 1 for each
// of its parameters, as --param must.
void checkPreset(Vst2Instance& plugin, const PresetFile& file) {
    const FxpPreset& preset = file.preset;
    const VstInt32 uniqueId = plugin.record().uniqueID;
    if (preset.pluginId != static_cast<std::uint32_t>(uniqueId)) {
        throw RenderError("preset " + file.path + " is for another plug-in: it names " +
                          fourCharText(static_cast<VstInt32>(preset.pluginId)) + ", this one is " +
                          fourCharText(uniqueId));
    }
    if (preset.values.size() != plugin.parameterCount()) {
        throw RenderError("preset " + file.path + " sets " + std::to_string(preset.values.size()) +
                          " parameters, but the plug-in has " + std::to_string(plugin.parameterCount()));
    }
    for (std::size_t i = 0; i < preset.values.size(); ++i) {
        const float value = preset.values[i];
        if (value >= 0.0f && value <= 1.0f) continue;
        // As many digits as tell this value from every other float: 1.0000001
        // is not shown as 1.
        char number[32];
        const auto written = std::to_chars(number, number + sizeof number, value);
        throw RenderError("preset " + file.path + " sets parameter " + std::to_string(i) + " (" +
                          std::string(trimmed(plugin.description().parameters[i].name)) + ") to " +
                          std::string(number, written.ptr) + ", outside 0 to 1");
    }
}

}  // namespace

PluginSettings readSettings(const RenderOptions& options, PluginFormat format, const std::string& path) {
    if (format != PluginFormat::vst2) {
        const std::string is = path + " is " + formatName(format);
        if (options.program) throw UsageError("--program works with VST 2 plug-ins; " + is);
        if (options.preset) throw UsageError("--preset works with VST 2 plug-ins; " + is);
    }
    PluginSettings settings{options.program, std::nullopt, options.parameters, {}};
    if (options.preset) {
        try {
            settings.preset = PresetFile{*options.preset, readFxpFile(*options.preset)};
        } catch (const FxpError& error) {
            throw RenderError(error.what());
        }
    }
    return settings;
}

void checkSettings(PluginSettings& settings, PluginInstance& plugin) {
    const std::vector<ParameterDescription>& parameters = plugin.description().parameters;
    std::vector<std::string> names;
    for (const ParameterDescription& parameter : parameters) names.push_back(parameter.name);
    settings.indices.clear();
    for (const ParameterSetting& setting : settings.parameters) {
        const std::size_t index = parameterIndex(names, setting.name);
        checkParameterRange(setting, parameters[index].minimum, parameters[index].maximum);
        settings.indices.push_back(index);
    }
    auto* vst2 = dynamic_cast<Vst2Instance*>(&plugin);
    if (settings.preset && vst2 != nullptr) checkPreset(*vst2, *settings.preset);
    if (settings.program && vst2 != nullptr && *settings.program >= vst2->programCount()) {
        throw UsageError("program " + std::to_string(*settings.program) + " is out of range: the plug-in has " +
                         countText(vst2->programCount(), "program", "programs"));
    }
}

void applySettings(PluginInstance& plugin, const PluginSettings& settings) {
    if (auto* vst2 = dynamic_cast<Vst2Instance*>(&plugin)) {
        if (settings.program) vst2->selectProgram(*settings.program);
        if (settings.preset) {
            const std::vector<float>& values = settings.preset->preset.values;
            for (std::size_t i = 0; i < values.size(); ++i) plugin.setValue(i, values[i]);
        }
    }
    for (std::size_t i = 0; i < settings.parameters.size(); ++i)
        plugin.setValue(settings.indices[i], settings.parameters[i].value);
}

void checkParameterRange(const ParameterSetting& setting, double minimum, double maximum) {
    if (setting.value >= minimum && setting.value <= maximum) return;
    char range[64];
    std::snprintf(range, sizeof range, "%g to %g", minimum, maximum);
    throw UsageError("--param " + setting.name + "=" + setting.text + " is outside " + range);
}

std::size_t parameterIndex(std::vector<std::string> names, std::string_view name) {
    const auto count = static_cast<int>(names.size());
    for (std::string& own : names) own = std::string(trimmed(own));

    const std::string_view wanted = trimmed(name);
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == wanted) return i;
    }
    std::size_t caseless = 0;
    int caselessMatches = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (sameIgnoringCase(names[i], wanted)) {
            caseless = i;
            ++caselessMatches;
        }
    }
    if (caselessMatches == 1) return caseless;

    int index = -1;
    const auto [end, error] = std::from_chars(wanted.data(), wanted.data() + wanted.size(), index);
    if (error == std::errc() && end == wanted.data() + wanted.size() && !wanted.empty()) {
        if (index >= 0 && index < count) return static_cast<std::size_t>(index);
        throw UsageError("parameter index " + std::to_string(index) + " is out of range: the plug-in has " +
                         countText(count, "parameter", "parameters"));
    }

    if (count == 0) throw UsageError("unknown parameter '" + std::string(name) + "': the plug-in has no parameters");
    std::string list;
    for (const std::string& valid : names) list += (list.empty() ? "" : ", ") + valid;
    throw UsageError("unknown parameter '" + std::string(name) + "'; valid names: " + list);
}
