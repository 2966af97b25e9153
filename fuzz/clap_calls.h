// A hostile CLAP host driven by bytes: every byte string is read as a session
// of calls on one instance of the CLAP edition, in any order (init again,
// activate at any rate, process with event lists of any shape, flush, reset,
// state through streams that fail in every way, deactivate, destroy and
// create anew). The fuzzer plays it through the edition linked in, the
// replay test through quillbeat.clap.
//
// Every event sits in a heap block of exactly the size its header claims
// (the header at least), and every audio channel holds exactly the block's
// frames, as a host keeps them: anything read beyond is the plug-in's
// overread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "abi/clap_abi.h"

// Plays one session against the plug-in of `entry` and destroys it. Returns
// an empty string when every check held, otherwise a description of the
// first one that did not.
std::string playClapCalls(const clap::clap_plugin_entry& entry, const std::uint8_t* data, std::size_t size);
