// What the block recorder writes down of a host's calls, one line each, and
// reads back for the replay:
//   rate <sample rate, hexadecimal float>
//   block <maximum block size>
//   resume | suspend
//   process <frames> <time record as 176 hex digits, or "-" for none>
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "abi/vst2_abi.h"

struct BlockLogEvent {
    enum Kind { SampleRate, BlockSize, Resume, Suspend, Process } kind;
    double sampleRate = 0;
    std::int32_t frames = 0;  // block size or frames processed
    std::optional<VstTimeInfo> time{};

    static BlockLogEvent of(Kind kind, double sampleRate = 0, std::int32_t frames = 0) {
        return {kind, sampleRate, frames, std::nullopt};
    }
};

std::string formatBlockLogEvent(const BlockLogEvent& event);

// Every event of the file; throws std::runtime_error naming the first line
// that is not one.
std::vector<BlockLogEvent> readBlockLog(const std::string& path);
