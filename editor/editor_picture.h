// Everything the editor's drawing needs, and nothing it must work out from a
// host: the values, the step being played, and where the user is. The model
// (editor_model.h) keeps it up to date; drawEditor draws it.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "effect/parameters.h"
#include "effect/quillbeat_core.h"

struct EditorPicture {
    // Each parameter as the host holds it, and as the effect uses it: in
    // "RANDOM" and "AUTO" the effect's picks differ from the host's values.
    std::array<float, kParameterCount> hostValues{};
    std::array<float, kParameterCount> valuesInUse{};
    // The step as last played, or none before the effect played a block.
    std::optional<StepView> step;
    // The rate the host plays at, for times and the tempo the steps play at.
    double sampleRate = 44100.0;
    // Beats a step, 1 or 2: the Tempo helper's last choice, 2 before any.
    int beatsPerStep = 2;

    // The control with the keyboard's focus (a parameter index), or none.
    std::optional<int> focused;
    // The control being dragged, if any.
    std::optional<int> dragged;
    // The text being typed into the focused control, or into the song's
    // tempo field, while the user types.
    std::optional<std::string> typedValue;
    bool songTempoFocused = false;
    std::string songTempoText;
    // What the Tempo helper last found for the typed song tempo: the drift
    // per bar in frames (negative: the steps run short), at the running rate.
    std::optional<double> songTempoDriftFrames;
    // A short message where the user asked for something the effect cannot
    // do ("a step is at most 44,100 frames: 0.92 s at 48 kHz"), or empty.
    std::string notice;
};
