// The host's side of the conversation: what this tool answers a plug-in that
// calls, and the time information it answers with.
#pragma once

#include <cstdint>

#include "host/vst2_abi.h"
#include "plugin_host/routed_callback.h"

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
struct HostState final : HostAnswerer {
    HostTimeline timeline;
    bool answerTimeInfo = true;
    double sampleRate = 44100.0;
    std::int32_t blockSize = 512;

    VstIntPtr answer(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                     float opt) override;
};

// The version this host reports to the entry point.
constexpr VstIntPtr kHostVersion = 2400;
