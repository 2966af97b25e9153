// Parameter values and their texts, both ways, from the parameter table
// alone: what a CLAP host shows and what an editor reads from the user's
// typing. No effect is asked, so a host may ask on any thread while the
// effect plays.
#pragma once

#include <cstdint>
#include <optional>

// The VST 2 value text of that value followed by the label, cut to fit
// `size` bytes with its terminator. False for an index outside 0..11 or no
// room.
bool writeValueText(int index, double value, char* text, std::uint32_t size);

// The value whose text a host shows, from such a text (blanks around it, and
// the switch's words in any letter case, are welcome). A number between two
// texts gives the first value at or above it, and one beyond the range its
// end. None for an index outside 0..11 or a text that is no number or word
// the parameter shows.
std::optional<float> valueOfText(int index, const char* text);
