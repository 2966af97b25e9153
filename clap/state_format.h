// The state the CLAP edition saves for a host's project: the parameter
// values, in a small format of our own.
//
//   bytes 0-3    "QBst"
//   bytes 4-7    format version, 1
//   bytes 8-11   number of values, 12
//   then         each value as a 32-bit IEEE float, in parameter order
//
// Numbers are little-endian whatever the machine, so a project moves between
// machines. The values are the effect's own floats, bit for bit, so a load
// followed by a save gives the same bytes.
#pragma once

#include <array>
#include <cstddef>

#include "abi/clap_abi.h"

// The effect's parameter count, fixed by format version 1 (the edition
// checks it against the parameter table).
inline constexpr std::size_t kStateValueCount = 12;
using StateValues = std::array<float, kStateValueCount>;

// Why a load was refused; the values in use stay as they were.
enum class StateError {
    none,
    streamFailed,   // the host's stream reported an error
    truncated,      // it ended early
    notOurs,        // another plug-in's state, or no state at all
    futureVersion,  // written by a later version of the plug-in
    wrongCount,
    tooLong,        // bytes after the last value
    badValue,       // outside 0..1, or not a number
};

struct LoadedState {
    StateError error;
    StateValues values;  // meaningful when error is none
};

// Both move as many bytes per call as the host's stream takes or gives.
bool saveState(const clap::clap_ostream& stream, const StateValues& values);
LoadedState loadState(const clap::clap_istream& stream);
