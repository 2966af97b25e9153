// Plays the fixed session (session_script.h) through one new plug-in, as a
// host does: only through its binary interface.
#pragma once

#include <string>
#include <vector>

#include "player/plugin_instance.h"
#include "player/plugin_library.h"

struct SessionOutput {
    std::string report;  // record, texts and parameter values, block by block
    std::string audio;   // every output sample, left then right per block, raw float bits
    std::vector<std::string> failures;
    int blocks = 0;
    long long frames = 0;

    bool operator==(const SessionOutput& other) const {
        return report == other.report && audio == other.audio;
    }
};

// Plays the fixed session through a plug-in of any format, through the host
// library's interface: its description, then every parameter change, block,
// value in use and value text (the sweeps set each probe value and read its
// text). A VST 2 effect's record is checked first, its product and programs
// written down, its programs selected and renamed, and the requests it
// makes counted; programs are passed over for the other formats. Whatever
// does not hold is listed in `failures`.
SessionOutput playSession(PluginInstance& plugin);

// The entry point's contract: an effect through either exported name, and
// none for a host that answers the version query with 0. What does not hold
// is added to `failures`.
void checkEntryPoints(const PluginLibrary& library, std::vector<std::string>& failures);
