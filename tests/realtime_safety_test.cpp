// The audio path allocates nothing and takes no lock. This test process
// replaces the allocation functions and the lock entry points with ones that
// count every call made on the audio thread while a block runs, and plays
// blocks in every mode through the loaded plug-in: step changes, jumps,
// standing positions, program and parameter changes between blocks, and no
// time information. Any count above zero fails.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <pthread.h>
#include <semaphore.h>

#include <atomic>
#include <optional>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "player/built_plugin.h"
#include "player/effect_host.h"
#include "tests/support/block_helpers.h"

#ifdef QUILLBEAT_LV2_LIBRARY
#include <lv2/atom/forge.h>
#include <lv2/core/lv2.h>
#include <lv2/time/time.h>
#include <lv2/urid/urid.h>

#include "lv2/inline_display_abi.h"
#include "lv2/port_layout.h"
#endif

#ifdef QUILLBEAT_CLAP_PATH
#include <memory>
#include <span>

#include "player/clap_instance.h"
#include "player/vst2_instance.h"
#endif
#ifdef QUILLBEAT_LV2_BUNDLE
#include "player/lv2_instance.h"
#endif
#ifdef QUILLBEAT_WINDOW_TESTS
#include <chrono>

#include "editor/editor_layout.h"
#include "tests/support/x_display.h"
#endif


// ---- the replaced functions --------------------------------------------------

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* pointer, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* pointer);
}

namespace {
// Set on the audio thread for the length of each block.
thread_local bool insideBlock = false;
std::atomic<int> heapCalls{0};
std::atomic<int> lockCalls{0};

void noteHeapCall() {
    if (insideBlock) heapCalls.fetch_add(1, std::memory_order_relaxed);
}
void noteLockCall() {
    if (insideBlock) lockCalls.fetch_add(1, std::memory_order_relaxed);
}

// The C library's own lock function of that name, found once.
template <typename Function>
Function original(Function& cached, const char* name) {
    if (cached == nullptr) cached = reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
    return cached;
}
}  // namespace

