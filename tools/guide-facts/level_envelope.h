// How loud a render is from moment to moment, as the guide measures it: the
// RMS over the 10 ms that end at each frame, in decibels against the input's
// RMS over the same frames (0 dB: as loud as the input), and the pulses a
// listener hears in it.
#pragma once

#include <cstddef>
#include <vector>

// Below this, a level counts as silence.
inline constexpr double kSilenceDb = -80.0;

// One level per frame of `output`, from the frame where the first whole
// window ends: levels[i] is the window that ends at frame i + window - 1.
std::vector<double> levelEnvelope(const std::vector<float>& input, const std::vector<float>& output,
                                  std::size_t windowFrames);

// Where pulses are heard, as indexes into `levels`: a pulse is a rise of at
// least `riseDb` above the lowest level since the last pulse's top fell by
// as much, and is heard where the rise reaches that much.
std::vector<std::size_t> pulsesHeard(const std::vector<double>& levels, double riseDb);
