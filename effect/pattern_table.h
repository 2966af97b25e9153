// The stored patterns of "AUTO" and the two weighted lists it picks from.
#pragma once

#include <array>
#include <cstdint>

#include "effect/parameters.h"

using EnvelopeValues = std::array<float, kEnvelopeParameterCount>;

// One row per pattern, in parameter order. Every pattern's fnotes equals its
// vnotes; the note values give 1, 2, 3, 4, 5, 6, 8 and 12 starts per step.
constexpr std::array<EnvelopeValues, 13> patternTable{{
    //   vA     vD1    vS      vD2    vnotes  fA     fD1    fS     fD2    fnotes
    {0.89f, 0.13f, 0.84f, 0.06f, 0.0f, 0.28f, 0.025f, 0.96f, 0.0f, 0.0f},
    {0.125f, 0.13f, 0.96f, 0.06f, 0.0f, 0.15f, 0.0f, 0.96f, 0.0f, 0.0f},
    {0.88f, 0.5f, 0.96f, 0.09f, 0.07f, 0.88f, 0.255f, 0.96f, 0.11f, 0.07f},
    {0.685f, 0.1f, 0.96f, 0.079f, 0.07f, 0.101f, 0.0f, 0.99f, 0.0f, 0.07f},
    {0.99f, 0.1f, 0.959f, 0.08f, 0.14f, 0.846f, 0.23f, 0.885f, 0.12f, 0.14f},
    {0.646f, 0.055f, 0.97f, 0.0f, 0.14f, 0.091f, 0.0f, 0.995f, 0.005f, 0.14f},
    {0.646f, 0.025f, 0.95f, 0.11f, 0.21f, 0.891f, 0.035f, 0.995f, 0.294f, 0.21f},
    {0.945f, 0.02f, 0.975f, 0.354f, 0.21f, 0.996f, 0.0f, 0.995f, 0.0f, 0.21f},
    {0.166f, 0.02f, 0.975f, 0.26f, 0.21f, 0.326f, 0.0f, 0.995f, 0.0f, 0.21f},
    {0.976f, 0.065f, 0.975f, 0.06f, 0.27f, 0.621f, 0.105f, 0.995f, 0.32f, 0.27f},
    {0.976f, 0.065f, 0.975f, 0.07f, 0.34f, 0.621f, 0.105f, 0.995f, 0.32f, 0.34f},
    {0.976f, 0.065f, 0.975f, 0.07f, 0.47f, 0.621f, 0.105f, 0.995f, 0.32f, 0.47f},
    {0.775f, 0.1f, 1.0f, 0.215f, 0.74f, 0.516f, 0.44f, 0.8f, 0.265f, 0.74f},
}};

// Pattern numbers by list index. Odd steps favour the plain patterns 0, 2
// and 4; even steps mostly 1 and 3, now and then a busier one. Patterns 5, 7
// and 8 are in neither list.
constexpr std::array<std::int32_t, 10> oddStepPicks{0, 0, 0, 0, 0, 2, 2, 2, 2, 4};
constexpr std::array<std::int32_t, 22> evenStepPicks{1, 1, 1, 1, 1, 1, 1, 1, 1, 3, 3,
                                                     3, 3, 3, 3, 3, 6, 6, 9, 10, 11, 12};

// An even-step search gives up after this many further draws and takes the
// last one, whatever its notes.
constexpr int kEvenStepExtraDraws = 11;
