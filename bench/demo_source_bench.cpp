// The command-line host's two sources side by side: frames per second of the
// demo signal, and of a 32-bit float WAV file of the same length read back
// from the page cache, both in blocks of 512 stereo frames. The demo should
// cost no more than the file.
#include <benchmark/benchmark.h>
#include <sndfile.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tools/quillbeat-render/audio_file.h"
#include "tools/quillbeat-render/demo_signal.h"

namespace {

constexpr double kSeconds = 60.0;
constexpr int kBlockSize = 512;

std::int64_t readAll(AudioSource& source) {
    std::vector<float> left(kBlockSize);
    std::vector<float> right(kBlockSize);
    float* channels[] = {left.data(), right.data()};
    std::int64_t frames = 0;
    for (int n; (n = source.read(channels, kBlockSize)) > 0;) frames += n;
    benchmark::DoNotOptimize(left.data());
    return frames;
}

void BM_DemoSignal(benchmark::State& state) {
    std::int64_t frames = 0;
    for (auto _ : state) {
        DemoSignal demo(kSeconds, 2);
        frames += readAll(demo);
    }
    state.SetItemsProcessed(frames);
}
BENCHMARK(BM_DemoSignal)->Unit(benchmark::kMillisecond);

// The demo written once as a file, removed when the run ends.
class DemoFile {
public:
    DemoFile() {
        char pattern[] = "/tmp/quillbeat-demo-bench-XXXXXX";
        const int fd = mkstemp(pattern);
        path = pattern;
        SF_INFO info{};
        info.channels = 2;
        info.samplerate = static_cast<int>(DemoSignal::kSampleRate);
        info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
        SNDFILE* file = sf_open_fd(fd, SFM_WRITE, &info, SF_TRUE);
        DemoSignal demo(kSeconds, 2);
        std::vector<float> left(kBlockSize);
        std::vector<float> right(kBlockSize);
        std::vector<float> interleaved(2 * kBlockSize);
        float* channels[] = {left.data(), right.data()};
        for (int n; (n = demo.read(channels, kBlockSize)) > 0;) {
            for (int i = 0; i < n; ++i) {
                interleaved[2 * static_cast<std::size_t>(i)] = left[static_cast<std::size_t>(i)];
                interleaved[2 * static_cast<std::size_t>(i) + 1] = right[static_cast<std::size_t>(i)];
            }
            sf_writef_float(file, interleaved.data(), n);
        }
        sf_close(file);
    }
    ~DemoFile() { unlink(path.c_str()); }
    std::string path;
};

void BM_FileOfTheSameLength(benchmark::State& state) {
    static const DemoFile file;
    std::int64_t frames = 0;
    for (auto _ : state) {
        SoundFileReader reader(file.path);
        frames += readAll(reader);
    }
    state.SetItemsProcessed(frames);
}
BENCHMARK(BM_FileOfTheSameLength)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
