// The factory presets: the library of settings that ships beside the plug-in
// as VST 2 preset files (presets/), in the LV2 bundle (lv2/generate_turtle)
// and as the gallery at the end of the user's guide. This table is their one
// source. The plug-in itself does not hold them: its 16 programs stay as
// they are.
//
// Every value sits well inside its range, so that a host's rounding cannot
// tip it over: a note count is the middle of the values that show it, and a
// tempo is the middle of the Tempo values that show it, chosen among the
// tempi whose step is a whole number of samples at 44.1 kHz, so that the
// rhythm does not drift against a song at that tempo. factory_presets_test
// checks both against the plug-in's own value texts.
#pragma once

#include <array>
#include <string_view>

#include "effect/identity.h"
#include "effect/parameters.h"

// The plug-in the preset files are for: its unique ID and the version in its
// record. The preset tests check both against the built plug-in.
inline constexpr std::string_view kPresetPluginId = kVst2UniqueId;
inline constexpr int kPresetPluginVersion = 1;

// RndSw values for the three modes, each in the middle of the mode's range.
inline constexpr float kSwitchManual = 0.0f;
inline constexpr float kSwitchRandom = 0.5f;
inline constexpr float kSwitchAuto = 1.0f;

// The note-count value that shows `count` notes per step: the value text is
// 1 + 15 x value cut to a whole number, so the middle is (count - 0.5) / 15.
// 16 notes only show for exactly 1, which is why no preset asks for 16.
constexpr float notesValue(int count) { return static_cast<float>((count - 0.5) / 15.0); }

// The Tempo value in the middle of those that show `bpm`: the text is
// 120 + 360 x Tempo^2 cut to a whole number, so the middle is
// sqrt((bpm - 119.5) / 360). Newton's method, as std::sqrt is not constexpr.
constexpr float tempoValue(int bpm) {
    const double square = (bpm - 119.5) / 360.0;
    double root = 1.0;
    for (int i = 0; i < 60; ++i) root = (root + square / root) / 2.0;
    return static_cast<float>(root);
}

// The twelve values of a preset by name; each defaults to the plain gate
// that the programs set (full attack, no decay, one note per step).
struct PresetValues {
    float vA = 1.0f;
    float vD1 = 0.0f;
    float vS = 0.0f;
    float vD2 = 0.0f;
    float vnotes = notesValue(1);
    float fA = 1.0f;
    float fD1 = 0.0f;
    float fS = 0.0f;
    float fD2 = 0.0f;
    float fnotes = notesValue(1);
    float RndSw = kSwitchManual;
    float Tempo = tempoValue(140);

    constexpr std::array<float, kParameterCount> inParameterOrder() const {
        std::array<float, kParameterCount> values{};
        values[kVA] = vA;
        values[kVD1] = vD1;
        values[kVS] = vS;
        values[kVD2] = vD2;
        values[kVNotes] = vnotes;
        values[kFA] = fA;
        values[kFD1] = fD1;
        values[kFS] = fS;
        values[kFD2] = fD2;
        values[kFNotes] = fnotes;
        values[kRndSw] = RndSw;
        values[kTempo] = Tempo;
        return values;
    }
};

struct FactoryPreset {
    std::string_view slug;         // file name and LV2 URI: lower case, digits and '-'
    std::string_view name;         // what hosts list: at most 23 characters
    std::string_view suits;        // what it is for: pads, bass, drums
    std::string_view description;  // one sentence for the guide's gallery
    PresetValues values;
};

