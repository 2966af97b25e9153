#include "tools/quillbeat-render/render_loop.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "tools/quillbeat-render/render_error.h"
#include "tools/quillbeat-render/render_time.h"

namespace {

// One buffer per channel and the pointer array a process call takes.
struct ChannelBuffers {
    ChannelBuffers(int channels, int frames)
        : storage(static_cast<std::size_t>(channels), std::vector<float>(static_cast<std::size_t>(frames))) {
        for (std::vector<float>& channel : storage) pointers.push_back(channel.data());
    }
    float** channels() { return pointers.data(); }
    std::vector<std::vector<float>> storage;
    std::vector<float*> pointers;
};

// The first frame of the block at which any channel holds NaN or an
// infinity, or -1: each channel is read up to the earliest found so far.
int firstFrameNotANumber(const float* const* channels, int channelCount, int frames) {
    int first = frames;
    for (int c = 0; c < channelCount; ++c) {
        const float* samples = channels[c];
        first = static_cast<int>(std::find_if(samples, samples + first, [](float x) { return !std::isfinite(x); }) -
                                 samples);
    }
    return first < frames ? first : -1;
}

}  // namespace

std::int64_t renderBlocks(PluginRun& plugin, AudioSource& source, SoundFileWriter& writer, int blockSize,
                          const RenderObservers& observers) {
    const int inputCount = plugin.inputs();
    const int outputCount = plugin.outputs();
    const int sourceChannels = source.channels();
    // Every buffer is allocated here, before the first block.
    ChannelBuffers inputs(std::max(inputCount, 1), blockSize);
    ChannelBuffers outputs(outputCount, blockSize);

    std::int64_t done = 0;
    for (;;) {
        const int frames = source.read(inputs.channels(), blockSize);
        if (frames <= 0) break;
        // Plug-ins may write into their inputs, so every input beyond the
        // source's channels is refilled on every block.
        for (int c = sourceChannels; c < inputCount; ++c) {
            float* input = inputs.channels()[c];
            if (sourceChannels == 1) {
                std::copy(inputs.channels()[0], inputs.channels()[0] + frames, input);
            } else {
                std::fill(input, input + frames, 0.0f);
            }
        }
        if (observers.inputLane != nullptr) observers.inputLane->add(inputs.channels(), sourceChannels, frames);

        plugin.process(inputs.channels(), outputs.channels(), frames);
        // Such values would be written as they are to a float file, as clicks
        // at full scale to an integer one, and FLAC refuses them.
        if (const int bad = firstFrameNotANumber(outputs.channels(), outputCount, frames); bad >= 0) {
            throw RenderError("the plug-in produced values that are not numbers at " +
                              renderTimeText(done + bad, source.sampleRate()));
        }

        writer.write(outputs.channels(), frames);
        if (observers.outputLane != nullptr) observers.outputLane->add(outputs.channels(), outputCount, frames);
        done += frames;
        if (observers.progress != nullptr) observers.progress->update(done);
    }
    return done;
}
