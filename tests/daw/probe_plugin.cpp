// Two small VST 2 plug-ins that sit around the plug-in under test on a DAW
// track, built from this file (see CMakeLists.txt):
//   PROBE_SIGNAL    "QB Test Signal": replaces its input with the test signal,
//                   counting frames across every call, whatever the transport
//                   does
//   PROBE_RECORDER  "QB Block Recorder": passes its input through unchanged
//                   and keeps every call the host makes of it that matters to
//                   an effect (sample rate, block size, resume, suspend, and
//                   each process call with its frame count and the time
//                   record the host answers), writing them to the file named
//                   by QUILLBEAT_BLOCK_LOG when it is closed. An instance that
//                   never processed writes nothing, so a host's extra
//                   instances leave the log alone.
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <new>
#include <vector>

#include "abi/vst2_abi.h"
#include "tests/daw/block_log.h"
#include "tests/support/plugin_record.h"
#include "tests/daw/test_signal.h"

#if defined(PROBE_SIGNAL)
constexpr char kName[] = "QB Test Signal";
constexpr VstInt32 kUniqueId = fourCharCode("QBts");
#elif defined(PROBE_RECORDER)
constexpr char kName[] = "QB Block Recorder";
constexpr VstInt32 kUniqueId = fourCharCode("QBrc");
#else
#error "PROBE_SIGNAL or PROBE_RECORDER selects the plug-in"
#endif

namespace {

// Everything an effect reads from the time record, nanoseconds aside.
constexpr VstInt32 kTimeInfoRequest = 0xfe00;

struct Probe {
    AEffect effect{};
    audioMasterCallback host = nullptr;
    std::uint64_t framesSoFar = 0;
    std::vector<BlockLogEvent> events;
    bool processed = false;
};

Probe& probeOf(AEffect* effect) { return *static_cast<Probe*>(effect->object); }

void keep(Probe& probe, const BlockLogEvent& event) {
    if (probe.events.size() < probe.events.capacity()) probe.events.push_back(event);
}

void writeLog(const Probe& probe) {
    const char* path = std::getenv("QUILLBEAT_BLOCK_LOG");
    if (path == nullptr || !probe.processed) return;
    std::ofstream log(path, std::ios::trunc);
    for (const BlockLogEvent& event : probe.events) log << formatBlockLogEvent(event) << '\n';
}

// The texts are short: only they and their terminating zero are written, never
// the whole room the interface allows.
template <std::size_t size>
void copyText(void* destination, const char (&text)[size]) {
    std::memcpy(destination, text, size);
}

VstIntPtr VST2_CALLBACK dispatch(AEffect* effect, VstInt32 opcode, VstInt32 /*index*/, VstIntPtr value, void* ptr,
                                 float opt) {
    Probe& probe = probeOf(effect);
    switch (opcode) {
        case effClose:
            writeLog(probe);
            delete &probe;
            return 1;
        case effSetSampleRate: keep(probe, BlockLogEvent::of(BlockLogEvent::SampleRate, opt)); return 0;
        case effSetBlockSize:
            keep(probe, BlockLogEvent::of(BlockLogEvent::BlockSize, 0, static_cast<std::int32_t>(value)));
            return 0;
        case effMainsChanged:
            keep(probe, BlockLogEvent::of(value != 0 ? BlockLogEvent::Resume : BlockLogEvent::Suspend));
            return 0;
        case effGetEffectName:
        case effGetProductString: copyText(ptr, kName); return 1;
        case effGetVendorString: copyText(ptr, "Quillbeat Tests"); return 1;
        case effGetVstVersion: return kVstVersion;
        default: return 0;
    }
}

void VST2_CALLBACK processReplacing(AEffect* effect, float** inputs, float** outputs, VstInt32 frames) {
    Probe& probe = probeOf(effect);
    if (frames <= 0) return;
#if defined(PROBE_SIGNAL)
    (void)inputs;
    test_signal::fill(outputs[0], outputs[1], probe.framesSoFar, frames);
    probe.framesSoFar += static_cast<std::uint64_t>(frames);
#else
    BlockLogEvent event = BlockLogEvent::of(BlockLogEvent::Process, 0, frames);
    const auto* time = reinterpret_cast<const VstTimeInfo*>(
        probe.host(effect, audioMasterGetTime, 0, kTimeInfoRequest, nullptr, 0.0f));
    if (time != nullptr) event.time = *time;
    keep(probe, event);
    probe.processed = true;
    for (int channel = 0; channel < 2; ++channel) {
        if (inputs[channel] != outputs[channel]) {
            std::memmove(outputs[channel], inputs[channel], sizeof(float) * static_cast<std::size_t>(frames));
        }
    }
#endif
}

void VST2_CALLBACK processAccumulating(AEffect*, float**, float**, VstInt32) {}
void VST2_CALLBACK setParameter(AEffect*, VstInt32, float) {}
float VST2_CALLBACK getParameter(AEffect*, VstInt32) { return 0.0f; }

}  // namespace

VST2_EXPORT AEffect* VST2_CALLBACK VSTPluginMain(audioMasterCallback host) {
    if (host == nullptr) return nullptr;
    auto* probe = new (std::nothrow) Probe;
    if (probe == nullptr) return nullptr;
    // Room for minutes of calls, taken before the audio thread needs it.
    probe->events.reserve(1 << 16);
    probe->host = host;
    AEffect& effect = probe->effect;
    fillPluginRecord(effect, probe,
                     {dispatch, processAccumulating, setParameter, getParameter, processReplacing, 1, 0, 2, kUniqueId, 1});
    return &effect;
}