extern "C" {
void* malloc(std::size_t size) {
    noteHeapCall();
    return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size) {
    noteHeapCall();
    return __libc_calloc(count, size);
}
void* realloc(void* pointer, std::size_t size) {
    noteHeapCall();
    return __libc_realloc(pointer, size);
}
void free(void* pointer) {
    if (pointer != nullptr) noteHeapCall();
    __libc_free(pointer);
}
void* memalign(std::size_t alignment, std::size_t size) {
    noteHeapCall();
    return __libc_memalign(alignment, size);
}
void* aligned_alloc(std::size_t alignment, std::size_t size) {
    noteHeapCall();
    return __libc_memalign(alignment, size);
}
int posix_memalign(void** result, std::size_t alignment, std::size_t size) {
    noteHeapCall();
    void* pointer = __libc_memalign(alignment, size);
    if (pointer == nullptr) return ENOMEM;
    *result = pointer;
    return 0;
}

#define QUILLBEAT_COUNTED_LOCK(name, Lock)                                 \
    int name(Lock* lock) {                                                 \
        static int (*cached)(Lock*) = nullptr;                             \
        noteLockCall();                                                    \
        return original(cached, #name)(lock);                              \
    }
QUILLBEAT_COUNTED_LOCK(pthread_mutex_lock, pthread_mutex_t)
QUILLBEAT_COUNTED_LOCK(pthread_mutex_trylock, pthread_mutex_t)
QUILLBEAT_COUNTED_LOCK(pthread_rwlock_rdlock, pthread_rwlock_t)
QUILLBEAT_COUNTED_LOCK(pthread_rwlock_wrlock, pthread_rwlock_t)
QUILLBEAT_COUNTED_LOCK(pthread_rwlock_tryrdlock, pthread_rwlock_t)
QUILLBEAT_COUNTED_LOCK(pthread_rwlock_trywrlock, pthread_rwlock_t)
QUILLBEAT_COUNTED_LOCK(pthread_spin_lock, pthread_spinlock_t)
QUILLBEAT_COUNTED_LOCK(pthread_spin_trylock, pthread_spinlock_t)
QUILLBEAT_COUNTED_LOCK(sem_wait, sem_t)
QUILLBEAT_COUNTED_LOCK(sem_trywait, sem_t)
#undef QUILLBEAT_COUNTED_LOCK

int pthread_mutex_timedlock(pthread_mutex_t* lock, const struct timespec* until) {
    static int (*cached)(pthread_mutex_t*, const struct timespec*) = nullptr;
    noteLockCall();
    return original(cached, "pthread_mutex_timedlock")(lock, until);
}
int pthread_cond_wait(pthread_cond_t* condition, pthread_mutex_t* lock) {
    static int (*cached)(pthread_cond_t*, pthread_mutex_t*) = nullptr;
    noteLockCall();
    return original(cached, "pthread_cond_wait")(condition, lock);
}
}

namespace {

struct Counts {
    int heap;
    int locks;
};

// Runs `work` on the calling thread with the counting switched on.
template <typename Work>
Counts counted(Work work) {
    heapCalls = 0;
    lockCalls = 0;
    insideBlock = true;
    work();
    insideBlock = false;
    return {heapCalls.load(), lockCalls.load()};
}

// Runs block `index` with the counting on, and writes down a block that
// allocated or locked.
template <typename Work>
void runBlock(std::vector<std::string>& faults, std::size_t index, Work work) {
    const Counts counts = counted(work);
    if (counts.heap != 0 || counts.locks != 0)
        faults.push_back("block " + std::to_string(index) + ": " + std::to_string(counts.heap) + " heap calls, " +
                         std::to_string(counts.locks) + " lock calls");
}

// ---- the sessions --------------------------------------------------------------

// What happens before one block, outside the counting: where the host puts
// it, and what it changes first.
struct BlockPlan {
    double position;  // NaN: no time information
    int frames;
    int program = -1;  // selected before the block unless -1
    int parameter = -1;
    float value = 0.0f;
};

struct Session {
    const char* name;
    float switchValue;
    std::vector<BlockPlan> blocks;
};

constexpr double kNoTime = std::numeric_limits<double>::quiet_NaN();

// Tempo 1 gives steps of 11025 frames, so every session crosses several.
std::vector<BlockPlan> busyTimeline() {
    std::vector<BlockPlan> plan;
    double position = 1000.0;
    for (int block = 0; block < 120; ++block) {
        const int frames = (block % 7 == 0) ? 4096 : (block % 5 == 0) ? 1 : 512;
        BlockPlan next{position, frames};
        if (block % 11 == 3) next.program = block % 16;
        if (block % 13 == 4) next.parameter = pVNotes, next.value = 1.0f;
        if (block % 19 == 6) next.position = position - frames;  // standing: passes through
        if (block == 60) next.position = -30000.0;                // a jump back below zero
        position = next.position + frames;
        if (block % 17 == 5) next.position = kNoTime;  // placed after the previous block
        plan.push_back(next);
    }
    plan.push_back({position, 0});  // a block of no frames
    return plan;
}

void PrintTo(const Session& session, std::ostream* out) { *out << session.name; }

class RealtimeSafety : public ::testing::TestWithParam<Session> {};

TEST_P(RealtimeSafety, BlocksAllocateNothingAndLockNothing) {
    const Session& session = GetParam();
    PluginEntry entry = quillbeatLibrary().entry("VSTPluginMain");
    ASSERT_NE(entry, nullptr);
    // The host answers without allocating or locking.
    EffectHost host;
    VstTimeInfo transport = playingTransport();
    AEffect* effect = host.open(entry);
    ASSERT_NE(effect, nullptr);
    effect->setParameter(effect, pRndSw, session.switchValue);
    effect->setParameter(effect, pTempo, 1.0f);

    StereoBuffer buffer = testSignal(4096);
    StereoBuffer output(4096);
    // The audio thread: a thread of its own, as in a host.
    std::vector<std::string> faults;
    std::thread audio([&] {
        for (std::size_t i = 0; i < session.blocks.size(); ++i) {
            const BlockPlan& block = session.blocks[i];
            if (block.program >= 0) effect->dispatcher(effect, effSetProgram, 0, block.program, nullptr, 0.0f);
            if (block.parameter >= 0) effect->setParameter(effect, block.parameter, block.value);
            host.timeAnswer = std::isnan(block.position) ? nullptr : &transport;
            transport.samplePos = block.position;
            // In place on odd blocks, into other buffers on even ones.
            float** out = i % 2 == 0 ? output.channels() : buffer.channels();
            float** in = buffer.channels();
            runBlock(faults, i, [&] { effect->processReplacing(effect, in, out, block.frames); });
        }
    });
    audio.join();
    host.close();
    EXPECT_EQ(faults.size(), 0u) << session.name << ", the first: " << (faults.empty() ? "" : faults.front());
}

INSTANTIATE_TEST_SUITE_P(EveryMode, RealtimeSafety,
                         ::testing::Values(Session{"manual", kManual, busyTimeline()},
                                           Session{"random", kRandom, busyTimeline()},
                                           Session{"auto", kAuto, busyTimeline()}),
                         [](const auto& info) { return std::string(info.param.name); });

#ifdef QUILLBEAT_LV2_LIBRARY
// The LV2 edition's run: the same sessions through the bundle's library, each
// position sent as a time:Position message, each change on its control port;
// a restart (deactivate, activate) counted with one block. The step's ports
// are connected, and the host's queue_draw offered, as Ardour does; its
// mixer strip draws the inline display on another thread meanwhile.
LV2_URID mapUri(LV2_URID_Map_Handle handle, const char* uri) {
    auto& uris = *static_cast<std::vector<std::string>*>(handle);
    for (std::size_t i = 0; i < uris.size(); ++i)
        if (uris[i] == uri) return static_cast<LV2_URID>(i + 1);
    uris.emplace_back(uri);
    return static_cast<LV2_URID>(uris.size());
}

TEST_P(RealtimeSafety, Lv2RunAllocatesNothingAndLocksNothing) {
    const Session& session = GetParam();
    void* library = dlopen(QUILLBEAT_LV2_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    using DescriptorFunction = const LV2_Descriptor* (*)(std::uint32_t);
    const LV2_Descriptor* lv2 = reinterpret_cast<DescriptorFunction>(dlsym(library, "lv2_descriptor"))(0);
    // Every URI is mapped before the first block, by the plug-in and the forge.
    std::vector<std::string> uris;
    LV2_URID_Map map{&uris, mapUri};
    const LV2_Feature mapFeature{LV2_URID__map, &map};
    std::atomic<int> drawRequests{0};
    LV2_Inline_Display queueDraw{&drawRequests, [](void* count) { ++*static_cast<std::atomic<int>*>(count); }};
    const LV2_Feature drawFeature{QUILLBEAT_IDPY__queue_draw, &queueDraw};
    const LV2_Feature* features[] = {&mapFeature, &drawFeature, nullptr};
    LV2_Handle plugin = lv2->instantiate(lv2, 44100.0, QUILLBEAT_LV2_LIBRARY, features);
    ASSERT_NE(plugin, nullptr);
    const auto* display = static_cast<const LV2_Inline_Display_Interface*>(lv2->extension_data(QUILLBEAT_IDPY__interface));
    ASSERT_NE(display, nullptr);
    LV2_Atom_Forge forge;
    lv2_atom_forge_init(&forge, &map);
    const LV2_URID position = mapUri(&uris, LV2_TIME__Position), frame = mapUri(&uris, LV2_TIME__frame);

    float controls[kParameterCount], inUse[kParameterCount];
    for (int i = 0; i < kParameterCount; ++i) {
        controls[i] = kParameterTable[i].initialValue;
        lv2->connect_port(plugin, port::kFirstParameter + i, &controls[i]);
        lv2->connect_port(plugin, port::kFirstValueInUse + i, &inUse[i]);
    }
    float step[port::kStepPortCount];
    for (std::uint32_t i = 0; i < port::kStepPortCount; ++i) lv2->connect_port(plugin, port::kStep + i, &step[i]);
    controls[pRndSw] = session.switchValue;
    controls[pTempo] = 1.0f;
    alignas(8) std::uint8_t events[256];
    StereoBuffer buffer = testSignal(4096);
    lv2->connect_port(plugin, port::kTimeEvents, events);
    for (int c = 0; c < 2; ++c) {
        lv2->connect_port(plugin, port::kInputLeft + c, c == 0 ? buffer.left.data() : buffer.right.data());
        lv2->connect_port(plugin, port::kOutputLeft + c, c == 0 ? buffer.left.data() : buffer.right.data());
    }
    lv2->activate(plugin);
    std::vector<std::string> faults;
    std::thread audio([&] {
        for (std::size_t i = 0; i < session.blocks.size(); ++i) {
            const BlockPlan& block = session.blocks[i];
            if (block.parameter >= 0) controls[block.parameter] = block.value;
            LV2_Atom_Forge_Frame sequence, message;
            lv2_atom_forge_set_buffer(&forge, events, sizeof(events));
            lv2_atom_forge_sequence_head(&forge, &sequence, 0);
            if (!std::isnan(block.position)) {
                lv2_atom_forge_frame_time(&forge, 0);
                lv2_atom_forge_object(&forge, &message, 0, position);
                lv2_atom_forge_key(&forge, frame);
                lv2_atom_forge_long(&forge, static_cast<std::int64_t>(block.position));
                lv2_atom_forge_pop(&forge, &message);
            }
            lv2_atom_forge_pop(&forge, &sequence);
            // Halfway the host starts the plug-in anew, on this thread.
            runBlock(faults, i, [&] {
                if (i == session.blocks.size() / 2) {
                    lv2->deactivate(plugin);
                    lv2->activate(plugin);
                }
                lv2->run(plugin, static_cast<std::uint32_t>(block.frames));
            });
        }
    });
    std::atomic<bool> playing{true};
    std::thread mixerStrip([&] {
        while (playing.load()) display->render(plugin, 120, 60);
    });
    audio.join();
    playing.store(false);
    mixerStrip.join();
    lv2->deactivate(plugin);
    lv2->cleanup(plugin);
    dlclose(library);
    EXPECT_EQ(faults.size(), 0u) << session.name << ", the first: " << (faults.empty() ? "" : faults.front());
    EXPECT_GT(drawRequests.load(), 0) << session.name;
}
#endif

#ifdef QUILLBEAT_CLAP_PATH
// The host library's play, for each format: the same sessions through its
// VST 2, CLAP and (where it hosts LV2) LV2 hosts, the mode and tempo set in the first block, each
// later change inside its block (a cut for VST 2 and LV2, an event for
// CLAP), and now and then a jump inside a block (a cut for VST 2, a message
// for LV2, an event for CLAP); halfway a CLAP reset, later a restart
// (deactivate, activate), each counted with a block. Neither the host's
// side nor the plug-in's allocates or locks, the CLAP host's keeping of the
// values the plug-in tells included.
#ifdef QUILLBEAT_WINDOW_TESTS
// The CLAP plug-in's window open on the test's display, where there is
// one: a drag made before the blocks leaves its edits waiting for process,
// and the window idles beside the blocks, drawing the step they play.
struct OpenWindow {
    std::unique_ptr<XTestDisplay> display = XTestDisplay::open(nullptr);
    PluginInstance* plugin = nullptr;

    explicit OpenWindow(PluginInstance& instance) {
        if (display == nullptr) return;
        const std::uint64_t parent = display->makeParent(kEditorWidth, kEditorHeight);
        if (!instance.openEditor(parent, 1.0)) return;
        plugin = &instance;
        const std::uint64_t window = display->firstChild();
        display->waitFor([&] { return display->viewable(window); }, [&] { plugin->idleEditor(); });
        const Rect& track = kControlPlaces[1].track;
        const int x = track.x + track.width / 2;
        display->movePointer(window, x, track.y + track.height - 4);
        idle(3);
        // The server holds the pointer for the window from the press to the
        // release: the window has them to hear, and its edits wait for the
        // blocks.
        display->pressButton(1);
        const auto idleOnce = [&] { idle(1); };
        display->waitFor([&] { return display->pointerGrabbed(); }, idleOnce);
        for (int step = 1; step <= 4; ++step) {
            display->movePointer(window, x, track.y + track.height - 4 - 8 * step);
            idle(3);
        }
        display->releaseButton(1);
        display->waitFor([&] { return !display->pointerGrabbed(); }, idleOnce);
    }
    // The host's main loop for a moment: the events reach the window.
    void idle(int rounds) {
        for (int i = 0; i < rounds; ++i) {
            plugin->idleEditor();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    ~OpenWindow() {
        if (plugin != nullptr) plugin->closeEditor();
    }
    // Idles the window until the blocks are done.
    void idleWhile(const std::atomic<bool>& playing) {
        while (plugin != nullptr && playing.load()) {
            plugin->idleEditor();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
};
#endif

TEST_P(RealtimeSafety, HostLibraryBlocksAllocateNothingAndLockNothing) {
    const Session& session = GetParam();
    std::vector<std::unique_ptr<PluginInstance>> instances;
    instances.push_back(std::make_unique<Vst2Instance>(QUILLBEAT_PLUGIN_PATH));
    instances.push_back(std::make_unique<ClapInstance>(QUILLBEAT_CLAP_PATH));
#ifdef QUILLBEAT_LV2_BUNDLE
    instances.push_back(std::make_unique<Lv2Instance>(QUILLBEAT_LV2_BUNDLE));
#endif
    StereoBuffer buffer = testSignal(4096);
    float* channels[2] = {buffer.left.data(), buffer.right.data()};
    for (const auto& instance : instances) {
        ASSERT_TRUE(instance->activate(44100.0, 4096));
        auto* clap = dynamic_cast<ClapInstance*>(instance.get());
        std::vector<std::string> faults;
        int picksTold = 0;
        std::atomic<bool> playing{true};
#ifdef QUILLBEAT_WINDOW_TESTS
        std::optional<OpenWindow> window;
        if (clap != nullptr) window.emplace(*clap);
#endif
        std::thread audio([&] {
            for (std::size_t i = 0; i < session.blocks.size(); ++i) {
                const BlockPlan& block = session.blocks[i];
                const auto frames = static_cast<std::uint32_t>(block.frames);
                const HostPosition position{block.position, 120.0, true};
                const std::vector<ParameterChange> first{{0, pRndSw, session.switchValue}, {0, pTempo, 1.0}};
                const ParameterChange change{frames / 2, static_cast<std::uint32_t>(block.parameter), block.value};
                const auto changes = i == 0 ? std::span(first) : std::span(&change, block.parameter >= 0 ? 1 : 0);
                const PositionChange jump{frames / 3, {block.position - 20000.0, 120.0, true}};
                const bool jumps = i % 23 == 7 && !std::isnan(block.position) && frames > 3;
                const Block play{channels, channels, frames, std::isnan(block.position) ? nullptr : &position,
                                 changes, std::span(&jump, jumps ? 1 : 0)};
                bool played = false;
                runBlock(faults, i, [&] {
                    if (clap != nullptr && i == session.blocks.size() / 2) clap->reset();
                    if (i == session.blocks.size() * 3 / 4) {
                        instance->deactivate();
                        instance->activate(44100.0, 4096);
                    }
                    played = instance->play(play);
                });
                if (!played) faults.push_back("block " + std::to_string(i) + " failed");
                picksTold += !instance->toldChanges().empty();
            }
            playing = false;
        });
#ifdef QUILLBEAT_WINDOW_TESTS
        if (window) window->idleWhile(playing);
        if (window && window->plugin != nullptr) {
            audio.join();
            EXPECT_FALSE(clap->takeEditorEdits().empty()) << session.name << ": the window's drag reached no block";
        }
#endif
        if (audio.joinable()) audio.join();
        EXPECT_EQ(faults.size(), 0u) << formatName(instance->description().format) << ", " << session.name
                                     << ", the first: " << (faults.empty() ? "" : faults.front());
        if (clap != nullptr && session.switchValue != kManual) {
            EXPECT_GT(picksTold, 0) << session.name << ": the CLAP plug-in told no picks";
        }
    }
}
#endif

// The counting reaches into the plug-in: creating an effect allocates it.
TEST(RealtimeSafetyCheck, CountsTheHeapCallsOfThePlugIn) {
    PluginEntry entry = quillbeatLibrary().entry("VSTPluginMain");
    ASSERT_NE(entry, nullptr);
    EffectHost host;
    const Counts counts = counted([&] { host.open(entry); });
    ASSERT_NE(host.effect(), nullptr);
    EXPECT_GE(counts.heap, 1);
}

// And it sees a lock taken through the standard library.
TEST(RealtimeSafetyCheck, CountsALockedMutex) {
    static std::mutex mutex;
    const Counts counts = counted([] { std::lock_guard<std::mutex> lock(mutex); });
    EXPECT_EQ(counts.locks, 1);
}

}  // namespace
