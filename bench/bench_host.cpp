#include "bench/bench_host.h"

namespace {
// The callback carries no user data; the benchmarks run one effect at a time.
VstTimeInfo* currentTimeInfo = nullptr;
}  // namespace

BenchHost::BenchHost() {
    timeInfo.sampleRate = 44100.0;
    timeInfo.tempo = 120.0;
    timeInfo.flags = kVstTransportPlaying | kVstTempoValid;
    currentTimeInfo = &timeInfo;
    if (PluginEntry entry = quillbeatLibrary().entry()) record = entry(&BenchHost::callback);
}

BenchHost::~BenchHost() {
    if (record != nullptr) record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f);
    currentTimeInfo = nullptr;
}

VstIntPtr VST2_CALLBACK BenchHost::callback(AEffect* /*effect*/, VstInt32 opcode, VstInt32 /*index*/,
                                            VstIntPtr /*value*/, void* /*ptr*/, float /*opt*/) {
    switch (opcode) {
        case audioMasterVersion: return 2400;
        case audioMasterGetTime: return reinterpret_cast<VstIntPtr>(currentTimeInfo);
        default: return 0;
    }
}