// Rates move a level by about rate^2 / 256 a sample, so a whole rise or fall
// takes 256 / rate^2 samples; the comments give that time at 44.1 kHz. A
// step is two beats: 1 note a step is a half note, 2 are quarter notes, 4
// eighths, 8 sixteenths, 3, 6 and 12 triplets. The guide's table of the
// presets measures each one (tools/guide-facts), and fails when two of them
// sound alike.
//
// Hosts keep a preset by its slug: a preset that goes takes its slug with
// it, and a new one never reuses an old slug. Gone so far: eighths-90 and
// triplets-100 (Quarter gate and Quarter triplets at another Tempo),
// random-120 and auto-175 (Random 140 and Auto 140 at another Tempo).
inline constexpr std::array kFactoryPresets{
    FactoryPreset{"half-time-gate", "Half-time gate", "pads, bass and drums",
                  "One hard note every two beats that fades before the next beat: a half-time feel, on beats 1 "
                  "and 3.",
                  // fades in 0.4 s of a 0.86 s step
                  {.vD1 = 0.12f}},
    FactoryPreset{"quarter-gate", "Quarter gate", "pads, bass and drums",
                  "Quarter notes that start hard and fade to silence by about two thirds of the beat.",
                  // fades in 0.3 s of a 0.48 s beat
                  {.vD1 = 0.14f, .vnotes = notesValue(2), .fnotes = notesValue(2), .Tempo = tempoValue(125)}},
    FactoryPreset{"eighth-gate", "Eighth gate", "pads, bass and drums",
                  "The classic trance gate: eighth notes, each cut off well before the next.",
                  // fades in 0.14 s of a 0.21 s eighth
                  {.vD1 = 0.2f, .vnotes = notesValue(4), .fnotes = notesValue(4)}},
    FactoryPreset{"sixteenth-gate", "Sixteenth gate", "pads and drums",
                  "Busy sixteenth notes, short and tight, for driving pads and hi-hat loops.",
                  // fades in 60 ms of a 0.11 s sixteenth
                  {.vD1 = 0.3f, .vnotes = notesValue(8), .fnotes = notesValue(8)}},
    FactoryPreset{"quarter-triplets", "Quarter triplets", "pads and bass",
                  "Three notes over two beats against the bar, each fading slowly.",
                  // fades in 0.23 s of a 0.32 s note
                  {.vD1 = 0.16f, .vnotes = notesValue(3), .fnotes = notesValue(3), .Tempo = tempoValue(126)}},
    FactoryPreset{"triplet-gate", "Triplet gate", "pads, bass and drums",
                  "Eighth-note triplets: a shuffling gate for rolling grooves.",
                  // fades in 90 ms of a 0.14 s note
                  {.vD1 = 0.26f, .vnotes = notesValue(6), .fnotes = notesValue(6)}},
    FactoryPreset{"stutter", "Stutter", "drums and pads",
                  "Twelve short blips a step at drum-and-bass tempo: a machine-gun stutter.",
                  // fades in 20 ms of a 57 ms note
                  {.vD1 = 0.55f, .vnotes = notesValue(12), .fnotes = notesValue(12), .Tempo = tempoValue(175)}},
    FactoryPreset{"stuttered-note", "Stuttered note", "drums and pads",
                  "One note every two beats that stutters as it fades: the filter snaps open twelve times a "
                  "step, and the note is gone by the second beat.",
                  // the note fades in 0.4 s of a 0.86 s step; the filter opens in 6 ms and closes to 0.02 in
                  // 23 ms of every 71 ms
                  {.vD1 = 0.12f, .fD1 = 0.5f, .fS = 0.02f, .fnotes = notesValue(12)}},
    FactoryPreset{"pump", "Pump", "pads and bass",
                  "Ducks on every beat and swells back, like a compressor keyed by a kick; it nearly erases a "
                  "hit on the beat.",
                  // rises in 0.2 s, then holds
                  {.vA = 0.17f, .vnotes = notesValue(2), .fnotes = notesValue(2), .Tempo = tempoValue(125)}},
    FactoryPreset{"eighth-pump", "Eighth pump", "pads and bass",
                  "A faster pump on every eighth note, for a breathing, bouncing pad; it nearly erases a hit on "
                  "the beat.",
                  // rises in 0.11 s of a 0.24 s eighth, then holds
                  {.vA = 0.23f, .vnotes = notesValue(4), .fnotes = notesValue(4), .Tempo = tempoValue(125)}},
    FactoryPreset{"slow-swell", "Slow swell", "pads",
                  "Fades in over most of two beats while the filter opens: a pad that breathes in.",
                  // rises in 0.9 s of a 1 s step; the filter opens in 0.7 s
                  {.vA = 0.08f, .fA = 0.09f, .Tempo = tempoValue(120)}},
    FactoryPreset{"filter-sweep", "Filter sweep", "pads and bass",
                  "The volume stays; the filter opens over a third of a second and closes again, every two beats.",
                  // opens in 0.34 s, closes to 0.02 in the rest of the 0.86 s step
                  {.fA = 0.13f, .fD1 = 0.11f, .fS = 0.02f}},
    FactoryPreset{"filter-eighths", "Filter eighths", "pads and bass",
                  "A filter that snaps open on each eighth note and closes part way: a wah that leaves the "
                  "volume almost steady.",
                  // opens in 23 ms, closes to 0.2 in 0.12 s
                  {.fA = 0.5f, .fD1 = 0.2f, .fS = 0.2f, .fnotes = notesValue(4)}},
    FactoryPreset{"filter-triplets", "Filter triplets", "pads and bass",
                  "Quarter-note pulses in the volume against triplets in the filter.",
                  {.vD1 = 0.12f,
                   .vS = 0.3f,
                   .vnotes = notesValue(2),
                   .fA = 0.6f,
                   .fD1 = 0.25f,
                   .fS = 0.08f,
                   .fnotes = notesValue(6),
                   .Tempo = tempoValue(126)}},
    FactoryPreset{"plucked-eighths", "Plucked eighths", "pads and bass",
                  "Eighth notes that fade and darken together, turning a pad into a plucked sequence.",
                  {.vD1 = 0.22f,
                   .vnotes = notesValue(4),
                   .fA = 0.8f,
                   .fD1 = 0.35f,
                   .fS = 0.1f,
                   .fD2 = 0.05f,
                   .fnotes = notesValue(4)}},
    FactoryPreset{"tremolo", "Tremolo", "pads",
                  "Sixteenth-note swells that sink to a held level and dip only briefly as each one starts: a "
                  "rhythmic tremolo.",
                  // rises in 16 ms, falls to 0.45 in 0.3 s and holds
                  {.vA = 0.6f, .vD1 = 0.2f, .vS = 0.45f, .vnotes = notesValue(8), .fnotes = notesValue(8)}},
    FactoryPreset{"gentle-eighths", "Gentle eighths", "pads",
                  "A soft gate: eighth notes that fade in quickly and sink part way, never far below the top.",
                  // rises in 16 ms, sinks toward 0.4 over 0.35 s
                  {.vA = 0.6f, .vD1 = 0.1f, .vS = 0.4f, .vnotes = notesValue(4), .fnotes = notesValue(4),
                   .Tempo = tempoValue(120)}},
    FactoryPreset{"random-140", "Random 140", "pads and drums",
                  "RANDOM: every two beats a new shape, one to eight notes.", {.RndSw = kSwitchRandom}},
    FactoryPreset{"auto-140", "Auto 140", "pads and drums",
                  "AUTO: the stored patterns, calm and busy steps in turn.", {.RndSw = kSwitchAuto}},
};

// Slugs name files and LV2 presets, names the presets in hosts: each once.
// A host that takes a preset's name for a program's keeps 23 characters.
constexpr bool slugsAndNamesFit() {
    for (std::size_t i = 0; i < kFactoryPresets.size(); ++i) {
        const FactoryPreset& preset = kFactoryPresets[i];
        if (preset.slug.empty() || preset.name.empty() || preset.name.size() > 23 || preset.suits.empty()) return false;
        for (char c : preset.slug) {
            if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-')) return false;
        }
        for (std::size_t j = 0; j < i; ++j) {
            if (kFactoryPresets[j].slug == preset.slug || kFactoryPresets[j].name == preset.name) return false;
        }
    }
    return true;
}
static_assert(slugsAndNamesFit());
