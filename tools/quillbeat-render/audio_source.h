// Where the audio to render comes from: a file or the demo signal. Sources
// hand out planar blocks, one buffer per channel, as a plug-in takes them.
#pragma once

#include <cstdint>
#include <optional>

class AudioSource {
public:
    virtual ~AudioSource() = default;
    virtual int channels() const = 0;
    virtual double sampleRate() const = 0;
    // None when the length is not known before the source ends.
    virtual std::optional<std::int64_t> frames() const = 0;
    // Fills channels()[c][0..n) for the next n frames, n at most `frames`;
    // returns n, 0 at the end.
    virtual int read(float* const* channels, int frames) = 0;
};
