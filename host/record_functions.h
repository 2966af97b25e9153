// The six plain functions stored in the effect record. Each finds the effect
// object through the record's object field and calls one of its operations.
#pragma once

#include "abi/vst2_abi.h"

VstIntPtr VST2_CALLBACK recordDispatch(AEffect* record, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                       void* ptr, float opt);
void VST2_CALLBACK recordProcess(AEffect* record, float** inputs, float** outputs, VstInt32 frames);
void VST2_CALLBACK recordSetParameter(AEffect* record, VstInt32 index, float value);
float VST2_CALLBACK recordGetParameter(AEffect* record, VstInt32 index);
void VST2_CALLBACK recordProcessReplacing(AEffect* record, float** inputs, float** outputs, VstInt32 frames);
void VST2_CALLBACK recordProcessDoubleReplacing(AEffect* record, double** inputs, double** outputs,
                                                VstInt32 frames);
