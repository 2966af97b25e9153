// Rendering a stream of audio through the effect block by block, as a host
// does, and comparing renders to the last bit.
#pragma once

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/block_helpers.h"

struct Render {
    std::vector<float> left;
    std::vector<float> right;
};

// How a stream is cut: the frame count of block number `block`.
using BlockSizes = std::function<int(int block)>;
// Called before block number `block`, which starts at frame `frame` of the
// stream: the place for parameter, program and other requests.
using BeforeBlock = std::function<void(int block, int frame)>;

inline BlockSizes fixedBlocks(int frames) {
    return [frames](int) { return frames; };
}

// Renders `frames` frames of the test signal `signal`, starting at host
// position `start`. Every block reports the position of its first frame: the
// start plus the frames rendered before it.
inline Render renderStream(TestHost& host, int frames, double start, const BlockSizes& sizes,
                           const BeforeBlock& before = {}, int signal = 1) {
    const StereoBuffer input = testSignal(frames, signal);
    Render out{std::vector<float>(static_cast<std::size_t>(frames)),
               std::vector<float>(static_cast<std::size_t>(frames))};
    int done = 0;
    for (int block = 0; done < frames; ++block) {
        int size = sizes(block);
        if (size > frames - done) size = frames - done;
        if (before) before(block, done);
        StereoBuffer buffer(size);
        std::memcpy(buffer.left.data(), input.left.data() + done, sizeof(float) * static_cast<std::size_t>(size));
        std::memcpy(buffer.right.data(), input.right.data() + done, sizeof(float) * static_cast<std::size_t>(size));
        host.processAt(start + done, buffer);
        std::memcpy(out.left.data() + done, buffer.left.data(), sizeof(float) * static_cast<std::size_t>(size));
        std::memcpy(out.right.data() + done, buffer.right.data(), sizeof(float) * static_cast<std::size_t>(size));
        done += size;
    }
    return out;
}

// Empty when both renders agree bit for bit, otherwise where they first part.
inline std::string firstDifference(const Render& a, const Render& b) {
    if (a.left.size() != b.left.size()) return "lengths differ";
    for (std::size_t i = 0; i < a.left.size(); ++i) {
        if (bitsOf(a.left[i]) != bitsOf(b.left[i]))
            return "left frame " + std::to_string(i) + ": " + std::to_string(a.left[i]) + " vs " +
                   std::to_string(b.left[i]);
        if (bitsOf(a.right[i]) != bitsOf(b.right[i]))
            return "right frame " + std::to_string(i) + ": " + std::to_string(a.right[i]) + " vs " +
                   std::to_string(b.right[i]);
    }
    return "";
}

// True when the effect changed the signal somewhere: comparing renders that
// merely passed the input through would prove nothing.
inline bool processed(const Render& render, int signal = 1) {
    const StereoBuffer input = testSignal(static_cast<int>(render.left.size()), signal);
    return render.left != input.left;
}

// Parameter settings to render with, by index; NaN marks "leave as it is".
struct Settings {
    float values[12];
    void applyTo(TestHost& host) const {
        for (int i = 0; i < 12; ++i)
            if (values[i] == values[i]) host.setParameter(i, values[i]);
    }
};
