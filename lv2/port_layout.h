// The LV2 edition's identity and port numbers, shared by the run-time glue and
// the Turtle generator so that the two always agree.
#pragma once

#include <cstdint>

#include "effect/identity.h"
#include "effect/parameters.h"

// The plug-in's URI, stable for the life of the product: hosts store it in
// their sessions.
constexpr const char* kPluginUri = kLv2PluginUri;
constexpr const char* kUiUri = kLv2UiUri;

// Control inputs first, in parameter order, so a parameter's port is its
// index; then the audio, the transport events and the values in use; then
// where the step stands, for the plug-in's own window. Ports are only ever
// appended: a saved session names them by index.
namespace port {
constexpr std::uint32_t kFirstParameter = 0;
constexpr std::uint32_t kInputLeft = kFirstParameter + kParameterCount;
constexpr std::uint32_t kInputRight = kInputLeft + 1;
constexpr std::uint32_t kOutputLeft = kInputLeft + 2;
constexpr std::uint32_t kOutputRight = kInputLeft + 3;
constexpr std::uint32_t kTimeEvents = kInputLeft + 4;
// One control output per parameter: the value the effect is using, which
// "RANDOM" and "AUTO" rewrite at step changes.
constexpr std::uint32_t kFirstValueInUse = kTimeEvents + 1;
// Where the effect left the step after each run (StepView), and the rate it
// runs at (a window may not learn it otherwise): the playhead's frames count
// at the step grid's own rate, as the step's length does. Frames per step
// read 0 until the first run.
constexpr std::uint32_t kStep = kFirstValueInUse + kParameterCount;
constexpr std::uint32_t kFrameInStep = kStep + 1;
constexpr std::uint32_t kFramesPerStep = kStep + 2;
constexpr std::uint32_t kPassingThrough = kStep + 3;
constexpr std::uint32_t kSampleRate = kStep + 4;
constexpr std::uint32_t kVolumeNotePeriod = kStep + 5;
constexpr std::uint32_t kFilterNotePeriod = kStep + 6;
constexpr std::uint32_t kCount = kFilterNotePeriod + 1;
constexpr std::uint32_t kStepPortCount = kCount - kStep;
}  // namespace port
