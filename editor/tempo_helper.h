// The Tempo helper: from the tempo of the user's song, the Tempo value whose
// steps come closest to it at the rate the host plays at, with one or two of
// the song's beats a step. The step grid counts frames whatever the rate,
// so the helper works with the effect's own arithmetic (step_timing.h).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "editor/value_ranges.h"

// One step length the Tempo values give, and the values that give it.
struct TempoStep {
    std::int32_t framesPerStep;
    ValueRange values;
};

// Every step length from Tempo 0 to 1, longest first.
std::span<const TempoStep> everyTempoStep();

// How far a 4/4 bar of the effect's steps ends from the song's bar, in
// frames at `sampleRate`: positive when the effect's bar is longer.
double driftPerBar(std::int32_t framesPerStep, int beatsPerStep, double songBeatsPerMinute, double sampleRate);

struct TempoChoice {
    float tempoValue;  // the middle of the values giving the step
    int beatsPerStep;  // 1 or 2
    std::int32_t framesPerStep;
    double driftFrames;  // per 4/4 bar, as driftPerBar
};

// The step with the least drift per bar over every step length with two
// beats a step, then one; on a tie the first found: two beats, and the
// longer step.
TempoChoice chooseTempo(double songBeatsPerMinute, double sampleRate);

// What the user must be told when no step of one or two beats can match the
// song at this rate, the chosen step being only the closest; empty when
// one can.
std::string tempoLimitNotice(double songBeatsPerMinute, double sampleRate);

// A song tempo as typed ("128", " 87.5 ", "140 bpm"): a number of beats a
// minute above 0, or none.
std::optional<double> songTempoOfText(std::string_view text);
