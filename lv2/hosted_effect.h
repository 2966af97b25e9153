// The effect as the LV2 glue and the Turtle generator reach it: through the
// VST 2 entry point and the record's functions, as any VST 2 host does. The
// host callback is ours; it answers the version request and the
// time-information request, and nothing else.
#pragma once

#include "host/vst2_abi.h"

class HostedEffect {
public:
    HostedEffect() = default;
    ~HostedEffect();
    HostedEffect(const HostedEffect&) = delete;
    HostedEffect& operator=(const HostedEffect&) = delete;

    // Creates the effect through the entry point and opens it; false when
    // the entry point refuses (no memory, for one).
    bool open();

    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f) {
        return record->dispatcher(record, opcode, index, value, ptr, opt);
    }
    void setParameter(VstInt32 index, float value) { record->setParameter(record, index, value); }
    float getParameter(VstInt32 index) { return record->getParameter(record, index); }
    VstInt32 parameterCount() const { return record->numParams; }
    VstInt32 programCount() const { return record->numPrograms; }

    // One block. The effect's time-information request is answered with
    // `time`, or with null, as a host without a transport answers.
    void process(float** inputs, float** outputs, VstInt32 frames, const VstTimeInfo* time) {
        timeAnswer = time;
        record->processReplacing(record, inputs, outputs, frames);
        timeAnswer = nullptr;
    }

private:
    static VstIntPtr VST2_CALLBACK answerHost(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                              void* ptr, float opt);

    AEffect* record = nullptr;
    // Only set for the length of a process call, on the audio thread.
    const VstTimeInfo* timeAnswer = nullptr;
};
