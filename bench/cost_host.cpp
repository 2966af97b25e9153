// A small host for counting the audio path's work rather than timing it:
// runs one benchmark case, or the floor kernel, for one pass over its tape,
// block by block, and prints how many frames it processed and where the code
// that holds the frame loop was loaded. bench/cost_table.py runs it under
// callgrind and under a tracing tool.
//
//   quillbeat_cost_host <case>|floor [block]
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench/bench_cases.h"
#include "bench/bench_host.h"
#include "bench/floor_kernel.h"
#include "hosting/built_plugin.h"

namespace {
// The floor kernel over one pass, a function of its own so that the counting
// tools can find it by name.
[[gnu::noinline]] void runFloorPass(Buffers& buffers, int block, int blocks) {
    FloorSettings settings;
    float state[2] = {0.0f, 0.0f};
    for (int i = 0; i < blocks; ++i) {
        buffers.next();
        floorKernel(buffers.in()[0], buffers.in()[1], buffers.out()[0], buffers.out()[1], block, settings, state);
    }
}

int report(long frames, const void* code) {
    // The trace tool sees addresses; the load base turns them into the
    // file's own.
    Dl_info info{};
    if (code == nullptr || dladdr(code, &info) == 0) return 1;
    std::printf("frames %ld\nfile %s\nbase %p\n", frames, info.dli_fname, info.dli_fbase);
    return 0;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s <case> [block]\ncases: floor", argv[0]);
        for (const EffectCase& effectCase : kEffectCases) std::fprintf(stderr, " %s", effectCase.name);
        std::fprintf(stderr, "\n");
        return 2;
    }
    const EffectCase* chosen = nullptr;
    for (const EffectCase& effectCase : kEffectCases)
        if (std::strcmp(effectCase.name, argv[1]) == 0) chosen = &effectCase;
    const int block = argc == 3 ? std::atoi(argv[2]) : 512;
    const bool floor = std::strcmp(argv[1], "floor") == 0;
    if ((chosen == nullptr && !floor) || block <= 0 || block > kTapeFrames) {
        std::fprintf(stderr, "%s: unknown case or bad block size\n", argv[0]);
        return 2;
    }

    const int blocks = kTapeFrames / block;
    if (floor) {
        Buffers buffers(noiseTape(), block);
        runFloorPass(buffers, block, blocks);
        return report(static_cast<long>(blocks) * block, reinterpret_cast<const void*>(&runFloorPass));
    }

    BenchHost host;
    if (!host.opened()) {
        std::fprintf(stderr, "%s: the plug-in did not open\n", argv[0]);
        return 1;
    }
    chosen->setUp(host);
    host.moving = !chosen->standing;
    Buffers buffers(chosen->tape(), block);
    for (int i = 0; i < blocks; ++i) {
        buffers.next();
        host.process(buffers.in(), buffers.out(), block);
    }
    return report(static_cast<long>(blocks) * block, quillbeatLibrary().symbol("VSTPluginMain"));
}
