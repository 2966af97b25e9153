// A hostile LV2 host driven by bytes: every byte string is read as a session
// of one instance of the LV2 edition (transport port buffers holding any
// bytes, whatever sizes they claim; control values of any bits; restarts by
// deactivate and activate). The fuzzer plays it through the glue linked in,
// the replay test through the bundle's library.
//
// The transport buffer of each block is a heap block of exactly the bytes
// the input gives, and the sequence's own size always fits it, as a host
// keeps it: anything read beyond is the plug-in's overread.
#pragma once

#include <lv2/core/lv2.h>

#include <cstddef>
#include <cstdint>
#include <string>

// Plays one session against a new instance of `descriptor` and frees it.
// Returns an empty string when every check held, otherwise a description of
// the first one that did not.
std::string playLv2Messages(const LV2_Descriptor& descriptor, const std::uint8_t* data, std::size_t size);
