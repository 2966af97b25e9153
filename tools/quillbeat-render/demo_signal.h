// The demo: a sustained stereo chord, so the effect can be heard with no
// file at hand. Every sample follows from its frame number alone, so the
// signal is the same whatever the block size.
#pragma once

#include <cstdint>

#include "tools/quillbeat-render/audio_source.h"

class DemoSignal final : public AudioSource {
public:
    static constexpr double kSampleRate = 44100.0;

    // `channels` is 2 (stereo), 1 (the two summed) or 0 (length only, for a
    // plug-in without inputs).
    DemoSignal(double seconds, int channels);

    int channels() const override { return channelCount; }
    double sampleRate() const override { return kSampleRate; }
    std::optional<std::int64_t> frames() const override { return frameCount; }
    int read(float* const* channels, int frames) override;

private:
    int channelCount;
    std::int64_t frameCount;
    std::int64_t position = 0;
};
