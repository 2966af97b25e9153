// What an edition of the effect in another plug-in format shares: it plays
// the VST 2 host of one effect inside the plug-in, and reaches the effect
// through the entry point and the record's functions, as any VST 2 host
// does. It answers the effect's time request with the record of the
// edition's transport for each block, passes a control to the effect only
// when its value changed, and reads back the values the effect is using.
//
// Its callback is its own, not the host library's: it finds the adapter
// through the record's user field, and answers a call without a record (the
// entry point's version query) from constants, so it keeps no state per
// thread, which a plug-in library would have to ask the system's loader
// for.
#pragma once

#include <array>
#include <atomic>
#include <bit>
#include <cstdint>

#include "effect/parameters.h"
#include "host/vst2_abi.h"

// The sample rates an edition starts the effect at, 1 Hz to 2^24 Hz
// (16 777 216 Hz); NaN and the infinities are outside. The effect is given
// its rate as a float, which holds every whole rate up to 2^24 exactly (and
// turns 1e300 into infinity), and the CLAP edition's song positions are
// exact in integers up to that rate. Below one frame a second there is no
// audio to cut. Every rate hosts and sound files use, 8 kHz to 768 kHz, is
// well inside.
inline constexpr double kLowestSampleRate = 1.0;
inline constexpr double kHighestSampleRate = 0x1p24;
inline bool isUsableSampleRate(double rate) { return rate >= kLowestSampleRate && rate <= kHighestSampleRate; }

class EditionAdapter {
public:
    EditionAdapter() = default;
    ~EditionAdapter();
    EditionAdapter(const EditionAdapter&) = delete;
    EditionAdapter& operator=(const EditionAdapter&) = delete;

    // Creates the effect through the entry point, opens it and gives it the
    // host's sample rate; false for a rate that is not usable, or when the
    // entry point refuses (no memory, for one).
    bool open(double sampleRate);
    // Replaces the effect with a newly opened one at the same sample rate,
    // so nothing the old one played is heard: the effect has no reset of its
    // own (suspend and resume keep its state, as VST 2 hosts expect). The
    // controls count as passed at the new effect's values, for a format
    // whose host keeps them and passes them again (LV2's ports). Allocates,
    // so not for the audio thread; false without memory, and the old effect
    // stays.
    bool startAnew();
    // The same for a format whose plug-in keeps the values (CLAP): the new
    // effect goes on with the values in use, the controls as last passed,
    // and the sample rate given. An unusable rate is refused, and the old
    // effect stays.
    bool startAnewKeepingValues(double sampleRate);

    // A request may change values (a program change does), so the values in
    // use are read afresh after one.
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f) {
        valuesKnown.store(false, std::memory_order_relaxed);
        return record->dispatcher(record, opcode, index, value, ptr, opt);
    }
    void setParameter(VstInt32 index, float value) {
        valuesKnown.store(false, std::memory_order_relaxed);
        record->setParameter(record, index, value);
    }
    float getParameter(VstInt32 index) { return record->getParameter(record, index); }
    VstInt32 parameterCount() const { return record->numParams; }
    VstInt32 programCount() const { return record->numPrograms; }

    // A control reaches the effect only when the host changed it, bit for
    // bit, since the value last passed: "RANDOM" and "AUTO" overwrite
    // envelope values inside the effect, and their picks stay until the user
    // moves that control, as under a VST 2 host. It reaches the effect held
    // to the parameter's range, and a value that is not a number as the
    // parameter's initial value: a plug-in format's ranges are only advice
    // to its hosts, and the effect stores what it is given.
    void passControl(VstInt32 index, float value);
    // Sets a control whatever was passed before, and takes the value as the
    // host's (a saved state coming back). Safe on another thread than the
    // one that processes, as the record's setParameter is.
    void restoreControl(VstInt32 index, float value);
    // The value a newly opened effect has: the control's default.
    float initialValue(VstInt32 index) const { return initialValues[static_cast<std::size_t>(index)]; }
    // passControl for every control; none may be null.
    void passChangedControls(const std::array<const float*, kParameterCount>& controls);
    // The value last passed, bit for bit.
    float passedControl(VstInt32 index) const {
        return std::bit_cast<float>(controlsPassed[static_cast<std::size_t>(index)].load(std::memory_order_relaxed));
    }
    // Writes each parameter's value in use to its output; null outputs are
    // skipped. The effect is asked only when its values may have moved since
    // the last read: twelve calls through the record cost a block of 64
    // frames about 6 % more work, and in "MANUAL" the values in use are the
    // ones passed. The outputs are written only when a value changed since
    // the last write, or after outputsMoved().
    void readValuesInUse(const std::array<float*, kParameterCount>& outputs) {
        if (picksUnread || !outputsCurrent || !valuesKnown.load(std::memory_order_relaxed)) refreshOutputs(outputs);
    }
    // The host gave an output new memory: the next read writes them all.
    void outputsMoved() { outputsCurrent = false; }

    // One block. The effect's time-information request is answered with
    // `time`, or with null, as a host without a transport answers.
    void process(float** inputs, float** outputs, VstInt32 frames, const VstTimeInfo* time) {
        // Outside "MANUAL" the block may pick new envelope values.
        if (!manualKnown) picksUnread = true;
        timeAnswer = time;
        record->processReplacing(record, inputs, outputs, frames);
        timeAnswer = nullptr;
    }

private:
    static VstIntPtr VST2_CALLBACK answerHost(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                              void* ptr, float opt);

    // readValuesInUse when anything may have moved.
    void refreshOutputs(const std::array<float*, kParameterCount>& outputs);
    // A newly opened effect at the sample rate, or null.
    AEffect* openRecord();
    // Puts `fresh` in the place of the effect in use.
    void replaceRecord(AEffect* fresh);
    void closeRecord();

    AEffect* record = nullptr;
    double sampleRate = 44100.0;
    // Only set for the length of a process call, on the audio thread.
    const VstTimeInfo* timeAnswer = nullptr;
    // Each control's value as last passed to the effect, bit for bit;
    // relaxed atomics, as a restore may come from another thread.
    std::array<std::atomic<std::uint32_t>, kParameterCount> controlsPassed{};
    std::array<float, kParameterCount> initialValues{};

    // The values in use as last read or passed, for readValuesInUse; only on
    // the thread that processes. valuesKnown is false once anything else set
    // a value; manualKnown is true while the switch is known to be at
    // "MANUAL", picksUnread once a block may have picked values, and
    // outputsCurrent while the outputs hold valuesInUse.
    std::array<float, kParameterCount> valuesInUse{};
    std::atomic<bool> valuesKnown = false;
    bool manualKnown = false;
    bool picksUnread = true;
    bool outputsCurrent = false;
};
