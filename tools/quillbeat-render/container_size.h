// WAV and AIFF count their bytes in 32-bit fields, so neither holds more
// than 4 GiB. Whether an output fits is decided before it is written, from
// the number of frames to come; a WAV that would not fit, or whose length is
// not known, is written as RF64, which libsndfile turns back into a plain WAV
// when it ends small.
#pragma once

#include <cstdint>
#include <optional>

enum class ContainerPlan {
    AsAsked,   // the format asked for; it holds the whole render
    Rf64,      // RF64 with the samples asked for, plain WAV if it ends below 4 GiB
    TooLarge,  // the format asked for cannot hold the render
};

struct ContainerChoice {
    ContainerPlan plan = ContainerPlan::AsAsked;
    int sndfileFormat = 0;                 // what libsndfile is asked to write
    std::optional<std::int64_t> maxFrames;  // frames the file can take; none: no limit
};

// The choice for `frames` frames (none: unknown until the input ends) of
// `channels` channels in `sndfileFormat` (libsndfile's major format |
// subtype). Depends on nothing else.
ContainerChoice chooseContainer(int sndfileFormat, int channels, std::optional<std::int64_t> frames);
