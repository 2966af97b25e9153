// What a plug-in reports about itself, as --info prints it.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "tools/quillbeat-render/plugin_module.h"

struct ParameterInfoLine {
    std::string name;
    std::string display;  // the value as the plug-in shows it
    std::string label;
    float value = 0.0f;
};

struct PluginDescription {
    std::string effectName;
    std::string vendor;
    std::string product;
    VstIntPtr vendorVersion = 0;
    VstInt32 pluginVersion = 0;  // the version in its record
    VstIntPtr vstVersion = 0;
    VstInt32 uniqueId = 0;
    VstInt32 inputs = 0;
    VstInt32 outputs = 0;
    VstInt32 flags = 0;
    std::vector<ParameterInfoLine> parameters;
    std::vector<std::string> programs;
};

// Asks the open effect. Program names come from the indexed request; a
// plug-in that does not answer it is stepped through its programs, and left
// on the one it was on.
PluginDescription describePlugin(PluginModule& plugin);

// A four-character code as text: the characters when all four are printable,
// the hex value always.
std::string fourCharText(VstInt32 code);

// The text with every control character shown as '?', so that a name read
// from a file cannot move the terminal's cursor or change its colours.
std::string printableText(std::string text);

// The names of the set flags, e.g. "replacing, double-replacing".
std::string flagNames(VstInt32 flags);

void printDescription(std::ostream& out, const PluginDescription& description);
