// A host callback for class-level tests that build an effect directly: it
// records every call and gives one scripted answer.
#pragma once

#include <vector>

#include "tests/support/test_host.h"

inline std::vector<HostCall> hostCalls;
inline VstIntPtr hostAnswer = 0;

inline VstIntPtr VST2_CALLBACK recordingHost(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                             void* ptr, float opt) {
    hostCalls.push_back({effect, opcode, index, value, ptr, opt});
    return hostAnswer;
}
