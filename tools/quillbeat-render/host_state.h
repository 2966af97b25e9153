// The host's side of the conversation: what this tool answers a plug-in that
// calls, and the time information it answers with.
#pragma once

#include <cstdint>

#include "abi/vst2_abi.h"
#include "player/effect_host.h"

// What the host tells a plug-in that asks, as a DAW's offline export does.
// One instance per loaded plug-in; the audio thread reads it during process
// calls, the main thread sets it up before and between them. The time
// request is answered from a moving transport, or with null when
// answerTimeInfo is false.
struct HostState final : EffectHost {
    MovingTransport timeline;
    bool answerTimeInfo = true;
    double sampleRate = 44100.0;
    std::int32_t blockSize = 512;

private:
    VstIntPtr answer(const HostCall& call) override;
};
