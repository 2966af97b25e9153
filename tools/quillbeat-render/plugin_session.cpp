#include "tools/quillbeat-render/plugin_session.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <string>

#include "player/plugin_instance.h"
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
void checkPreset(PluginModule& plugin, const PresetFile& file) {
    const AEffect& effect = plugin.effect();
    const FxpPreset& preset = file.preset;
    if (preset.pluginId != static_cast<std::uint32_t>(effect.uniqueID)) {
        throw RenderError("preset " + file.path + " is for another plug-in: it names " +
                          fourCharText(static_cast<VstInt32>(preset.pluginId)) + ", this one is " +
                          fourCharText(effect.uniqueID));
    }
    if (preset.values.size() != static_cast<std::size_t>(effect.numParams)) {
        throw RenderError("preset " + file.path + " sets " + std::to_string(preset.values.size()) +
                          " parameters, but the plug-in has " + std::to_string(effect.numParams));
    }
    for (std::size_t i = 0; i < preset.values.size(); ++i) {
        const float value = preset.values[i];
        if (value >= 0.0f && value <= 1.0f) continue;
        // As many digits as tell this value from every other float: 1.0000001
        // is not shown as 1.
        char number[32];
        const auto written = std::to_chars(number, number + sizeof number, value);
        throw RenderError("preset " + file.path + " sets parameter " + std::to_string(i) + " (" +
                          std::string(trimmed(plugin.text(effGetParamName, static_cast<VstInt32>(i)))) + ") to " +
                          std::string(number, written.ptr) + ", outside 0 to 1");
    }
}

}  // namespace

std::optional<PresetFile> readPresetOption(const RenderOptions& options) {
    if (!options.preset) return std::nullopt;
    try {
        return PresetFile{*options.preset, readFxpFile(*options.preset)};
    } catch (const FxpError& error) {
        throw RenderError(error.what());
    }
}

void checkParameterRange(const ParameterSetting& setting, double minimum, double maximum) {
    if (setting.value >= minimum && setting.value <= maximum) return;
    char range[64];
    std::snprintf(range, sizeof range, "%g to %g", minimum, maximum);
    throw UsageError("--param " + setting.name + "=" + setting.text + " is outside " + range);
}

void prepareEffect(PluginModule& plugin, double sampleRate, int blockSize) {
    plugin.host().sampleRate = sampleRate;
    plugin.host().blockSize = blockSize;
    plugin.dispatch(effOpen);
    plugin.dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    plugin.dispatch(effSetBlockSize, 0, blockSize);
}

VstInt32 findParameter(PluginModule& plugin, std::string_view name) {
    std::vector<std::string> names;
    for (VstInt32 i = 0; i < plugin.effect().numParams; ++i) names.emplace_back(plugin.text(effGetParamName, i));
    return static_cast<VstInt32>(parameterIndex(names, name));
}

std::size_t parameterIndex(std::vector<std::string> names, std::string_view name) {
    const auto count = static_cast<VstInt32>(names.size());
    for (std::string& own : names) own = std::string(trimmed(own));

    const std::string_view wanted = trimmed(name);
    for (VstInt32 i = 0; i < count; ++i) {
        if (names[static_cast<std::size_t>(i)] == wanted) return static_cast<std::size_t>(i);
    }
    VstInt32 caseless = -1;
    int caselessMatches = 0;
    for (VstInt32 i = 0; i < count; ++i) {
        if (sameIgnoringCase(names[static_cast<std::size_t>(i)], wanted)) {
            caseless = i;
            ++caselessMatches;
        }
    }
    if (caselessMatches == 1) return static_cast<std::size_t>(caseless);

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

void applySettings(PluginModule& plugin, std::optional<int> program, const std::optional<PresetFile>& preset,
                   const std::vector<ParameterSetting>& parameters) {
    // Resolve every name before changing anything, so a mistake in the last
    // --param is reported before the plug-in has seen the first.
    std::vector<VstInt32> indices;
    for (const ParameterSetting& setting : parameters) {
        indices.push_back(findParameter(plugin, setting.name));
        checkParameterRange(setting, 0.0, 1.0);
    }
    if (preset) checkPreset(plugin, *preset);

    if (program) {
        const VstInt32 count = plugin.effect().numPrograms;
        if (*program >= count) {
            throw UsageError("program " + std::to_string(*program) + " is out of range: the plug-in has " +
                              countText(count, "program", "programs"));
        }
        plugin.dispatch(effBeginSetProgram);
        plugin.dispatch(effSetProgram, 0, *program);
        plugin.dispatch(effEndSetProgram);
    }
    AEffect& effect = plugin.effect();
    if (preset) {
        for (std::size_t i = 0; i < preset->preset.values.size(); ++i)
            effect.setParameter(&effect, static_cast<VstInt32>(i), preset->preset.values[i]);
    }
    for (std::size_t i = 0; i < parameters.size(); ++i)
        effect.setParameter(&effect, indices[i], static_cast<float>(parameters[i].value));
}
