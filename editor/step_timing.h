// The step's length and what it means at the rate a host plays at, with the
// effect's own arithmetic: the grid counts frames at 44100 a second whatever
// the rate, so at another rate the steps play at another tempo.
#pragma once

#include <cstdint>

#include "effect/parameter_scales.h"
#include "effect/quillbeat_core.h"
#include "effect/step_clock.h"

// Frames of one step at a Tempo value, as the step clock counts them.
inline std::int32_t framesPerStepAt(float tempoValue) {
    const std::int32_t bpm = beatsPerMinute(tempoValue);
    return stepFrames(static_cast<float>(static_cast<double>(kStepGridSampleRate) * 120.0f / bpm));
}

// Frames between note starts within a step: the envelope's period.
inline std::int32_t notePeriodAt(float tempoValue, float notesValue) {
    return framesPerStepAt(tempoValue) / triggersPerStep(notesValue);
}

// Beats a minute that the steps really play at `sampleRate`, when each step
// is `beatsPerStep` beats.
inline double playedBeatsPerMinute(float tempoValue, double sampleRate, int beatsPerStep) {
    return beatsPerStep * 60.0 * sampleRate / framesPerStepAt(tempoValue);
}
