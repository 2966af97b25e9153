// quillbeat-daw-replay: plays a DAW's recorded block sequence through a VST 2
// plug-in in this process and compares the result with what the DAW
// exported.
//
//   quillbeat-daw-replay PLUGIN BLOCK-LOG EXPORT.wav RANGE-START [INDEX=VALUE...]
//
// The plug-in gets the parameter values first, then every recorded call in
// order: sample rate, block size, resume, suspend, and each process call with
// the test signal as input (counted on across calls, as the signal plug-in in
// the DAW counts it) and the recorded time record as the host's answer. The
// DAW runs plug-ins with flush-to-zero and denormals-are-zero on, and so does
// this replay. The blocks played while the transport rolled, at positions
// from RANGE-START on, must give the exported file sample for sample, zeros
// of either sign being equal: the DAW's mixing turns -0 into +0.
#include <sndfile.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>
#endif

#include "tests/daw/block_log.h"
#include "tests/daw/test_signal.h"
#include "player/effect_host.h"
#include "player/plugin_library.h"

namespace {

void flushDenormals() {
#if defined(__SSE__) || defined(__x86_64__)
    _mm_setcsr(_mm_getcsr() | 0x8040);  // flush-to-zero and denormals-are-zero
#endif
}

struct Replay {
    std::map<std::int64_t, std::vector<float>> rolled;  // position -> interleaved frames of one block
    int processCalls = 0;
    int stoppedCalls = 0;
    int repeatedPositions = 0;  // rolled blocks at a position played before
    std::map<int, int> callsBySize;
};

// Each block's time request is answered with the record the DAW gave it.
Replay replay(EffectHost& host, const std::vector<BlockLogEvent>& events, std::int64_t rangeStart) {
    AEffect* effect = host.effect();
    Replay result;
    std::uint64_t signalFrames = 0;
    for (const BlockLogEvent& event : events) {
        switch (event.kind) {
            case BlockLogEvent::SampleRate:
                effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, static_cast<float>(event.sampleRate));
                break;
            case BlockLogEvent::BlockSize:
                effect->dispatcher(effect, effSetBlockSize, 0, event.frames, nullptr, 0);
                break;
            case BlockLogEvent::Resume: effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0); break;
            case BlockLogEvent::Suspend: effect->dispatcher(effect, effMainsChanged, 0, 0, nullptr, 0); break;
            case BlockLogEvent::Process: {
                const auto frames = static_cast<std::size_t>(event.frames);
                std::vector<float> in[2] = {std::vector<float>(frames), std::vector<float>(frames)};
                std::vector<float> out[2] = {std::vector<float>(frames), std::vector<float>(frames)};
                test_signal::fill(in[0].data(), in[1].data(), signalFrames, event.frames);
                signalFrames += frames;
                float* inputs[2] = {in[0].data(), in[1].data()};
                float* outputs[2] = {out[0].data(), out[1].data()};
                host.timeAnswer = event.time ? &*event.time : nullptr;
                effect->processReplacing(effect, inputs, outputs, event.frames);
                ++result.processCalls;
                ++result.callsBySize[event.frames];
                const bool rolling = event.time && (event.time->flags & kVstTransportPlaying) != 0;
                if (!rolling) {
                    ++result.stoppedCalls;
                    break;
                }
                std::vector<float> interleaved(2 * frames);
                for (std::size_t i = 0; i < frames; ++i) {
                    interleaved[2 * i] = out[0][i];
                    interleaved[2 * i + 1] = out[1][i];
                }
                const auto position = static_cast<std::int64_t>(event.time->samplePos) - rangeStart;
                if (position >= 0 && !result.rolled.emplace(position, std::move(interleaved)).second) {
                    ++result.repeatedPositions;
                }
                break;
            }
        }
    }
    return result;
}

std::vector<float> readExport(const std::string& path, int& channels) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) throw std::runtime_error("cannot read " + path + ": " + sf_strerror(nullptr));
    channels = info.channels;
    std::vector<float> samples(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_float(file, samples.data(), info.frames);
    sf_close(file);
    return samples;
}

bool sameSample(float a, float b) {
    std::uint32_t bitsA, bitsB;
    std::memcpy(&bitsA, &a, 4);
    std::memcpy(&bitsB, &b, 4);
    return bitsA == bitsB || (a == 0.0f && b == 0.0f);
}

}  // namespace

