// A setting as a listener meets it: played by the plug-in on the guide's
// sawtooth from where the gallery's pictures start, and measured by its
// 10-ms levels (level_envelope.h).
#pragma once

#include <array>
#include <optional>
#include <vector>

#include "effect/parameters.h"

using ParameterValues = std::array<float, kParameterCount>;

struct LevelMeasure {
    // How often a beat the sound comes back, louder or brighter: rises of
    // kPulseRiseDb in the level of its changes from sample to sample, which
    // follows both its loudness and its brightness. Two beats a step.
    double pulsesPerBeat;
    double lowestDb;  // the 10-ms level against the input's
    double peakDb;
    std::vector<double> levels;  // one a frame of the measured steps
};

inline constexpr double kPulseRiseDb = 6.0;

// Plays `values` (Tempo included) on the guide's sawtooth, for a step that
// settles it, `steps` measured steps and one more, and measures the middle
// ones.
LevelMeasure measureSetting(const ParameterValues& values, int steps);

// Two settings a listener can tell apart on the same input: their pulses
// per beat differ, or their 10-ms levels differ by more than 3 dB somewhere
// (levels below kQuietDb count as kQuietDb). Both are measured as given,
// Tempo included.
bool soundApart(const LevelMeasure& a, const LevelMeasure& b);
inline constexpr double kQuietDb = -40.0;

// The fastest Tempo, as the BPM it shows, at which `values` keeps the shape
// it has at its own Tempo: the same pulses per beat, and a volume (its 10-ms
// level on a steady input, with the filter held open) whose lowest stays
// within 3 dB and whose peak within 1 dB (levels below kQuietDb count as
// kQuietDb). Tempi are tried up to kFastestTried; none when it keeps its
// shape up to there.
std::optional<int> keepsItsShapeUpTo(const ParameterValues& values);
// Twice the slowest song tempo the guide's Tempo lookup has a value for.
inline constexpr int kFastestTried = 240;
