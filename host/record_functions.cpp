#include "host/record_functions.h"

#include "host/effect_base.h"

namespace {
EffectBase* effectOf(AEffect* record) { return static_cast<EffectBase*>(record->object); }
}  // namespace

VstIntPtr VST2_CALLBACK recordDispatch(AEffect* record, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                       void* ptr, float opt) {
    EffectBase* effect = effectOf(record);
    if (opcode != effClose) return effect->dispatcher(opcode, index, value, ptr, opt);
    // The record lives inside the object: after the delete it is gone too.
    effect->dispatcher(effClose, index, value, ptr, opt);
    delete effect;
    return 1;
}

void VST2_CALLBACK recordProcess(AEffect* record, float** inputs, float** outputs, VstInt32 frames) {
    effectOf(record)->processAccumulating(inputs, outputs, frames);
}

void VST2_CALLBACK recordSetParameter(AEffect* record, VstInt32 index, float value) {
    effectOf(record)->setParameter(index, value);
}

float VST2_CALLBACK recordGetParameter(AEffect* record, VstInt32 index) {
    return effectOf(record)->getParameter(index);
}

void VST2_CALLBACK recordProcessReplacing(AEffect* record, float** inputs, float** outputs, VstInt32 frames) {
    effectOf(record)->processReplacing(inputs, outputs, frames);
}

void VST2_CALLBACK recordProcessDoubleReplacing(AEffect* record, double** inputs, double** outputs,
                                                VstInt32 frames) {
    effectOf(record)->processDoubleReplacing(inputs, outputs, frames);
}
