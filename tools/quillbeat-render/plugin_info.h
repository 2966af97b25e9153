// What a plug-in reports about itself, as --info prints it: for a VST 2
// effect with what its record and its programs tell, for the other formats
// with each parameter's range.
#pragma once

#include <ostream>
#include <string>

#include "abi/vst2_abi.h"
#include "player/plugin_instance.h"

// Asks the plug-in, with the settings applied.
void printDescription(std::ostream& out, PluginInstance& plugin);

// A four-character code as text: the characters when all four are printable,
// the hex value always.
std::string fourCharText(VstInt32 code);

// The text with every control character shown as '?', so that a name read
// from a file cannot move the terminal's cursor or change its colours.
std::string printableText(std::string text);
