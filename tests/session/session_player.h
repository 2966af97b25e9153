// Plays the fixed session (session_script.h) through one new effect of a
// loaded plug-in, as a host does: only through the entry point and the record.
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

// Opens an effect through `entry`, checks its record, plays the session and
// closes it. Whatever does not hold is listed in `failures`.
SessionOutput playSession(PluginEntry entry);

// Plays the fixed session through a plug-in of another format, through the
// host library's interface: its description, then every parameter change,
// block, value in use and value text (the sweeps set each probe value and
// read its text). Programs are VST 2's alone and are passed over.
SessionOutput playInstanceSession(PluginInstance& instance);

// The entry point's contract: an effect through either exported name, and
// none for a host that answers the version query with 0. What does not hold
// is added to `failures`.
void checkEntryPoints(const PluginLibrary& library, std::vector<std::string>& failures);
