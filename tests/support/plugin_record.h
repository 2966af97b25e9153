// The record of a small plug-in of our own, built for the tests to load:
// every field the interface defines, from the few that such a plug-in
// chooses; the rest is zero.
#pragma once

#include "abi/vst2_abi.h"

struct PluginRecordFields {
    AEffectDispatcherProc dispatcher;
    AEffectProcessProc processAccumulating;
    AEffectSetParameterProc setParameter;
    AEffectGetParameterProc getParameter;
    AEffectProcessProc processReplacing;  // null for a plug-in that cannot replace
    VstInt32 programs;
    VstInt32 parameters;
    VstInt32 inputs;
    VstInt32 uniqueID;
    VstInt32 version;
};

// Two outputs, an input-output ratio of 1, and the replacing flag when there
// is a replacing process function.
inline void fillPluginRecord(AEffect& record, void* object, const PluginRecordFields& fields) {
    record = AEffect{.magic = kEffectMagic,
                     .dispatcher = fields.dispatcher,
                     .process = fields.processAccumulating,
                     .setParameter = fields.setParameter,
                     .getParameter = fields.getParameter,
                     .numPrograms = fields.programs,
                     .numParams = fields.parameters,
                     .numInputs = fields.inputs,
                     .numOutputs = 2,
                     .flags = fields.processReplacing != nullptr ? effFlagsCanReplacing : 0,
                     .resvd1 = 0,
                     .resvd2 = 0,
                     .initialDelay = 0,
                     .realQualities = 0,
                     .offQualities = 0,
                     .ioRatio = 1.0f,
                     .object = object,
                     .user = nullptr,
                     .uniqueID = fields.uniqueID,
                     .version = fields.version,
                     .processReplacing = fields.processReplacing,
                     .processDoubleReplacing = nullptr,
                     .future = {}};
}
