// A small host for counting the audio path's work rather than timing it:
// runs one benchmark case, or the floor kernel, for one pass over its tape,
// block by block, and prints how many frames it processed and where the code
// that holds the frame loop was loaded. bench/cost_table.py runs it under
// callgrind and under a tracing tool.
//
// With an edition named, the case plays through that edition by the host
// library instead, at a moving (or standing) host position, for counting
// what the edition's glue adds to the VST 2 call through the record.
//
//   quillbeat_cost_host <case>|floor [block [vst2|lv2|clap]]
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "bench/bench_cases.h"
#include "bench/bench_host.h"
#include "bench/floor_kernel.h"
#include "player/built_plugin.h"
#ifdef QUILLBEAT_EDITIONS
#include "player/plugin_instance.h"
#endif

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

#ifdef QUILLBEAT_EDITIONS
// One pass of the case through the edition at `where`.
int runEdition(const EffectCase& effectCase, int block, const char* where) {
    std::unique_ptr<PluginInstance> instance = openPlugin(where);
    for (const Setting& setting : effectCase.settings)
        instance->setValue(static_cast<std::size_t>(setting.index), setting.value);
    if (!instance->activate(44100.0, static_cast<std::uint32_t>(block))) {
        std::fprintf(stderr, "quillbeat_cost_host: %s did not activate\n", where);
        return 1;
    }
    Buffers buffers(effectCase.tape(), block);
    // A standing transport is a stopped one: an LV2 edition takes a host
    // that says it plays yet names one frame at every block for one that
    // does not count, and moves on by itself.
    HostPosition position{1000.0, 120.0, !effectCase.standing};
    const int blocks = kTapeFrames / block;
    for (int i = 0; i < blocks; ++i) {
        buffers.next();
        if (!instance->play({buffers.in(), buffers.out(), static_cast<std::uint32_t>(block), &position, {}, {}})) {
            std::fprintf(stderr, "quillbeat_cost_host: %s failed a block\n", where);
            return 1;
        }
        if (!effectCase.standing) position.sample += block;
    }
    std::printf("frames %ld\nfile %s\n", static_cast<long>(blocks) * block, where);
    return 0;
}
#endif

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
    const EffectCase* chosen = argc >= 2 ? findEffectCase(argv[1]) : nullptr;
    const bool floor = argc >= 2 && std::strcmp(argv[1], "floor") == 0;
    const int block = argc >= 3 ? std::atoi(argv[2]) : 512;
    const char* edition = argc >= 4 ? argv[3] : "vst2";
    if (argc < 2 || argc > 4 || (chosen == nullptr && !floor) || block <= 0 || block > kTapeFrames) {
        std::fprintf(stderr, "usage: %s <case> [block [vst2|lv2|clap]]\ncases: floor", argv[0]);
        for (const EffectCase& effectCase : kEffectCases) std::fprintf(stderr, " %s", effectCase.name);
        std::fprintf(stderr, "\n");
        return 2;
    }

    const int blocks = kTapeFrames / block;
    if (floor) {
        Buffers buffers(noiseTape(), block);
        runFloorPass(buffers, block, blocks);
        return report(static_cast<long>(blocks) * block, reinterpret_cast<const void*>(&runFloorPass));
    }
#ifdef QUILLBEAT_EDITIONS
    if (std::strcmp(edition, "lv2") == 0) return runEdition(*chosen, block, QUILLBEAT_LV2_BUNDLE);
    if (std::strcmp(edition, "clap") == 0) return runEdition(*chosen, block, QUILLBEAT_CLAP_PATH);
#endif
    if (std::strcmp(edition, "vst2") != 0) {
        std::fprintf(stderr, "%s: no edition %s in this build\n", argv[0], edition);
        return 2;
    }

    BenchHost host;
    if (!host.opened()) {
        std::fprintf(stderr, "%s: the plug-in did not open\n", argv[0]);
        return 1;
    }
    for (const Setting& setting : chosen->settings) host.setParameter(setting.index, setting.value);
    host.moving = !chosen->standing;
    Buffers buffers(chosen->tape(), block);
    for (int i = 0; i < blocks; ++i) {
        buffers.next();
        host.process(buffers.in(), buffers.out(), block);
    }
    return report(static_cast<long>(blocks) * block, quillbeatLibrary().symbol("VSTPluginMain"));
}
