// What each control and the step show: in "RANDOM" and "AUTO" the envelope
// values the effect picked, otherwise the host's; the mode and Tempo always
// as the host holds them, since the effect picks neither.
#pragma once

#include <array>

#include "editor/editor_picture.h"
#include "effect/parameter_scales.h"

inline bool valuesPickedByPlugin(const EditorPicture& picture) {
    return switchMode(picture.hostValues[kRndSw]) != SwitchMode::Manual;
}

inline float shownValue(const EditorPicture& picture, int parameter) {
    const auto index = static_cast<std::size_t>(parameter);
    return valuesPickedByPlugin(picture) && parameter < kEnvelopeParameterCount ? picture.valuesInUse[index]
                                                                                 : picture.hostValues[index];
}

inline std::array<float, kParameterCount> shownValues(const EditorPicture& picture) {
    std::array<float, kParameterCount> values{};
    for (int i = 0; i < kParameterCount; ++i) values[static_cast<std::size_t>(i)] = shownValue(picture, i);
    return values;
}
