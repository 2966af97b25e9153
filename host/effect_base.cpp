#include "host/effect_base.h"

#include <cstring>

EffectBase::EffectBase(audioMasterCallback hostCallback, VstInt32 programCount, VstInt32 parameterCount)
    : hostCallback(hostCallback),
      editor(nullptr),
      sampleRate(44100.0f),
      blockSize(1024),
      programCount(programCount),
      parameterCount(parameterCount),
      currentProgram(0) {
    std::memset(&effectRecord, 0, sizeof(effectRecord));
    effectRecord.magic = kEffectMagic;
    effectRecord.dispatcher = recordDispatch;
    effectRecord.process = recordProcess;
    effectRecord.setParameter = recordSetParameter;
    effectRecord.getParameter = recordGetParameter;
    effectRecord.numPrograms = programCount;
    effectRecord.numParams = parameterCount;
    effectRecord.numInputs = 1;
    effectRecord.numOutputs = 2;
    effectRecord.ioRatio = 1.0f;
    effectRecord.object = this;
    effectRecord.uniqueID = fourCharCode("NoEf");
    effectRecord.version = 1;
    effectRecord.processReplacing = recordProcessReplacing;
    // Qualified: the derived layers are not in place yet.
    EffectBase::canProcessReplacing(true);
    effectRecord.processDoubleReplacing = recordProcessDoubleReplacing;
}

EffectBase::~EffectBase() { delete editor; }

void EffectBase::processDoubleReplacing(double** /*inputs*/, double** /*outputs*/, VstInt32 /*frames*/) {}
void EffectBase::processAccumulating(float** /*inputs*/, float** /*outputs*/, VstInt32 /*frames*/) {}

void EffectBase::setParameter(VstInt32 /*index*/, float /*value*/) {}
float EffectBase::getParameter(VstInt32 /*index*/) { return 0.0f; }

void EffectBase::setProgramName(char* /*name*/) {}

// The text requests answer with an empty text; a host that hands no buffer
// gets nothing written.
static void writeEmptyText(char* text) {
    if (text != nullptr) text[0] = '\0';
}
void EffectBase::getProgramName(char* name) { writeEmptyText(name); }
void EffectBase::getParameterLabel(VstInt32 /*index*/, char* label) { writeEmptyText(label); }
void EffectBase::getParameterDisplay(VstInt32 /*index*/, char* text) { writeEmptyText(text); }
void EffectBase::getParameterName(VstInt32 /*index*/, char* text) { writeEmptyText(text); }

VstInt32 EffectBase::getChunk(void** /*data*/, bool /*isPreset*/) { return 0; }
VstInt32 EffectBase::setChunk(void* /*data*/, VstInt32 /*byteSize*/, bool /*isPreset*/) { return 0; }

VstIntPtr EffectBase::callHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt,
                               VstIntPtr whenNoHost) {
    if (hostCallback == nullptr) return whenNoHost;
    return hostCallback(&effectRecord, opcode, index, value, ptr, opt);
}

VstInt32 EffectBase::getMasterVersion() {
    const VstIntPtr answer = callHost(audioMasterVersion);
    return answer == 0 ? 1 : static_cast<VstInt32>(answer);
}
