// The effect's twelve parameters, declared once: index, display name,
// symbol, initial value, unit and scale points. The VST 2 texts, the other
// plug-in formats' descriptions and the guide all read them from here. The
// value-text kind says how the host's generic view shows the stored value.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <span>
#include <string_view>

enum ParameterIndex : int {
    kVA = 0,
    kVD1,
    kVS,
    kVD2,
    kVNotes,
    kFA,
    kFD1,
    kFS,
    kFD2,
    kFNotes,
    kRndSw,
    kTempo,
    kParameterCount
};

// Parameters 0 to 9 shape the two envelopes; programs and the pattern
// selection write exactly these.
constexpr int kEnvelopeParameterCount = 10;

// 0.24 as the nearest float (0x3E75C28F): 140 beats per minute.
constexpr float kInitialTempo = 0.24f;

enum class ValueText { Number, TriggerCount, SwitchMode, BeatsPerMinute };

// Every parameter is stored as the host sends it, from 0 to 1.
constexpr float kParameterMinimum = 0.0f;
constexpr float kParameterMaximum = 1.0f;

// The break levels are fractions of the full level: a coefficient. The other
// values map to rates, counts and tempi by curves of their own, which no
// plug-in format's unit describes.
enum class ParameterUnit { None, Coefficient };

// A value a parameter is meant to take, and what it is called there.
struct ScalePoint {
    float value;
    std::string_view label;
};

// The switch's modes in order ("MANUAL" is 0), each with the value that
// selects it: RndSw * 2.9 truncated.
constexpr ScalePoint kSwitchModes[] = {{0.0f, "MANUAL"}, {0.5f, "RANDOM"}, {1.0f, "AUTO"}};

struct ParameterInfo {
    std::string_view name;
    // The name for formats that need one of letters, digits and underscores,
    // stored in hosts' sessions: never to change.
    std::string_view symbol;
    float initialValue;
    ValueText valueText;
    ParameterUnit unit = ParameterUnit::None;
    std::span<const ScalePoint> scalePoints = {};
};

constexpr std::array<ParameterInfo, kParameterCount> kParameterTable{{
    {"vA", "vA", 1.0f, ValueText::Number},
    {"vD1", "vD1", 0.0f, ValueText::Number},
    {"vS", "vS", 0.0f, ValueText::Number, ParameterUnit::Coefficient},
    {"vD2", "vD2", 0.0f, ValueText::Number},
    {"vnotes", "vnotes", 0.0f, ValueText::TriggerCount},
    {"fA", "fA", 1.0f, ValueText::Number},
    {"fD1", "fD1", 0.0f, ValueText::Number},
    {"fS", "fS", 0.0f, ValueText::Number, ParameterUnit::Coefficient},
    {"fD2", "fD2", 0.0f, ValueText::Number},
    {"fnotes", "fnotes", 0.0f, ValueText::TriggerCount},
    {"RndSw", "RndSw", 1.0f, ValueText::SwitchMode, ParameterUnit::None, kSwitchModes},
    {"Tempo", "Tempo", kInitialTempo, ValueText::BeatsPerMinute},
}};

// What a value from a plug-in format's host becomes in the core: held to 0
// to 1, as a float, and one that is not a number taken as the parameter's
// initial value. Those formats' ranges are only advice to their hosts, and
// the core stores what it is given. `index` must be 0 to 11.
inline float valueFromHost(int index, double value) {
    if (std::isnan(value)) return kParameterTable[static_cast<std::size_t>(index)].initialValue;
    return static_cast<float>(std::clamp(value, double{kParameterMinimum}, double{kParameterMaximum}));
}

// Every parameter shows the same label of two blanks.
constexpr std::string_view kParameterLabel = "  ";
