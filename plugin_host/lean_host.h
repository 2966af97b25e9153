// The host side for one effect at a time, answering from plain fields: the
// version query and time information, nothing else, with every request
// counted. It takes no lock and allocates nothing, so it can answer on an
// audio thread, even one that is checked for exactly that. The callback
// carries no user data, so there is one such host per process.
#pragma once

#include "host/vst2_abi.h"

struct LeanHost {
    VstIntPtr versionAnswer = kVstVersion;
    // A playing transport at 44100 frames per second, 120 beats per minute
    // in 4/4, at position 0.
    VstTimeInfo timeInfo = playingAtZero();
    // When false, time-information requests are answered with null.
    bool answerTimeInfo = true;

    int versionRequests = 0;
    int timeRequests = 0;
    int otherRequests = 0;

    static VstTimeInfo playingAtZero();
};

// The host that leanHostCallback answers from; reset it by assigning
// LeanHost{}.
LeanHost& leanHost();

VstIntPtr VST2_CALLBACK leanHostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                         void* ptr, float opt);
