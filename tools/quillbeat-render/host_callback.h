// The host's side of the conversation: the callback a plug-in calls, and the
// time information it answers with.
#pragma once

#include <cstdint>

#include "host/vst2_abi.h"

// The transport as the plug-in sees it: a playing timeline whose sample
// position moves on by each block's length from a chosen start.
class HostTimeline {
public:
    // sampleRate and bpm are positive; start is any finite position.
    void reset(double sampleRate, double bpm, double start);
    // The position of the next block's first frame moves on by `frames`.
    void advance(std::int32_t frames);
    const VstTimeInfo& current() const { return info; }

private:
    void fill();

    VstTimeInfo info{};
    double start = 0.0;
    std::int64_t framesDone = 0;
};

// What the host tells a plug-in that asks. One instance per loaded plug-in;
// the audio thread reads it during process calls, the main thread sets it
// up before and between them.
struct HostState {
    HostTimeline timeline;
    bool answerTimeInfo = true;
    double sampleRate = 44100.0;
    std::int32_t blockSize = 512;
};

// The version this host reports to the entry point.
constexpr VstIntPtr kHostVersion = 2400;

// The callback passed to a plug-in's entry point. Calls are routed to the
// HostState registered for the calling record; calls made before a record
// exists (the entry point's version query) are answered without one.
VstIntPtr VST2_CALLBACK hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                     float opt);

void registerHostState(AEffect* effect, HostState* state);
void unregisterHostState(AEffect* effect);

// While it lives, calls from a record not registered yet (a plug-in may call
// back from inside its entry point) are answered from `state`.
class OpeningScope {
public:
    explicit OpeningScope(HostState* state);
    ~OpeningScope();
    OpeningScope(const OpeningScope&) = delete;
    OpeningScope& operator=(const OpeningScope&) = delete;
};
