#include "host/record_functions.h"

#include "host/effect_base.h"

// No exception may cross into the host, whose C code cannot unwind it: an
// operation that throws leaves its request answered as a failure (0, or
// nothing done). The handlers cost nothing on the path that does not throw.
namespace {
EffectBase* effectOf(AEffect* record) { return static_cast<EffectBase*>(record->object); }
}  // namespace

VstIntPtr VST2_CALLBACK recordDispatch(AEffect* record, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                       void* ptr, float opt) {
    EffectBase* effect = effectOf(record);
    if (opcode != effClose) {
        try {
            return effect->dispatcher(opcode, index, value, ptr, opt);
        } catch (...) {
            return 0;
        }
    }
    // The host lets go of the record whatever close does, so the object goes
    // too. The record lives inside the object: after the delete it is gone.
    try {
        effect->dispatcher(effClose, index, value, ptr, opt);
    } catch (...) {
    }
    delete effect;
    return 1;
}

void VST2_CALLBACK recordProcess(AEffect* record, float** inputs, float** outputs, VstInt32 frames) {
    try {
        effectOf(record)->processAccumulating(inputs, outputs, frames);
    } catch (...) {
    }
}

void VST2_CALLBACK recordSetParameter(AEffect* record, VstInt32 index, float value) {
    try {
        effectOf(record)->setParameter(index, value);
    } catch (...) {
    }
}

float VST2_CALLBACK recordGetParameter(AEffect* record, VstInt32 index) {
    try {
        return effectOf(record)->getParameter(index);
    } catch (...) {
        return 0.0f;
    }
}

void VST2_CALLBACK recordProcessReplacing(AEffect* record, float** inputs, float** outputs, VstInt32 frames) {
    try {
        effectOf(record)->processReplacing(inputs, outputs, frames);
    } catch (...) {
    }
}

void VST2_CALLBACK recordProcessDoubleReplacing(AEffect* record, double** inputs, double** outputs,
                                                VstInt32 frames) {
    try {
        effectOf(record)->processDoubleReplacing(inputs, outputs, frames);
    } catch (...) {
    }
}
