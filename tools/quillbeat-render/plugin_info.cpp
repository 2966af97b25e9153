#include "tools/quillbeat-render/plugin_info.h"

#include <cstdint>
#include <cstdio>
#include <string_view>

#include "player/vst2_instance.h"

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

// The names of the set flags, e.g. "replacing, double-replacing".
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

std::string trimmedRight(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
    return text;
}

// A VST 2 effect: its record, its product and versions, its programs.
void printVst2(std::ostream& out, Vst2Instance& plugin) {
    const InstanceDescription& d = plugin.description();
    const Vst2Details details = plugin.details();
    char flagsHex[16];
    std::snprintf(flagsHex, sizeof flagsHex, "0x%08X", static_cast<unsigned>(details.flags));
    out << "Name:        " << d.name << "\n"
        << "Vendor:      " << d.vendor << "\n"
        << "Product:     " << details.product << "\n"
        << "Version:     " << details.vendorVersion << " (plug-in version " << details.pluginVersion << ", VST "
        << details.vstVersion << ")\n"
        << "Unique ID:   " << fourCharText(details.uniqueId) << "\n"
        << "Inputs:      " << d.inputs << "\n"
        << "Outputs:     " << d.outputs << "\n"
        << "Flags:       " << flagsHex << " (" << flagNames(details.flags) << ")\n"
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
        char line[160];
        char value[32];
        std::snprintf(value, sizeof value, "%.6g", plugin.valueInUse(i));
        std::snprintf(line, sizeof line, kParameterLine, std::to_string(i).c_str(),
                      trimmedRight(d.parameters[i].name).c_str(), plugin.valueText(i).c_str(), value);
        out << line << "\n";
    }
    // Last: an effect without the indexed request is stepped through them.
    const std::vector<std::string> programs = plugin.programNames();
    out << "Programs:    " << programs.size() << "\n";
    for (std::size_t i = 0; i < programs.size(); ++i) {
        char index[32];
        std::snprintf(index, sizeof index, "  %3zu  ", i);
        out << index << programs[i] << "\n";
    }
}

}  // namespace

void printDescription(std::ostream& out, PluginInstance& plugin) {
    if (auto* vst2 = dynamic_cast<Vst2Instance*>(&plugin)) return printVst2(out, *vst2);
    const InstanceDescription& d = plugin.description();
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
        std::snprintf(value, sizeof value, "%.6g", plugin.valueInUse(i));
        std::snprintf(range, sizeof range, "%g to %g", p.minimum, p.maximum);
        std::snprintf(line, sizeof line, kParameterLine, std::to_string(i).c_str(), printableText(p.name).c_str(),
                      printableText(plugin.valueText(i)).c_str(), value, range);
        out << line << "\n";
    }
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
