// A hostile host driven by bytes: every byte string is read as a
// sequence of requests through the effect's record (dispatcher requests with
// any opcode, index, value and float; parameter writes with any float;
// processing of any frame count with any time information, or none; close
// and re-open). The fuzzer feeds it arbitrary input; the replay test feeds it
// the committed corpus and every input that once found a fault.
//
// Pointers the effect receives are null or point into guarded buffers that
// are exactly as large as the interface promises for the request, so a write
// or read beyond that size is caught. Pointers whose records the host owns
// (events, chunks, speaker arrangements, ...) are null or point to zeroed
// records, never to arbitrary memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "player/effect_host.h"

// Plays one run of requests against the plug-in behind `entry`, through the
// tests' recording host, and closes every effect it opened. Returns an empty
// string when every check held, otherwise a description of the first one
// that did not.
std::string playHostileRequests(PluginEntry entry, const std::uint8_t* data, std::size_t size);
