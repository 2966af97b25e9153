// What the host library tells a VST 2 effect that asks, as a DAW's offline
// export does: the version and the time (EffectHost's answers), the sample
// rate and the largest block it was given, that it renders offline with no
// automation, in English, its names, and what it can do. Every request but
// the version and the time is counted as another.
#pragma once

#include <cstdint>

#include "player/effect_host.h"

class OfflineHost final : public EffectHost {
public:
    double sampleRate = 44100.0;
    std::int32_t blockSize = 512;
    // The name the host gives for itself.
    const char* product = "Quillbeat host";
    // Whether the block being played has time information: while it has
    // none, the host says it cannot send any.
    bool tellsTime = true;

private:
    VstIntPtr answer(const HostCall& call) override;
};
