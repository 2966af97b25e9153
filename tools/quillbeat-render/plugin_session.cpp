#include "tools/quillbeat-render/plugin_session.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <string>

#include "tools/quillbeat-render/render_error.h"

namespace {

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string countText(int count, const char* singular, const char* plural) {
    if (count == 0) return std::string("no ") + plural;
    return std::to_string(count) + " " + (count == 1 ? singular : plural) + " (0 to " + std::to_string(count - 1) +
           ")";
}

}  // namespace

void prepareEffect(PluginModule& plugin, double sampleRate, int blockSize) {
    plugin.host().sampleRate = sampleRate;
    plugin.host().blockSize = blockSize;
    plugin.dispatch(effOpen);
    plugin.dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    plugin.dispatch(effSetBlockSize, 0, blockSize);
}

VstInt32 findParameter(PluginModule& plugin, std::string_view name) {
    const VstInt32 count = plugin.effect().numParams;
    std::vector<std::string> names;
    for (VstInt32 i = 0; i < count; ++i) names.emplace_back(trimmed(plugin.text(effGetParamName, i)));

    const std::string_view wanted = trimmed(name);
    for (VstInt32 i = 0; i < count; ++i) {
        if (names[static_cast<std::size_t>(i)] == wanted) return i;
    }
    VstInt32 caseless = -1;
    int caselessMatches = 0;
    for (VstInt32 i = 0; i < count; ++i) {
        if (sameIgnoringCase(names[static_cast<std::size_t>(i)], wanted)) {
            caseless = i;
            ++caselessMatches;
        }
    }
    if (caselessMatches == 1) return caseless;

    int index = -1;
    const auto [end, error] = std::from_chars(wanted.data(), wanted.data() + wanted.size(), index);
    if (error == std::errc() && end == wanted.data() + wanted.size() && !wanted.empty()) {
        if (index >= 0 && index < count) return index;
        throw UsageError("parameter index " + std::to_string(index) + " is out of range: the plug-in has " +
                          countText(count, "parameter", "parameters"));
    }

    if (count == 0) throw UsageError("unknown parameter '" + std::string(name) + "': the plug-in has no parameters");
    std::string list;
    for (const std::string& valid : names) list += (list.empty() ? "" : ", ") + valid;
    throw UsageError("unknown parameter '" + std::string(name) + "'; valid names: " + list);
}

void applySettings(PluginModule& plugin, std::optional<int> program, const std::vector<ParameterSetting>& parameters) {
    // Resolve every name before changing anything, so a mistake in the last
    // --param is reported before the plug-in has seen the first.
    std::vector<VstInt32> indices;
    for (const ParameterSetting& setting : parameters) indices.push_back(findParameter(plugin, setting.name));

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
    for (std::size_t i = 0; i < parameters.size(); ++i) effect.setParameter(&effect, indices[i], parameters[i].value);
}

ProcessingScope::ProcessingScope(PluginModule& plugin) : plugin(plugin) {
    plugin.dispatch(effMainsChanged, 0, 1);
    plugin.dispatch(effStartProcess);
}

ProcessingScope::~ProcessingScope() {
    plugin.dispatch(effStopProcess);
    plugin.dispatch(effMainsChanged, 0, 0);
}
