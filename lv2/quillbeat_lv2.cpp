// The LV2 edition: a plug-in descriptor whose instance plays the VST 2 host
// of one effect. run() only reads the host's ports and messages, passes the
// controls the host changed, and processes the block, cut where a transport
// message applies.
#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/urid/urid.h>

#include <array>
#include <cstring>
#include <new>

#include "edition/edition_adapter.h"
#include "lv2/port_layout.h"
#include "lv2/time_message_reader.h"
#include "lv2/transport_position.h"

namespace {

struct Instance {
    Instance(double sampleRate, const LV2_URID_Map* map)
        : sampleRate(sampleRate), transport(sampleRate), timeMessages(map) {}

    const double sampleRate;
    EditionAdapter effect;
    TransportPosition transport;
    TimeMessageReader timeMessages;

    // Connected by the host; any but the controls may still be null. A
    // control the host has not connected (or connected to null) reads its
    // place in `unconnected`, which holds the value last passed: it keeps
    // that value.
    std::array<const float*, kParameterCount> controls{};
    std::array<float, kParameterCount> unconnected{};
    std::array<float*, kParameterCount> valuesInUse{};
    const float* inputs[2] = {nullptr, nullptr};
    float* outputs[2] = {nullptr, nullptr};
    const LV2_Atom_Sequence* timeEvents = nullptr;
};

const LV2_URID_Map* findUridMap(const LV2_Feature* const* features) {
    for (; features != nullptr && *features != nullptr; ++features) {
        if (std::strcmp((*features)->URI, LV2_URID__map) == 0)
            return static_cast<const LV2_URID_Map*>((*features)->data);
    }
    return nullptr;
}

// Points a control at its place in `unconnected`, holding the value last
// passed.
void holdAsPassed(Instance& instance, int control) {
    instance.unconnected[control] = instance.effect.passedControl(control);
    instance.controls[control] = &instance.unconnected[control];
}

// No instance at a sample rate the effect cannot use (isUsableSampleRate).
LV2_Handle instantiate(const LV2_Descriptor*, double sampleRate, const char*, const LV2_Feature* const* features) {
    auto* instance = new (std::nothrow) Instance(sampleRate, findUridMap(features));
    if (instance == nullptr) return nullptr;
    if (!instance->effect.open(sampleRate)) {
        delete instance;
        return nullptr;
    }
    for (int i = 0; i < kParameterCount; ++i) holdAsPassed(*instance, i);
    return instance;
}

void connectPort(LV2_Handle handle, std::uint32_t index, void* data) {
    auto* instance = static_cast<Instance*>(handle);
    if (index < port::kFirstParameter + kParameterCount) {
        const auto control = static_cast<int>(index - port::kFirstParameter);
        if (data != nullptr)
            instance->controls[control] = static_cast<const float*>(data);
        else
            holdAsPassed(*instance, control);
    } else if (index >= port::kFirstValueInUse && index < port::kCount) {
        // Some hosts connect every port before every run.
        float*& output = instance->valuesInUse[index - port::kFirstValueInUse];
        if (output != data) instance->effect.outputsMoved();
        output = static_cast<float*>(data);
    } else if (index == port::kInputLeft || index == port::kInputRight) {
        instance->inputs[index - port::kInputLeft] = static_cast<const float*>(data);
    } else if (index == port::kOutputLeft || index == port::kOutputRight) {
        instance->outputs[index - port::kOutputLeft] = static_cast<float*>(data);
    } else if (index == port::kTimeEvents) {
        instance->timeEvents = static_cast<const LV2_Atom_Sequence*>(data);
    }
}

// Every activate starts the instance anew, as if just instantiated: a newly
// opened effect and no known transport; the control ports keep their values.
// Opening allocates, as instantiate does: activate is outside the audio
// thread's real-time work, and run allocates nothing. Without memory for a
// new effect the one in use carries on.
void activate(LV2_Handle handle) {
    auto& instance = *static_cast<Instance*>(handle);
    if (instance.effect.startAnew()) {
        instance.transport = TransportPosition(instance.sampleRate);
        // The new effect's values count as passed.
        for (int i = 0; i < kParameterCount; ++i)
            if (instance.controls[i] == &instance.unconnected[i]) holdAsPassed(instance, i);
    }
    instance.effect.dispatch(effMainsChanged, 0, 1);
    instance.effect.dispatch(effStartProcess);
}

void deactivate(LV2_Handle handle) {
    auto& effect = static_cast<Instance*>(handle)->effect;
    effect.dispatch(effStopProcess);
    effect.dispatch(effMainsChanged, 0, 0);
}

// Frames [from, to) of the block as one process call at the transport's
// position.
void processPart(Instance& instance, std::uint32_t from, std::uint32_t to) {
    if (to <= from) return;
    // The effect reads both inputs of a frame before writing either output,
    // so the host may connect the same buffer as input and output.
    float* inputs[2];
    float* outputs[2];
    for (int c = 0; c < 2; ++c) {
        inputs[c] = instance.inputs[c] != nullptr ? const_cast<float*>(instance.inputs[c]) + from : nullptr;
        outputs[c] = instance.outputs[c] != nullptr ? instance.outputs[c] + from : nullptr;
    }
    instance.effect.process(inputs, outputs, static_cast<VstInt32>(to - from), instance.transport.timeInfo());
    instance.transport.advance(to - from);
}

void applyTimeMessage(TransportPosition& transport, const TimeMessage& message) {
    if (message.speed) transport.setSpeed(*message.speed);
    if (message.beatsPerMinute) transport.setTempo(*message.beatsPerMinute);
    transport.hearFrame(message.position, message.speed && *message.speed != 0.0, message.frameInBlock == 0);
}

// The block's transport messages, each applied at its frame, the block
// processed up to the last of them; returns the frames done. Kept out of
// run(), which most blocks pass through without a message: its loop would
// cost them the registers it saves.
[[gnu::noinline]] std::uint32_t playTimeMessages(Instance& instance, std::uint32_t frames) {
    std::uint32_t done = 0;
    std::uint64_t offset = 0;
    while (const LV2_Atom_Event* event = nextEvent(*instance.timeEvents, offset)) {
        const std::optional<TimeMessage> message = instance.timeMessages.read(*event);
        if (!message) continue;
        // A message applies from its frame on; one out of order or past the
        // block applies where the block has got to, or at its end.
        const std::uint32_t at = message->frameInBlock < frames ? message->frameInBlock : frames;
        if (at > done) {
            processPart(instance, done, at);
            done = at;
        }
        applyTimeMessage(instance.transport, *message);
    }
    return done;
}

void run(LV2_Handle handle, std::uint32_t frames) {
    auto& instance = *static_cast<Instance*>(handle);
    instance.effect.passChangedControls(instance.controls);
    instance.transport.startBlock();
    const bool hasEvents = instance.timeEvents != nullptr && instance.timeMessages.readsFrom(*instance.timeEvents);
    const std::uint32_t done = hasEvents ? playTimeMessages(instance, frames) : 0;
    processPart(instance, done, frames);
    instance.effect.readValuesInUse(instance.valuesInUse);
}

void cleanup(LV2_Handle handle) { delete static_cast<Instance*>(handle); }

const void* extensionData(const char*) { return nullptr; }

const LV2_Descriptor kDescriptor = {kPluginUri, instantiate, connectPort, activate, run, deactivate, cleanup,
                                    extensionData};

}  // namespace

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(std::uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}
