// The effect's twelve parameters, declared once: index, display name and
// initial value. The value-text kind says how the host's generic view shows
// the stored value.
#pragma once

#include <array>
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

struct ParameterInfo {
    std::string_view name;
    float initialValue;
    ValueText valueText;
};

constexpr std::array<ParameterInfo, kParameterCount> kParameterTable{{
    {"vA", 1.0f, ValueText::Number},
    {"vD1", 0.0f, ValueText::Number},
    {"vS", 0.0f, ValueText::Number},
    {"vD2", 0.0f, ValueText::Number},
    {"vnotes", 0.0f, ValueText::TriggerCount},
    {"fA", 1.0f, ValueText::Number},
    {"fD1", 0.0f, ValueText::Number},
    {"fS", 0.0f, ValueText::Number},
    {"fD2", 0.0f, ValueText::Number},
    {"fnotes", 0.0f, ValueText::TriggerCount},
    {"RndSw", 1.0f, ValueText::SwitchMode},
    {"Tempo", kInitialTempo, ValueText::BeatsPerMinute},
}};

// Every parameter shows the same label of two blanks.
constexpr std::string_view kParameterLabel = "  ";
