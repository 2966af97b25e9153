// The recording host of the tests and the record fuzzer: it opens an effect
// through an entry point (the built plug-in's, one linked in, or a framework
// class built on the spot), records every call the effect makes back, and
// answers from a scriptable state: the version, a time record or none, and
// anything else. It then talks to the effect only through the record, as a
// real host does.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "abi/vst2_abi.h"
#include "player/effect_host.h"

// Two channels of audio and the channel-pointer arrays a process call takes.
struct StereoBuffer {
    explicit StereoBuffer(int frames = 0, float fill = 0.0f) : left(frames, fill), right(frames, fill) {}
    int frames() const { return static_cast<int>(left.size()); }
    float** channels() {
        pointers[0] = left.data();
        pointers[1] = right.data();
        return pointers;
    }
    std::vector<float> left;
    std::vector<float> right;

private:
    float* pointers[2] = {nullptr, nullptr};
};

class TestHost final : public EffectHost {
public:
    TestHost() = default;

    // Calls `entry` with the recording callback; the record, or null when
    // the plug-in refused.
    using EffectHost::open;
    // The same with the built plug-in's entry point of that name (defined
    // with the built plug-in, in quillbeat_test_host).
    AEffect* open(const char* entryName = "VSTPluginMain");
    // An effect of a framework class, `new Effect(callback, arguments...)`,
    // opened as its entry point would open it: this host owns it and closes
    // it, and every call it makes comes here.
    template <typename Effect, typename... Arguments>
    Effect& build(Arguments... arguments);

    // ---- what the callback answers -------------------------------------
    // The version query gets versionAnswer (the host's). Time requests get
    // timeInfo, or null when answerTimeInfo is false.
    bool answerTimeInfo = true;
    VstTimeInfo timeInfo = playingTransport();
    // Answers every other request; 0 when empty.
    std::function<VstIntPtr(const HostCall&)> answerOther;

    // ---- what the callback saw -----------------------------------------
    // (the host's counts count them too, and are never cleared)
    std::vector<HostCall> calls() const;
    std::size_t callCount(VstInt32 opcode) const;
    void clearCalls();

    // ---- requests through the record -----------------------------------
    // (dispatch and close are the host's)
    void setParameter(VstInt32 index, float value) { effect()->setParameter(effect(), index, value); }
    float getParameter(VstInt32 index) { return effect()->getParameter(effect(), index); }
    void process(float** inputs, float** outputs, VstInt32 frames) {
        effect()->processReplacing(effect(), inputs, outputs, frames);
    }
    // Processes `buffer` in place as one block that the host places at
    // `samplePos`.
    void processAt(double samplePos, StereoBuffer& buffer);
    // Processes `input` into `output` as one block at `samplePos`.
    void processAt(double samplePos, StereoBuffer& input, StereoBuffer& output);
    // A text request (program name, parameter label, display or name, or any
    // other that writes a text through ptr), read back as a string.
    std::string text(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0);

private:
    VstIntPtr answer(const HostCall& call) override;

    mutable std::mutex callsMutex;
    std::vector<HostCall> recordedCalls;
};

template <typename Effect, typename... Arguments>
Effect& TestHost::build(Arguments... arguments) {
    // An entry point is a plain function: it finds its arguments here.
    static thread_local std::function<AEffect*(audioMasterCallback)> construct;
    construct = [&](audioMasterCallback callback) { return (new Effect(callback, arguments...))->getAeffect(); };
    EffectHost::open([](audioMasterCallback callback) { return construct(callback); });
    return *static_cast<Effect*>(effect()->object);
}
