#include "plugin_host/lean_host.h"

VstTimeInfo LeanHost::playingAtZero() {
    VstTimeInfo time{};
    time.sampleRate = 44100.0;
    time.tempo = 120.0;
    time.timeSigNumerator = 4;
    time.timeSigDenominator = 4;
    time.flags = kVstTransportPlaying | kVstTempoValid | kVstTimeSigValid;
    return time;
}

LeanHost& leanHost() {
    static LeanHost host;
    return host;
}

VstIntPtr VST2_CALLBACK leanHostCallback(AEffect* /*effect*/, VstInt32 opcode, VstInt32 /*index*/,
                                         VstIntPtr /*value*/, void* /*ptr*/, float /*opt*/) {
    LeanHost& host = leanHost();
    switch (opcode) {
        case audioMasterVersion:
            ++host.versionRequests;
            return host.versionAnswer;
        case audioMasterGetTime:
            ++host.timeRequests;
            return host.answerTimeInfo ? reinterpret_cast<VstIntPtr>(&host.timeInfo) : 0;
        default:
            ++host.otherRequests;
            return 0;
    }
}
