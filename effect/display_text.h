// The value text a parameter shows for a value, from the value alone: what
// the effect writes for the value it holds, and what an edition writes for a
// value its host asks about, without touching any effect.
#pragma once

// Writes the text of parameter `index` (0 to 11) at `value` into `text`, at
// most 8 characters with zeros up to and including the ninth byte; for any
// other index writes nothing.
void displayText(int index, float value, char* text);
