// Every text the editor shows, made in one place from the values: the
// names, value texts, times, note names, tempo and drift, and the notices.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "effect/parameters.h"

// "Attack", "Decay 1", "Sustain", "Decay 2", "Notes" for either envelope's
// five, "Mode" and "Tempo"; and the code name beside it ("vA").
std::string_view controlName(int parameter);
std::string_view codeName(int parameter);

// "VOLUME" or "FILTER", and with " · picked by the plug-in" while the
// effect picks the values (RANDOM and AUTO).
std::string groupHeading(bool filter, bool pickedByPlugin);

// The value text the VST 2 edition shows, with its label.
std::string valueText(int parameter, float value);

// How long an envelope stage lasts at `sampleRate`, for vA, vD1, vD2 and the
// filter's three: "12.3 ms", "1.25 s", "—" where the stage holds (a rate of
// 0); empty for the other parameters. The frames are those the effect's
// envelope takes, run frame by frame from the stage's start to the frame
// that leaves it:
//   attack    from 0 up to 1;
//   decay 1   from 1 down below the sustain level (the effect applies the
//             decay 1 and decay 2 rates together in this stage);
//   decay 2   from the sustain level down below the floor (0 for the
//             volume, 0.01 for the filter).
// A stage longer than any step is worked out from its increments instead,
// within a few percent: "about 17.3 s".
// `values` are all twelve, as in use.
std::string stageTimeText(int parameter, const std::array<float, kParameterCount>& values, double sampleRate);
// The frames of that stage, or none where it holds or the parameter has no
// time.
std::optional<double> stageFrames(int parameter, const std::array<float, kParameterCount>& values);

// The note count as musicians say it, with steps of `beatsPerStep` beats
// (1 or 2): "eighths", "quarter triplets", or "5 per step" where the count
// has no note name.
std::string noteCountText(float notesValue, int beatsPerStep);

// "44.1 kHz", "48 kHz".
std::string rateText(double sampleRate);
// "plays 139.3 BPM at 48 kHz": the tempo the steps really play at.
std::string playsAtText(float tempoValue, double sampleRate, int beatsPerStep);
// "one step: 37,800 frames, 0.79 s at 48 kHz".
std::string stepLengthText(float tempoValue, double sampleRate);
// "a step is at most 44,100 frames: 0.92 s at 48 kHz".
std::string longestStepNotice(double sampleRate);
// For a song's tempo that no step of one or two beats can match, the step's
// limit and the song tempo it allows: "a step is at most 44,100 frames:
// 0.92 s at 48 kHz, slowest 65.3 BPM", or "a step is at least 11,025
// frames: 0.23 s at 48 kHz, fastest 522.4 BPM".
std::string songTempoLimitNotice(bool tooSlow, double limitBeatsPerMinute, double sampleRate);
// What a typed text that is no value is told: "0.3x is not a number from 0
// to 1", "9x is not a number of notes", "140x is not a tempo"; for the
// song's tempo field, "140x is not a tempo".
std::string notAValueNotice(int parameter, std::string_view typed);
std::string notASongTempoNotice(std::string_view typed);
// "in time", or "drifts +12 frames a bar" ("−3.5" when the steps run
// short), to a tenth of a frame.
std::string driftText(double framesPerBar);

// "step 12"; and what shows instead while the effect passes its input
// through, or before it played a block.
std::string stepNumberText(int step);
inline constexpr std::string_view kPassingThroughText = "stopped: sound passes through";
inline constexpr std::string_view kSongTempoLabel = "my song's tempo";
