// The LV2 edition: a plug-in descriptor whose instance plays the VST 2 host
// of one effect. run() only reads the host's ports and messages, passes the
// controls the host changed, and processes the block, cut where a transport
// message applies.
#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/urid/urid.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>

#include "lv2/hosted_effect.h"
#include "lv2/port_layout.h"
#include "lv2/time_message_reader.h"
#include "lv2/transport_position.h"

namespace {

// The effect opened as a new instance's is, at the host's sample rate; null
// without memory for it.
std::unique_ptr<HostedEffect> openEffect(double sampleRate) {
    auto effect = std::unique_ptr<HostedEffect>(new (std::nothrow) HostedEffect);
    if (effect == nullptr || !effect->open()) return nullptr;
    effect->dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    return effect;
}

struct Instance {
    Instance(double sampleRate, const LV2_URID_Map* map)
        : sampleRate(sampleRate), transport(sampleRate), timeMessages(map) {}

    // Everything that depends on what the instance has played: a new effect,
    // no known transport, and the effect's own values as the ones passed.
    // The control ports are the host's and keep their values.
    void startAnew(std::unique_ptr<HostedEffect> fresh) {
        effect = std::move(fresh);
        transport = TransportPosition(sampleRate);
        for (int i = 0; i < kParameterCount; ++i)
            controlsPassed[i] = std::bit_cast<std::uint32_t>(effect->getParameter(i));
    }

    const double sampleRate;
    std::unique_ptr<HostedEffect> effect;
    // A new effect's values: the ports' defaults, as the Turtle gives them.
    std::array<float, kParameterCount> defaults{};
    TransportPosition transport;
    TimeMessageReader timeMessages;

    // Connected by the host; any of them may still be null.
    std::array<const float*, kParameterCount> controls{};
    std::array<float*, kParameterCount> valuesInUse{};
    const float* inputs[2] = {nullptr, nullptr};
    float* outputs[2] = {nullptr, nullptr};
    const LV2_Atom_Sequence* timeEvents = nullptr;

    // Each control port's value as the host last changed it, bit for bit.
    // "RANDOM" and "AUTO" overwrite envelope values inside the effect, so a
    // control reaches it only when the host changes it: its own picks stay
    // until the user moves that control, as under a VST 2 host.
    std::array<std::uint32_t, kParameterCount> controlsPassed{};
};

const LV2_URID_Map* findUridMap(const LV2_Feature* const* features) {
    for (; features != nullptr && *features != nullptr; ++features) {
        if (std::strcmp((*features)->URI, LV2_URID__map) == 0)
            return static_cast<const LV2_URID_Map*>((*features)->data);
    }
    return nullptr;
}

LV2_Handle instantiate(const LV2_Descriptor*, double sampleRate, const char*, const LV2_Feature* const* features) {
    auto* instance = new (std::nothrow) Instance(sampleRate, findUridMap(features));
    if (instance == nullptr) return nullptr;
    auto effect = openEffect(sampleRate);
    if (effect == nullptr) {
        delete instance;
        return nullptr;
    }
    for (int i = 0; i < kParameterCount; ++i) instance->defaults[i] = effect->getParameter(i);
    instance->startAnew(std::move(effect));
    return instance;
}

void connectPort(LV2_Handle handle, std::uint32_t index, void* data) {
    auto* instance = static_cast<Instance*>(handle);
    if (index < port::kFirstParameter + kParameterCount) {
        instance->controls[index - port::kFirstParameter] = static_cast<const float*>(data);
    } else if (index >= port::kFirstValueInUse && index < port::kCount) {
        instance->valuesInUse[index - port::kFirstValueInUse] = static_cast<float*>(data);
    } else if (index == port::kInputLeft || index == port::kInputRight) {
        instance->inputs[index - port::kInputLeft] = static_cast<const float*>(data);
    } else if (index == port::kOutputLeft || index == port::kOutputRight) {
        instance->outputs[index - port::kOutputLeft] = static_cast<float*>(data);
    } else if (index == port::kTimeEvents) {
        instance->timeEvents = static_cast<const LV2_Atom_Sequence*>(data);
    }
}

// Every activate starts the instance anew, as if just instantiated. The
// effect has no reset of its own (suspend and resume keep its state, as VST 2
// hosts expect), so a newly opened one replaces it. That allocates, as
// instantiate does: activate is outside the audio thread's real-time work,
// and run allocates nothing. Without memory for a new effect the one in use
// carries on.
void activate(LV2_Handle handle) {
    auto& instance = *static_cast<Instance*>(handle);
    if (auto fresh = openEffect(instance.sampleRate)) instance.startAnew(std::move(fresh));
    instance.effect->dispatch(effMainsChanged, 0, 1);
    instance.effect->dispatch(effStartProcess);
}

void deactivate(LV2_Handle handle) {
    auto& effect = *static_cast<Instance*>(handle)->effect;
    effect.dispatch(effStopProcess);
    effect.dispatch(effMainsChanged, 0, 0);
}

// A control changed by the host reaches the effect held to the port's
// range; a value that is not a number is taken as the port's default.
void passChangedControls(Instance& instance) {
    for (int i = 0; i < kParameterCount; ++i) {
        if (instance.controls[i] == nullptr) continue;
        const float value = *instance.controls[i];
        const auto bits = std::bit_cast<std::uint32_t>(value);
        if (bits == instance.controlsPassed[i]) continue;
        instance.controlsPassed[i] = bits;
        instance.effect->setParameter(
            i, std::isnan(value) ? instance.defaults[i] : std::clamp(value, kControlMinimum, kControlMaximum));
    }
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
    instance.effect->process(inputs, outputs, static_cast<VstInt32>(to - from), instance.transport.timeInfo());
    instance.transport.advance(to - from);
}

void applyTimeMessage(TransportPosition& transport, const TimeMessage& message) {
    if (message.speed) transport.setSpeed(*message.speed);
    if (message.beatsPerMinute) transport.setTempo(*message.beatsPerMinute);
    transport.hearFrame(message.position, message.speed && *message.speed != 0.0, message.frameInBlock == 0);
}

void run(LV2_Handle handle, std::uint32_t frames) {
    auto& instance = *static_cast<Instance*>(handle);
    passChangedControls(instance);
    instance.transport.startBlock();

    std::uint32_t done = 0;
    if (instance.timeEvents != nullptr && instance.timeMessages.canRead()) {
        std::uint64_t offset = 0;
        while (const LV2_Atom_Event* event = nextEvent(*instance.timeEvents, offset)) {
            const std::optional<TimeMessage> message = instance.timeMessages.read(*event);
            if (!message) continue;
            // A message applies from its frame on; one out of order or past
            // the block applies where the block has got to, or at its end.
            const std::uint32_t at = message->frameInBlock < frames ? message->frameInBlock : frames;
            if (at > done) {
                processPart(instance, done, at);
                done = at;
            }
            applyTimeMessage(instance.transport, *message);
        }
    }
    processPart(instance, done, frames);

    for (int i = 0; i < kParameterCount; ++i)
        if (instance.valuesInUse[i] != nullptr) *instance.valuesInUse[i] = instance.effect->getParameter(i);
}

void cleanup(LV2_Handle handle) { delete static_cast<Instance*>(handle); }

const void* extensionData(const char*) { return nullptr; }

const LV2_Descriptor kDescriptor = {kPluginUri, instantiate, connectPort, activate, run, deactivate, cleanup,
                                    extensionData};

}  // namespace

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(std::uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}
