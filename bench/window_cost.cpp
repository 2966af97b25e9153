// What the CLAP window costs, measured (not a test): run under a display
// (xvfb-run). First the audio path with the window closed and open, CLAP
// blocks of 64 frames in RANDOM, rounds alternating; then the CPU of the
// window's share of the main loop over 10 s, while blocks play in real time
// and while nothing plays. quillbeat_window_cost [seconds]
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "editor/draw_editor.h"
#include "editor/editor_layout.h"
#include "effect/parameters.h"
#include "player/clap_instance.h"
#include "tests/support/x_display.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kRate = 44100.0;
constexpr std::uint32_t kBlock = 64;

double threadCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Player {
    std::vector<float> left = std::vector<float>(kBlock, 0.25f), right = std::vector<float>(kBlock, -0.25f);
    std::vector<float> outLeft = std::vector<float>(kBlock), outRight = std::vector<float>(kBlock);
    double position = 0.0;
    bool play(PluginInstance& plugin) {
        const float* in[2] = {left.data(), right.data()};
        float* out[2] = {outLeft.data(), outRight.data()};
        const HostPosition at{position, 120.0, true};
        position += kBlock;
        return plugin.play({in, out, kBlock, &at, {}, {}});
    }
};

// Nanoseconds a block, over `blocks` blocks played as fast as they go on
// this thread, while `idle` runs the window on another.
double nanosecondsPerBlock(ClapInstance& plugin, Player& player, int blocks) {
    const auto start = Clock::now();
    for (int i = 0; i < blocks; ++i) player.play(plugin);
    return std::chrono::duration<double, std::nano>(Clock::now() - start).count() / blocks;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    std::string why;
    auto display = XTestDisplay::open(&why);
    if (display == nullptr) {
        std::fprintf(stderr, "quillbeat_window_cost: %s\n", why.c_str());
        return 1;
    }
    ClapInstance plugin(QUILLBEAT_CLAP_PATH);
    plugin.setValue(kRndSw, 0.5);
    plugin.setValue(kTempo, 1.0);
    plugin.activate(kRate, kBlock);
    Player player;
    const std::uint64_t parent = display->makeParent(720, 420);

    // The audio path: rounds of 20000 blocks, closed and open alternating;
    // with the window open, the main loop idles it beside the blocks.
    // A third series plays with the window closed while another thread
    // draws the same picture 30 times a second: what sharing the machine
    // with a drawing costs, apart from anything the window does.
    std::vector<double> closed, open, drawingBeside;
    for (int round = 0; round < 7; ++round) {
        closed.push_back(nanosecondsPerBlock(plugin, player, 20000));
        {
            std::atomic<bool> playing{true};
            std::thread drawing([&] {
                Canvas canvas(kEditorWidth, kEditorHeight);
                EditorPicture picture;
                while (playing) {
                    drawEditor(canvas, picture, 1.0);
                    std::this_thread::sleep_for(std::chrono::milliseconds(33));
                }
            });
            drawingBeside.push_back(nanosecondsPerBlock(plugin, player, 20000));
            playing = false;
            drawing.join();
        }
        if (!plugin.openEditor(parent, 1.0)) {
            std::fprintf(stderr, "quillbeat_window_cost: the window did not open\n");
            return 1;
        }
        std::atomic<bool> playing{true};
        double measured = 0.0;
        std::thread audio([&] {
            measured = nanosecondsPerBlock(plugin, player, 20000);
            playing = false;
        });
        while (playing) {
            plugin.idleEditor();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        audio.join();
        open.push_back(measured);
        plugin.closeEditor();
    }
    std::sort(closed.begin(), closed.end());
    std::sort(open.begin(), open.end());
    std::sort(drawingBeside.begin(), drawingBeside.end());
    std::printf("audio path, CLAP, RANDOM, blocks of %u frames (median of %zu rounds, min-max):\n", kBlock, closed.size());
    std::printf("  window closed: %7.0f ns a block (%.0f-%.0f)\n", closed[closed.size() / 2], closed.front(), closed.back());
    std::printf("  window open:   %7.0f ns a block (%.0f-%.0f)\n", open[open.size() / 2], open.front(), open.back());
    std::printf("  window closed, a drawing beside: %7.0f ns a block (%.0f-%.0f)\n",
                drawingBeside[drawingBeside.size() / 2], drawingBeside.front(), drawingBeside.back());

    // The window's main-loop CPU: the host calls its idle every 5 ms (the
    // window's own timer fires every 33 ms), while blocks play at the pace
    // of real time and while none plays.
    for (const bool playing : {true, false}) {
        plugin.openEditor(parent, 1.0);
        std::atomic<bool> running{true};
        std::thread audio([&] {
            const auto blockTime = std::chrono::duration<double>(kBlock / kRate);
            auto next = Clock::now();
            while (running && playing) {
                player.play(plugin);
                next += std::chrono::duration_cast<Clock::duration>(blockTime);
                std::this_thread::sleep_until(next);
            }
        });
        const double cpuBefore = threadCpuSeconds();
        const auto start = Clock::now();
        while (Clock::now() - start < std::chrono::duration<double>(seconds)) {
            plugin.idleEditor();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        const double cpu = threadCpuSeconds() - cpuBefore;
        const double wall = std::chrono::duration<double>(Clock::now() - start).count();
        running = false;
        audio.join();
        plugin.closeEditor();
        std::printf("window's main loop, %s: %.2f%% of one core (%.3f s CPU in %.1f s)\n",
                    playing ? "playing" : "stopped", 100.0 * cpu / wall, cpu, wall);
    }

    // Of which the drawing: one whole picture at scale 1, as the window
    // draws it on each change.
    Canvas canvas(kEditorWidth, kEditorHeight);
    EditorPicture picture;
    picture.step = StepView{11025, 3, 5000, 1377, 2755, false};
    const auto start = Clock::now();
    for (int i = 0; i < 100; ++i) {
        picture.step->frameInStep = 100 * i;
        drawEditor(canvas, picture, 1.0);
    }
    std::printf("drawEditor at scale 1: %.2f ms a picture\n",
                std::chrono::duration<double, std::milli>(Clock::now() - start).count() / 100);
    return 0;
}
