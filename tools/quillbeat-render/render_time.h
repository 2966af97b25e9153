// A moment of a render as messages name it.
#pragma once

#include <cstdint>
#include <string>

// The time of `frame` from the start of the render, as minutes, seconds
// and tenths: "0:03.2", "75:00.0". The tenths are cut, not rounded, so the
// time shown is never after the frame.
std::string renderTimeText(std::int64_t frame, double sampleRate);
