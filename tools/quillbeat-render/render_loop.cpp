#include "tools/quillbeat-render/render_loop.h"

#include <algorithm>
#include <vector>

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

}  // namespace

std::int64_t renderBlocks(PluginModule& plugin, AudioSource& source, SoundFileWriter& writer,
                          const BlockSettings& settings, const RenderObservers& observers) {
    AEffect& effect = plugin.effect();
    const int inputCount = effect.numInputs;
    const int outputCount = effect.numOutputs;
    const int sourceChannels = source.channels();
    // Every buffer is allocated here, before the first block.
    ChannelBuffers inputs(std::max(inputCount, 1), settings.blockSize);
    ChannelBuffers outputs(outputCount, settings.blockSize);
    // A plug-in that only accumulates adds into its outputs, which must be
    // cleared before each call.
    const bool replacing = (effect.flags & effFlagsCanReplacing) != 0 && effect.processReplacing != nullptr;

    HostState& host = plugin.host();
    host.answerTimeInfo = settings.timeInfo;
    host.timeline.reset(source.sampleRate(), settings.hostBpm, settings.start);

    std::int64_t done = 0;
    for (;;) {
        const int frames = source.read(inputs.channels(), settings.blockSize);
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

        if (replacing) {
            effect.processReplacing(&effect, inputs.channels(), outputs.channels(), frames);
        } else {
            for (int c = 0; c < outputCount; ++c) std::fill_n(outputs.channels()[c], frames, 0.0f);
            effect.process(&effect, inputs.channels(), outputs.channels(), frames);
        }
        host.timeline.advance(frames);

        writer.write(outputs.channels(), frames);
        if (observers.outputLane != nullptr) observers.outputLane->add(outputs.channels(), outputCount, frames);
        done += frames;
        if (observers.progress != nullptr) observers.progress->update(done);
    }
    return done;
}
