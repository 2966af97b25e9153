#include "effect/quillbeat_effect.h"

#include <new>

#include "effect/identity.h"
#include "host/float_conversion.h"

namespace {
// Every optional time field but the system time; of the answer only the
// sample position is read.
constexpr VstInt32 kTimeInfoMask = kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstCyclePosValid |
                                   kVstTimeSigValid | kVstSmpteValid | kVstClockValid;
}  // namespace

EffectBase* createEffect(audioMasterCallback hostCallback) {
    // No exception may leave a record function: a failed allocation is a
    // null effect.
    return new (std::nothrow) QuillbeatEffect(hostCallback);
}

QuillbeatEffect::QuillbeatEffect(audioMasterCallback hostCallback)
    : EffectBaseExt(hostCallback, kProgramCount, kParameterCount), core(sampleRate.load(std::memory_order_relaxed)) {
    setNumInputs(2);
    setNumOutputs(2);
    setUniqueID(fourCharCode(kVst2UniqueId));
    canProcessReplacing(true);

    fallbackParameterValue = 1.0f;
    programs.reset(new (std::nothrow) ProgramRecord[static_cast<std::size_t>(programCount)]);
    if (programs) setProgram(0);
}

QuillbeatEffect::~QuillbeatEffect() = default;

void QuillbeatEffect::setParameter(VstInt32 index, float value) {
    core.setParameter(index, value);
}

float QuillbeatEffect::getParameter(VstInt32 index) {
    if (index < 0 || index >= kParameterCount) return fallbackParameterValue;
    return core.parameterValue(index);
}

void QuillbeatEffect::setProgram(VstInt32 program) {
    // Without a bank there is nothing to select.
    if (!programs || program < 0 || program >= programCount) return;
    currentProgram.store(program, std::memory_order_relaxed);
    for (int i = 0; i < kEnvelopeParameterCount; ++i) setParameter(i, programs[program].values[i]);
}

std::uint32_t QuillbeatEffect::nextRandom() { return core.nextRandom(); }

void QuillbeatEffect::processReplacing(float** inputs, float** outputs, VstInt32 frames) {
    const VstTimeInfo* time = getTimeInfo(kTimeInfoMask);
    core.process(inputs, outputs, frames, time != nullptr ? std::optional(time->samplePos) : std::nullopt);
}

void QuillbeatEffect::processDoubleReplacing(double** /*inputs*/, double** /*outputs*/, VstInt32 /*frames*/) {}
