#include "player/vst2_instance.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>

namespace {

// The four characters when all are printable, as hosts show the ID; the
// number otherwise.
std::string uniqueIdText(VstInt32 id) {
    const auto bits = static_cast<std::uint32_t>(id);
    std::string characters;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = static_cast<char>((bits >> shift) & 0xFFu);
        if (c < 0x20 || c >= 0x7F) return std::to_string(bits);
        characters += c;
    }
    return characters;
}

std::string trimmedRight(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
    return text;
}

}  // namespace

Vst2Instance::Vst2Instance(const std::string& path) : library(path) {
    if (!library.loaded()) throw std::runtime_error("cannot load " + path + ": " + library.error());
    const PluginEntry entry = library.entry();
    if (entry == nullptr) throw std::runtime_error(path + " is not a VST 2 plug-in");
    effect = effectHost.open(entry);
    if (effect == nullptr || effect->magic != kEffectMagic || !effectHost.routes()) {
        effectHost.abandon();
        library.keepLoaded();
        throw std::runtime_error(path + ": the plug-in gave no effect that this host can talk to");
    }
    // Checked before anything is allocated for them; the host closes the
    // effect if this throws.
    checkClaimedChannels(path, effect->numInputs, effect->numOutputs);
    checkClaimedCount(path, effect->numParams, maxParameters(), "parameters");
    effectHost.dispatch(effOpen);

    described.format = PluginFormat::vst2;
    described.name = text(effGetEffectName);
    described.vendor = text(effGetVendorString);
    described.version = std::to_string(effectHost.dispatch(effGetVendorVersion));
    described.id = uniqueIdText(effect->uniqueID);
    described.inputs = effect->numInputs;
    described.outputs = effect->numOutputs;
    for (VstInt32 i = 0; i < effect->numParams; ++i) {
        described.parameters.push_back({text(effGetParamName, i), std::to_string(i),
                                        trimmedRight(text(effGetParamLabel, i)), 0.0,
                                        1.0, effect->getParameter(effect, i)});
    }
    inputs.resize(static_cast<std::size_t>(std::max(effect->numInputs, 1)));
    outputs.resize(static_cast<std::size_t>(std::max(effect->numOutputs, 1)));
    time.timeSigNumerator = 4;
    time.timeSigDenominator = 4;
}

Vst2Instance::~Vst2Instance() {
    if (active) deactivate();
    effectHost.close();
}

std::string Vst2Instance::text(VstInt32 opcode, VstInt32 index) {
    // Far larger than the interface's limits, which plug-ins overrun.
    char buffer[512] = {};
    effectHost.dispatch(opcode, index, 0, buffer);
    buffer[sizeof buffer - 1] = '\0';
    return buffer;
}

bool Vst2Instance::activate(double sampleRate, std::uint32_t maxFrames) {
    time.sampleRate = sampleRate;
    effectHost.dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    effectHost.dispatch(effSetBlockSize, 0, static_cast<VstIntPtr>(maxFrames));
    effectHost.dispatch(effMainsChanged, 0, 1);
    effectHost.dispatch(effStartProcess);
    active = true;
    return true;
}

void Vst2Instance::deactivate() {
    effectHost.dispatch(effStopProcess);
    effectHost.dispatch(effMainsChanged, 0, 0);
    active = false;
}

void Vst2Instance::setValue(std::size_t index, double value) {
    effect->setParameter(effect, static_cast<VstInt32>(index), static_cast<float>(value));
}

double Vst2Instance::valueInUse(std::size_t index) { return effect->getParameter(effect, static_cast<VstInt32>(index)); }

std::string Vst2Instance::valueText(std::size_t index) {
    return trimmedRight(trimmedRight(text(effGetParamDisplay, static_cast<VstInt32>(index))) + " " +
                        described.parameters[index].unit);
}

void Vst2Instance::playPart(const Block& block, std::uint32_t from, std::uint32_t to) {
    if (to <= from) return;
    for (std::size_t c = 0; c < inputs.size(); ++c)
        inputs[c] = c < static_cast<std::size_t>(described.inputs) ? const_cast<float*>(block.inputs[c]) + from : nullptr;
    for (std::size_t c = 0; c < outputs.size(); ++c)
        outputs[c] = c < static_cast<std::size_t>(described.outputs) ? block.outputs[c] + from : nullptr;
    if (block.position != nullptr) {
        const HostPosition& position = *block.position;
        time.samplePos = position.sample + (position.playing ? static_cast<double>(from) : 0.0);
        time.tempo = position.beatsPerMinute;
        time.ppqPos = time.samplePos / time.sampleRate * time.tempo / 60.0;
        time.flags = kVstPpqPosValid | kVstTempoValid | kVstTimeSigValid | (position.playing ? kVstTransportPlaying : 0);
        effectHost.timeAnswer = &time;
    } else {
        effectHost.timeAnswer = nullptr;
    }
    effect->processReplacing(effect, inputs.data(), outputs.data(), static_cast<VstInt32>(to - from));
}

