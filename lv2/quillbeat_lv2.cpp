// The LV2 edition: a plug-in descriptor whose instance plays one core. run()
// only reads the host's ports and messages, passes the controls the host
// changed, and processes the block, cut where a transport message applies;
// then it writes the values in use and the step to their output ports, and
// hands them to the inline display.
#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/urid/urid.h>

#include <array>
#include <cstring>
#include <new>

#include "edition/block_parts.h"
#include "edition/edition_core.h"
#include "lv2/inline_display.h"
#include "lv2/port_layout.h"
#include "lv2/time_message_reader.h"
#include "lv2/transport_position.h"

namespace {

struct Instance {
    Instance(const LV2_URID_Map* map, double sampleRate)
        : timeMessages(map), sampleRate(static_cast<float>(sampleRate)), display(sampleRate) {
        for (std::size_t i = 0; i < stepOutputs.size(); ++i) stepOutputs[i] = &unconnectedStep[i];
    }

    EditionCore effect;
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
    // The step's output ports, from port::kStep on; one the host has not
    // connected (or connected to null) writes its place in
    // `unconnectedStep`. The rate and the note periods change only where a
    // step starts (the rate never): written then, and after the instance
    // starts anew or a port moves.
    std::array<float*, port::kStepPortCount> stepOutputs{};
    std::array<float, port::kStepPortCount> unconnectedStep{};
    std::int32_t stepWritten = 0;
    bool stepStartUnwritten = true;
    const float sampleRate;
    InlineDisplay display;
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

// No instance at a sample rate the editions refuse (isUsableSampleRate).
// The core counts its step grid at a rate of its own, whatever the host's.
LV2_Handle instantiate(const LV2_Descriptor*, double sampleRate, const char*, const LV2_Feature* const* features) {
    if (!isUsableSampleRate(sampleRate)) return nullptr;
    auto* instance = new (std::nothrow) Instance(findUridMap(features), sampleRate);
    if (instance == nullptr) return nullptr;
    instance->display.findHost(features);
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
    } else if (index >= port::kFirstValueInUse && index < port::kFirstValueInUse + kParameterCount) {
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
    } else if (index >= port::kStep && index < port::kCount) {
        const std::uint32_t step = index - port::kStep;
        instance->stepOutputs[step] = data != nullptr ? static_cast<float*>(data) : &instance->unconnectedStep[step];
        instance->stepStartUnwritten = true;
    }
}

// Every activate starts the instance anew, as if just instantiated: the core
// as new, its values the initial ones, and no known transport. The control
// ports keep their values, and the next run passes those that differ, as to
// a new instance. Allocates nothing.
void activate(LV2_Handle handle) {
    auto& instance = *static_cast<Instance*>(handle);
    instance.effect.reset();
    for (int i = 0; i < kParameterCount; ++i) {
        instance.effect.restoreControl(i, kParameterTable[static_cast<std::size_t>(i)].initialValue);
        if (instance.controls[i] == &instance.unconnected[i]) holdAsPassed(instance, i);
    }
    instance.transport = TransportPosition();
    instance.stepStartUnwritten = true;
}

void deactivate(LV2_Handle) {}

// Frames [from, to) of the block as one process call at the transport's
// position.
void processPart(Instance& instance, std::uint32_t from, std::uint32_t to) {
    // The core reads both inputs of a frame before writing either output, so
    // the host may connect the same buffer as input and output.
    const float* inputs[2];
    float* outputs[2];
    for (int c = 0; c < 2; ++c) {
        inputs[c] = instance.inputs[c] != nullptr ? instance.inputs[c] + from : nullptr;
        outputs[c] = instance.outputs[c] != nullptr ? instance.outputs[c] + from : nullptr;
    }
    instance.effect.process(inputs, outputs, to - from, instance.transport.position());
    instance.transport.advance(to - from);
}

void applyTimeMessage(TransportPosition& transport, const TimeMessage& message) {
    if (message.speed) transport.setSpeed(*message.speed);
    transport.hearFrame(message.position, message.speed && *message.speed != 0.0, message.frameInBlock == 0);
}

// The block's transport messages, each applied at its frame, the block
// processed up to the last of them; returns the frames done. Kept out of
// run(), which most blocks pass through without a message: its loop would
// cost them the registers it saves.
[[gnu::noinline]] void playTimeMessages(Instance& instance, BlockParts& parts) {
    std::uint64_t offset = 0;
    const auto playPart = [&](std::uint32_t from, std::uint32_t to) { processPart(instance, from, to); };
    while (const LV2_Atom_Event* event = nextEvent(*instance.timeEvents, offset)) {
        const std::optional<TimeMessage> message = instance.timeMessages.read(*event);
        if (!message) continue;
        parts.playUntil(message->frameInBlock, playPart);
        applyTimeMessage(instance.transport, *message);
    }
}

void writeStep(Instance& instance, const StepView& view) {
    const auto write = [&](std::uint32_t port, float value) { *instance.stepOutputs[port - port::kStep] = value; };
    write(port::kStep, static_cast<float>(view.step));
    write(port::kFrameInStep, static_cast<float>(view.frameInStep));
    write(port::kFramesPerStep, static_cast<float>(view.framesPerStep));
    write(port::kPassingThrough, view.passingThrough ? 1.0f : 0.0f);
    if (view.step != instance.stepWritten || instance.stepStartUnwritten) [[unlikely]] {
        write(port::kSampleRate, instance.sampleRate);
        write(port::kVolumeNotePeriod, static_cast<float>(view.ampNotePeriod));
        write(port::kFilterNotePeriod, static_cast<float>(view.filterNotePeriod));
        instance.stepWritten = view.step;
        instance.stepStartUnwritten = false;
    }
}

void run(LV2_Handle handle, std::uint32_t frames) {
    auto& instance = *static_cast<Instance*>(handle);
    instance.effect.passChangedControls(instance.controls);
    instance.transport.startBlock();
    const bool hasEvents = instance.timeEvents != nullptr && instance.timeMessages.readsFrom(*instance.timeEvents);
    BlockParts parts(frames);
    if (hasEvents) playTimeMessages(instance, parts);
    parts.finish([&](std::uint32_t from, std::uint32_t to) { processPart(instance, from, to); });
    const bool valuesChanged = instance.effect.writeValuesInUse(instance.valuesInUse);
    const StepView view = instance.effect.stepView();
    writeStep(instance, view);
    instance.display.publish(instance.effect, view, valuesChanged);
}

void cleanup(LV2_Handle handle) { delete static_cast<Instance*>(handle); }

LV2_Inline_Display_Image_Surface* renderInlineDisplay(LV2_Handle handle, std::uint32_t width, std::uint32_t maxHeight) {
    auto& instance = *static_cast<Instance*>(handle);
    return instance.display.render(instance.effect, width, maxHeight);
}

const LV2_Inline_Display_Interface kInlineDisplay{renderInlineDisplay};

const void* extensionData(const char* uri) {
    return std::strcmp(uri, QUILLBEAT_IDPY__interface) == 0 ? &kInlineDisplay : nullptr;
}

const LV2_Descriptor kDescriptor = {kPluginUri, instantiate, connectPort, activate, run, deactivate, cleanup,
                                    extensionData};

}  // namespace

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(std::uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}
