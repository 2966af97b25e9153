#include "tools/quillbeat-render/plugin_info.h"

#include <cstdint>
#include <cstdio>
#include <string_view>

namespace {

struct FlagName {
    VstInt32 flag;
    std::string_view name;
};
constexpr FlagName kFlagNames[] = {
    {effFlagsHasEditor, "editor"},
    {effFlagsHasClip, "clip"},
    {effFlagsHasVu, "vu"},
    {effFlagsCanMono, "mono"},
    {effFlagsCanReplacing, "replacing"},
    {effFlagsProgramChunks, "program-chunks"},
    {effFlagsIsSynth, "synth"},
    {effFlagsNoSoundInStop, "no-sound-in-stop"},
    {effFlagsExtIsAsync, "async"},
    {effFlagsExtHasBuffer, "buffer"},
    {effFlagsCanDoubleReplacing, "double-replacing"},
};

std::vector<std::string> programNames(PluginModule& plugin) {
    const VstInt32 count = plugin.effect().numPrograms;
    std::vector<std::string> names;
    bool answered = false;
    for (VstInt32 i = 0; i < count; ++i) {
        char buffer[512] = {};
        answered |= plugin.dispatch(effGetProgramNameIndexed, i, 0, buffer) != 0;
        buffer[sizeof buffer - 1] = '\0';
        names.emplace_back(buffer);
    }
    if (answered || count == 0) return names;

    const VstIntPtr current = plugin.dispatch(effGetProgram);
    for (VstInt32 i = 0; i < count; ++i) {
        plugin.dispatch(effSetProgram, 0, i);
        names[static_cast<std::size_t>(i)] = plugin.text(effGetProgramName);
    }
    plugin.dispatch(effSetProgram, 0, current);
    return names;
}

std::string trimmedRight(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
    return text;
}

}  // namespace

PluginDescription describePlugin(PluginModule& plugin) {
    AEffect& effect = plugin.effect();
    PluginDescription description;
    description.effectName = plugin.text(effGetEffectName);
    description.vendor = plugin.text(effGetVendorString);
    description.product = plugin.text(effGetProductString);
    description.vendorVersion = plugin.dispatch(effGetVendorVersion);
    description.pluginVersion = effect.version;
    description.vstVersion = plugin.dispatch(effGetVstVersion);
    description.uniqueId = effect.uniqueID;
    description.inputs = effect.numInputs;
    description.outputs = effect.numOutputs;
    description.flags = effect.flags;
    for (VstInt32 i = 0; i < effect.numParams; ++i) {
        description.parameters.push_back({plugin.text(effGetParamName, i), plugin.text(effGetParamDisplay, i),
                                          plugin.text(effGetParamLabel, i), effect.getParameter(&effect, i)});
    }
    description.programs = programNames(plugin);
    return description;
}

std::string fourCharText(VstInt32 code) {
    const auto bits = static_cast<std::uint32_t>(code);
    std::string characters;
    bool printable = true;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = static_cast<char>((bits >> shift) & 0xFFu);
        printable = printable && c >= 0x20 && c < 0x7F;
        characters += c;
    }
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", bits);
    return printable ? "'" + characters + "' (" + hex + ")" : std::string(hex);
}

std::string printableText(std::string text) {
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    }
    return text;
}

std::string flagNames(VstInt32 flags) {
    std::string names;
    VstInt32 known = 0;
    for (const FlagName& flag : kFlagNames) {
        known |= flag.flag;
        if ((flags & flag.flag) != 0) names += (names.empty() ? "" : ", ") + std::string(flag.name);
    }
    if ((flags & ~known) != 0) names += (names.empty() ? "" : ", ") + std::string("other bits");
    return names.empty() ? "none" : names;
}

void printDescription(std::ostream& out, const PluginDescription& d) {
    char flagsHex[16];
    std::snprintf(flagsHex, sizeof flagsHex, "0x%08X", static_cast<unsigned>(d.flags));
    out << "Name:        " << d.effectName << "\n"
        << "Vendor:      " << d.vendor << "\n"
        << "Product:     " << d.product << "\n"
        << "Version:     " << d.vendorVersion << " (plug-in version " << d.pluginVersion << ", VST " << d.vstVersion
        << ")\n"
        << "Unique ID:   " << fourCharText(d.uniqueId) << "\n"
        << "Inputs:      " << d.inputs << "\n"
        << "Outputs:     " << d.outputs << "\n"
        << "Flags:       " << flagsHex << " (" << flagNames(d.flags) << ")\n"
        << "Parameters:  " << d.parameters.size() << "\n";
    // One line each under a heading: index, name, the value as the plug-in
    // shows it with its label, and the value itself (0 to 1).
    constexpr const char* kParameterLine = "  %3s  %-16s %-20s %s";
    if (!d.parameters.empty()) {
        char heading[160];
        std::snprintf(heading, sizeof heading, kParameterLine, "#", "Name", "Shown as", "Value");
        out << heading << "\n";
    }
    for (std::size_t i = 0; i < d.parameters.size(); ++i) {
        const ParameterInfoLine& p = d.parameters[i];
        const std::string shown = trimmedRight(trimmedRight(p.display) + " " + trimmedRight(p.label));
        char line[160];
        char value[32];
        std::snprintf(value, sizeof value, "%.6g", static_cast<double>(p.value));
        std::snprintf(line, sizeof line, kParameterLine, std::to_string(i).c_str(), trimmedRight(p.name).c_str(),
                      shown.c_str(), value);
        out << line << "\n";
    }
    out << "Programs:    " << d.programs.size() << "\n";
    for (std::size_t i = 0; i < d.programs.size(); ++i) {
        char index[32];
        std::snprintf(index, sizeof index, "  %3zu  ", i);
        out << index << d.programs[i] << "\n";
    }
}
