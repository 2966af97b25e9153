#include "player/vst2_instance.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
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

std::string hex32(VstInt32 value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
}

std::string trimmedRight(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
    return text;
}

}  // namespace

Vst2Instance::Vst2Instance(const std::string& path, double sampleRate, std::uint32_t maxFrames)
    : library(loadablePath(path)) {
    if (!library.loaded()) throw std::runtime_error("cannot load plug-in " + path + ": " + library.reason());
    effectHost.sampleRate = sampleRate;
    effectHost.blockSize = static_cast<std::int32_t>(maxFrames);
    const PluginEntry entry = library.entry();
    if (entry == nullptr)
        throw std::runtime_error(path + " is not a VST 2 plug-in: it exports neither VSTPluginMain nor main");
    effect = effectHost.open(entry);
    if (effect == nullptr) throw std::runtime_error(path + ": the plug-in's entry point returned no effect");
    if (effect->magic != kEffectMagic || !effectHost.routes()) {
        // Not a record this host can talk to, so not one it can close
        // either: the library stays loaded until the process ends.
        const VstInt32 magic = effect->magic;
        effectHost.abandon();
        library.keepLoaded();
        if (magic != kEffectMagic) {
            throw std::runtime_error(path + ": the entry point returned a record with magic " + hex32(magic) +
                                     " instead of 'VstP' (" + hex32(kEffectMagic) + ")");
        }
        throw std::runtime_error(path + ": the plug-in keeps a value of its own in the record's user field, which "
                                        "is the host's");
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

void Vst2Instance::prepare(double sampleRate, std::uint32_t maxFrames) {
    effectHost.sampleRate = sampleRate;
    effectHost.blockSize = static_cast<std::int32_t>(maxFrames);
    effectHost.dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    effectHost.dispatch(effSetBlockSize, 0, static_cast<VstIntPtr>(maxFrames));
    told = {sampleRate, maxFrames};
}

bool Vst2Instance::activate(double sampleRate, std::uint32_t maxFrames) {
    if (active) deactivate();
    if (told != std::pair{sampleRate, maxFrames}) prepare(sampleRate, maxFrames);
    effectHost.dispatch(effMainsChanged, 0, 1);
    effectHost.dispatch(effStartProcess);
    active = true;
    lastEnd.reset();
    return true;
}

void Vst2Instance::deactivate() {
    if (!active) return;
    effectHost.dispatch(effStopProcess);
    effectHost.dispatch(effMainsChanged, 0, 0);
    active = false;
}

void Vst2Instance::setValue(std::size_t index, double value) {
    effect->setParameter(effect, static_cast<VstInt32>(index), static_cast<float>(value));
}

double Vst2Instance::valueInUse(std::size_t index) { return effect->getParameter(effect, static_cast<VstInt32>(index)); }

// The label as the effect gives it now: some change it with the value.
std::string Vst2Instance::valueText(std::size_t index) {
    const auto parameter = static_cast<VstInt32>(index);
    return trimmedRight(trimmedRight(text(effGetParamDisplay, parameter)) + " " +
                        trimmedRight(text(effGetParamLabel, parameter)));
}

void Vst2Instance::selectProgram(int index) {
    effectHost.dispatch(effBeginSetProgram);
    effectHost.dispatch(effSetProgram, 0, index);
    effectHost.dispatch(effEndSetProgram);
}

std::vector<std::string> Vst2Instance::programNames() {
    const VstInt32 count = effect->numPrograms;
    std::vector<std::string> names;
    bool answered = false;
    for (VstInt32 i = 0; i < count; ++i) {
        char buffer[512] = {};
        answered |= effectHost.dispatch(effGetProgramNameIndexed, i, 0, buffer) != 0;
        buffer[sizeof buffer - 1] = '\0';
        names.emplace_back(buffer);
    }
    if (answered || count == 0) return names;

    const VstIntPtr current = effectHost.dispatch(effGetProgram);
    for (VstInt32 i = 0; i < count; ++i) {
        effectHost.dispatch(effSetProgram, 0, i);
        names[static_cast<std::size_t>(i)] = text(effGetProgramName);
    }
    effectHost.dispatch(effSetProgram, 0, current);
    return names;
}

Vst2Details Vst2Instance::details() {
    Vst2Details details;
    details.product = text(effGetProductString);
    details.vendorVersion = effectHost.dispatch(effGetVendorVersion);
    details.pluginVersion = effect->version;
    details.vstVersion = effectHost.dispatch(effGetVstVersion);
    details.uniqueId = effect->uniqueID;
    details.flags = effect->flags;
    return details;
}

void Vst2Instance::playPart(const Block& block, std::uint32_t from, std::uint32_t to) {
    for (std::size_t c = 0; c < inputs.size(); ++c)
        inputs[c] = c < static_cast<std::size_t>(described.inputs) ? const_cast<float*>(block.inputs[c]) + from : nullptr;
    for (std::size_t c = 0; c < outputs.size(); ++c)
        outputs[c] = c < static_cast<std::size_t>(described.outputs) ? block.outputs[c] + from : nullptr;
    const auto frames = static_cast<VstInt32>(to - from);
    if (const std::optional<HostPosition> position = positionAt(block, from)) {
        // Changed where the transport starts, stops or is not where the
        // part before left it.
        const bool changed = !lastEnd || lastEnd->sample != position->sample ||
                             lastEnd->playing != position->playing ||
                             lastEnd->beatsPerMinute != position->beatsPerMinute;
        time = timeInfoAt(position->sample, effectHost.sampleRate, position->beatsPerMinute, position->playing,
                          changed);
        effectHost.timeAnswer = &time;
        effectHost.tellsTime = true;
        lastEnd = position;
        if (lastEnd->playing) lastEnd->sample += frames;
    } else {
        effectHost.timeAnswer = nullptr;
        effectHost.tellsTime = false;
        lastEnd.reset();
    }
    // An effect that only accumulates adds into its outputs, which are
    // cleared first.
    if ((effect->flags & effFlagsCanReplacing) != 0 && effect->processReplacing != nullptr) {
        effect->processReplacing(effect, inputs.data(), outputs.data(), frames);
    } else {
        for (int c = 0; c < described.outputs; ++c) std::fill_n(outputs[static_cast<std::size_t>(c)], frames, 0.0f);
        if (effect->process != nullptr) effect->process(effect, inputs.data(), outputs.data(), frames);
    }
}
