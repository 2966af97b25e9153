// The record of a small plug-in of our own, built for the tests to load:
// every field the interface defines, from the few that such a plug-in
// chooses. What it does not choose is zero.
#pragma once

#include "host/vst2_abi.h"

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
    record = AEffect{};
    record.magic = kEffectMagic;
    record.dispatcher = fields.dispatcher;
    record.process = fields.processAccumulating;
    record.setParameter = fields.setParameter;
    record.getParameter = fields.getParameter;
    record.numPrograms = fields.programs;
    record.numParams = fields.parameters;
    record.numInputs = fields.inputs;
    record.numOutputs = 2;
    record.flags = fields.processReplacing != nullptr ? effFlagsCanReplacing : 0;
    record.ioRatio = 1.0f;
    record.object = object;
    record.uniqueID = fields.uniqueID;
    record.version = fields.version;
    record.processReplacing = fields.processReplacing;
}