int main(int argc, char** argv) try {
    if (argc < 5) {
        std::fputs("usage: quillbeat-daw-replay PLUGIN BLOCK-LOG EXPORT.wav RANGE-START [INDEX=VALUE...]\n", stderr);
        return 2;
    }
    const std::vector<BlockLogEvent> events = readBlockLog(argv[2]);
    const std::int64_t rangeStart = std::stoll(argv[4]);
    PluginLibrary library(argv[1]);
    if (!library.loaded()) throw std::runtime_error(library.error());
    EffectHost host;
    AEffect* effect = library.entry() != nullptr ? host.open(library.entry()) : nullptr;
    if (effect == nullptr) throw std::runtime_error("the plug-in gave no effect");
    effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0);
    for (int i = 5; i < argc; ++i) {
        const std::string setting = argv[i];
        const auto equals = setting.find('=');
        effect->setParameter(effect, std::stoi(setting.substr(0, equals)), std::stof(setting.substr(equals + 1)));
    }
    flushDenormals();
    const Replay played = replay(host, events, rangeStart);
    host.close();

    std::printf("replay: %d process calls, %d with the transport stopped; frames per call:", played.processCalls,
                played.stoppedCalls);
    for (const auto& [size, count] : played.callsBySize) std::printf(" %d x%d", size, count);
    std::printf("\n");

    // Which of two passes over one position went into the export cannot be
    // told, so the comparison would not mean anything.
    if (played.repeatedPositions != 0) {
        std::printf("FAILED: %d rolled blocks repeat a position played before\n", played.repeatedPositions);
        return 1;
    }

    int channels = 0;
    const std::vector<float> exported = readExport(argv[3], channels);
    if (channels != 2) throw std::runtime_error("the export has " + std::to_string(channels) + " channels, not 2");
    const auto frames = static_cast<std::int64_t>(exported.size() / 2);

    // Every exported frame from a rolled block, and no two blocks on one frame.
    std::vector<float> replayed(exported.size());
    std::int64_t covered = 0;
    for (const auto& [position, block] : played.rolled) {
        if (position < covered) throw std::runtime_error("rolled blocks overlap at " + std::to_string(position));
        if (position > covered && covered < frames) break;
        const std::int64_t end = std::min<std::int64_t>(position + static_cast<std::int64_t>(block.size() / 2), frames);
        std::copy(block.begin(), block.begin() + 2 * (end - position), replayed.begin() + 2 * position);
        covered = end;
    }
    if (covered < frames) {
        std::printf("FAILED: the recorded blocks cover %lld of %lld exported frames\n", static_cast<long long>(covered),
                    static_cast<long long>(frames));
        return 1;
    }

    std::int64_t different = 0, negativeZeros = 0, silent = 0, changed = 0;
    for (std::size_t i = 0; i < exported.size(); ++i) {
        if (!sameSample(exported[i], replayed[i])) {
            if (different < 5) {
                std::printf("  frame %zu channel %zu: exported %a, replayed %a\n", i / 2, i % 2,
                            static_cast<double>(exported[i]), static_cast<double>(replayed[i]));
            }
            ++different;
        }
        if (replayed[i] == 0.0f && std::signbit(replayed[i])) ++negativeZeros;
        if (exported[i] == 0.0f) ++silent;
    }
    // The effect must have done something to the signal for the comparison to
    // mean anything: compare with the plain test signal at the same frames.
    std::uint64_t signalFrame = 0;
    for (const BlockLogEvent& event : events) {
        if (event.kind != BlockLogEvent::Process) continue;
        const bool rolling = event.time && (event.time->flags & kVstTransportPlaying) != 0;
        const std::int64_t position = rolling ? static_cast<std::int64_t>(event.time->samplePos) - rangeStart : -1;
        for (std::int64_t i = 0; i < event.frames; ++i) {
            const std::int64_t frame = position + i;
            if (position >= 0 && frame < frames &&
                exported[2 * frame] != test_signal::triangle(signalFrame + i, test_signal::kLeftPeriod)) {
                ++changed;
            }
        }
        signalFrame += static_cast<std::uint64_t>(event.frames);
    }
    std::printf("export: %lld frames, %lld samples zero, %lld left samples changed by the effect, "
                "%lld replayed samples -0\n",
                static_cast<long long>(frames), static_cast<long long>(silent), static_cast<long long>(changed),
                static_cast<long long>(negativeZeros));
    if (different != 0) {
        std::printf("FAILED: %lld of %zu samples differ\n", static_cast<long long>(different), exported.size());
        return 1;
    }
    if (changed == 0 || silent == static_cast<std::int64_t>(exported.size())) {
        std::printf("FAILED: the export is %s\n", changed == 0 ? "the plain test signal" : "silent");
        return 1;
    }
    std::printf("the export is bit-identical to the replay\n");
    return 0;
} catch (const std::exception& error) {
    std::fprintf(stderr, "quillbeat-daw-replay: %s\n", error.what());
    return 1;
}
