// A block played in parts, cut where the host's events apply. An event
// applies from its frame on; one out of order, or past the block, applies
// where the block has got to, or at its end.
#pragma once

#include <algorithm>
#include <cstdint>

class BlockParts {
public:
    explicit BlockParts(std::uint32_t frames) : frames(frames) {}

    // Plays frames [done, frame) with play(from, to), unless empty; returns
    // the frame where an event at `frame` applies.
    template <typename Play>
    std::uint32_t playUntil(std::uint32_t frame, Play&& play) {
        const std::uint32_t at = std::min(frame, frames);
        if (at > done) {
            play(done, at);
            done = at;
        }
        return at;
    }
    // Plays the rest of the block.
    template <typename Play>
    void finish(Play&& play) {
        playUntil(frames, play);
    }

private:
    std::uint32_t frames;
    std::uint32_t done = 0;
};
