#include "player/effect_host.h"

#include <cmath>

namespace {
// The host that is calling into a plug-in on this thread: the one opening it
// while its entry point runs, or dispatching a request. A call that carries
// no record of ours is answered by it.
thread_local EffectHost* callingHost = nullptr;

class CallingHost {
public:
    explicit CallingHost(EffectHost* host) : outer(callingHost) { callingHost = host; }
    ~CallingHost() { callingHost = outer; }
    CallingHost(const CallingHost&) = delete;
    CallingHost& operator=(const CallingHost&) = delete;

private:
    EffectHost* outer;
};
}  // namespace

EffectHost::~EffectHost() {
    if (routes()) close();
}

AEffect* EffectHost::open(PluginEntry entry) {
    if (routes()) close();
    {
        const CallingHost calling(this);
        record = entry(&EffectHost::callback);
    }
    // Only an effect's record that leaves the field to its host is marked.
    if (record != nullptr && record->magic == kEffectMagic && record->user == nullptr) record->user = this;
    return record;
}

VstIntPtr EffectHost::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    const CallingHost calling(this);
    return record->dispatcher(record, opcode, index, value, ptr, opt);
}

VstIntPtr EffectHost::close() {
    const VstIntPtr answered = dispatch(effClose);
    // The record goes with the effect: nothing is written to it after close.
    record = nullptr;
    return answered;
}

void EffectHost::abandon() { record = nullptr; }

VstIntPtr EffectHost::answer(const HostCall& call) {
    switch (call.opcode) {
        case audioMasterVersion: ++counts.version; return versionAnswer;
        case audioMasterGetTime: ++counts.time; return reinterpret_cast<VstIntPtr>(timeAnswer);
        default: ++counts.other; return 0;
    }
}

VstIntPtr VST2_CALLBACK EffectHost::callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                             void* ptr, float opt) {
    // A marked record leads to its host without touching the thread's state,
    // which an audio thread must not: in a loaded module, the first touch on
    // a thread may allocate.
    EffectHost* host = effect != nullptr && effect->user != nullptr ? static_cast<EffectHost*>(effect->user)
                                                                    : callingHost;
    if (host != nullptr) return host->answer({effect, opcode, index, value, ptr, opt});
    // A call from no effect that a host is talking to: only what needs none.
    return opcode == audioMasterVersion ? kHostVersion : 0;
}

VstTimeInfo playingTransport() {
    VstTimeInfo time{};
    time.sampleRate = 44100.0;
    time.tempo = 120.0;
    time.timeSigNumerator = 4;
    time.timeSigDenominator = 4;
    time.flags = kVstTransportPlaying | kVstTempoValid | kVstTimeSigValid;
    return time;
}

VstTimeInfo timeInfoAt(double samplePos, double sampleRate, double bpm, bool playing, bool changed) {
    VstTimeInfo info{};
    info.samplePos = samplePos;
    info.sampleRate = sampleRate;
    info.tempo = bpm;
    info.timeSigNumerator = 4;
    info.timeSigDenominator = 4;
    // Quarter notes since the timeline's zero, and the start of the 4/4 bar
    // that holds the position.
    info.ppqPos = info.samplePos / info.sampleRate * info.tempo / 60.0;
    info.barStartPos = std::floor(info.ppqPos / 4.0) * 4.0;
    info.flags = kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstTimeSigValid |
                 (playing ? kVstTransportPlaying : 0) | (changed ? kVstTransportChanged : 0);
    return info;
}
