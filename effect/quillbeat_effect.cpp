#include "effect/quillbeat_effect.h"

#include <new>

#include "host/float_conversion.h"

namespace {
constexpr VstInt32 kProgramCount = 16;
// 6/7 as the nearest float (0x3F5B6DB7): the seconds of one step (two
// beats) at 140 beats per minute, the tempo of the initial Tempo value.
constexpr float kSecondsPerStepAt140 = 0.85714287f;
}  // namespace

EffectBase* createEffect(audioMasterCallback hostCallback) {
    // No exception may leave a record function: a failed allocation is a
    // null effect.
    return new (std::nothrow) QuillbeatEffect(hostCallback);
}

QuillbeatEffect::QuillbeatEffect(audioMasterCallback hostCallback)
    : EffectBaseExt(hostCallback, kProgramCount, kParameterCount) {
    setNumInputs(2);
    setNumOutputs(2);
    setUniqueID(fourCharCode("Qlbt"));
    canProcessReplacing(true);

    fallbackParameterValue = 1.0f;
    capturedSampleRate = sampleRate.load(std::memory_order_relaxed);
    // Positions and step numbers start at 0: a first block at host position 0
    // passes through.
    const auto stepLengthAt140 = static_cast<float>(static_cast<double>(capturedSampleRate) * kSecondsPerStepAt140);
    stepClockState = {stepLengthAt140, 0, 0, 0, 0, 0};
    lastAutoPick = 12;
    autoNotesThreshold = 0.0f;
    for (int i = 0; i < kParameterCount; ++i) store(parameter(i), kParameterTable[i].initialValue);
    // Both envelopes start in their attack, as if triggered at construction,
    // so the first step after the transport starts is heard.
    const std::int32_t stepFramesRounded = truncToInt32(static_cast<double>(stepClockState.stepLength) + 0.5);
    ampEnvelopeState = {kAttack, 0.0f, stepFramesRounded, stepFramesRounded};
    filterEnvelopeState = {kAttack, 0.5f, stepFramesRounded, stepFramesRounded};
    lowPassState = {0.0f, 0.0f};
    lfoState = {0, 160000, -1, 12800};
    randomSeed = 5963;
    tempoBpm = 120;
    previousBlockFrames = 0;

    programs.reset(new (std::nothrow) ProgramRecord[static_cast<std::size_t>(programCount)]);
    if (programs) setProgram(0);
}

QuillbeatEffect::~QuillbeatEffect() = default;

void QuillbeatEffect::setParameter(VstInt32 index, float value) {
    if (index < 0 || index >= kParameterCount) return;
    store(parameter(index), value);
}

float QuillbeatEffect::getParameter(VstInt32 index) {
    if (index < 0 || index >= kParameterCount) return fallbackParameterValue;
    return load(parameter(index));
}

void QuillbeatEffect::setProgram(VstInt32 program) {
    // Without a bank there is nothing to select.
    if (!programs || program < 0 || program >= programCount) return;
    currentProgram.store(program, std::memory_order_relaxed);
    for (int i = 0; i < kEnvelopeParameterCount; ++i) setParameter(i, programs[program].values[i]);
}

std::uint32_t QuillbeatEffect::nextRandom() {
    randomSeed = randomSeed * 9u + 5u;
    return randomSeed >> 16;
}
