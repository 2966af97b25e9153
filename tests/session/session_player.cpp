#include "tests/session/session_player.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <limits>

#include "player/effect_host.h"
#include "tests/session/report.h"
#include "tests/session/session_script.h"

namespace {

// ---- requests through the record ---------------------------------------

VstIntPtr dispatch(AEffect* effect, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                   void* ptr = nullptr) {
    return effect->dispatcher(effect, opcode, index, value, ptr, 0.0f);
}

// A text request, read back up to its terminator.
std::string text(AEffect* effect, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0) {
    char buffer[256] = {};
    dispatch(effect, opcode, index, value, buffer);
    return std::string(buffer, strnlen(buffer, sizeof buffer));
}

// ---- what is written down ----------------------------------------------

struct RecordField {
    const char* name;
    std::int64_t actual;
    std::int64_t expected;
};

void checkRecord(const AEffect& record, Report& report, std::vector<std::string>& failures) {
    const RecordField fields[] = {
        {"magic", record.magic, kEffectMagic},
        {"programs", record.numPrograms, 16},
        {"parameters", record.numParams, kParameterCount},
        {"inputs", record.numInputs, 2},
        {"outputs", record.numOutputs, 2},
        {"flags", record.flags, effFlagsCanReplacing},
        {"unique-id", record.uniqueID, fourCharCode("Qlbt")},
        {"version", record.version, 1},
        {"io-ratio-bits", std::bit_cast<std::uint32_t>(record.ioRatio), std::bit_cast<std::uint32_t>(1.0f)},
    };
    for (const RecordField& field : fields) {
        report.text("record ").text(field.name).text(" ").number(field.actual).endLine();
        if (field.actual != field.expected) failures.push_back(std::string("record field ") + field.name + " is wrong");
    }
    if (record.dispatcher == nullptr || record.setParameter == nullptr || record.getParameter == nullptr ||
        record.processReplacing == nullptr || record.object == nullptr)
        failures.push_back("record lacks a function or its object");
}

void writeIdentity(AEffect* effect, Report& report) {
    report.text("effect-name ").quoted(text(effect, effGetEffectName)).endLine();
    report.text("vendor ").quoted(text(effect, effGetVendorString)).endLine();
    report.text("product ").quoted(text(effect, effGetProductString)).endLine();
    report.text("vendor-version ").number(dispatch(effect, effGetVendorVersion)).endLine();
    for (VstInt32 index = 0; index < kParameterCount; ++index) {
        report.text("parameter ").number(index);
        report.text(" name ").quoted(text(effect, effGetParamName, index));
        report.text(" label ").quoted(text(effect, effGetParamLabel, index)).endLine();
    }
}

// The current program's name and every stored name.
void writeProgramNames(AEffect* effect, Report& report) {
    report.text("  program ").number(dispatch(effect, effGetProgram));
    report.text(" ").quoted(text(effect, effGetProgramName)).text(" bank");
    for (VstInt32 index = 0; index < 16; ++index) report.text(" ").quoted(text(effect, effGetProgramNameIndexed, index));
    report.endLine();
}

void writeParameters(AEffect* effect, Report& report) {
    report.text("  values");
    for (VstInt32 index = 0; index < kParameterCount; ++index)
        report.text(" ").bits(effect->getParameter(effect, index));
    report.endLine().text("  texts");
    for (VstInt32 index = 0; index < kParameterCount; ++index)
        report.text(" ").quoted(text(effect, effGetParamDisplay, index));
    report.endLine();
}

// Values whose texts the sweep reads for every parameter, after 0 to 1 in
// steps of 0.01: the edges of the number forms, of the trigger counts, the
// tempo and the switch, and values no host should send.
constexpr float bitsToFloat(std::uint32_t bits) { return std::bit_cast<float>(bits); }
constexpr float kProbeValues[] = {
    -0.0f, 1e-45f, 1e-38f, 0.00001f, 0.7f, 0.999999f, 1.5f, -0.25f, -1.5f, 12.5f, 123.456f, 1234.5678f,
    1234567.0f, 9999999.0f, -123456.0f, 1e8f, -1e7f, 2e7f, -2e6f, 3.4e38f,
    std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
    std::numeric_limits<float>::quiet_NaN(),
    bitsToFloat(0x3D888889), bitsToFloat(0xBD888889), bitsToFloat(0x3D98A61F),
    bitsToFloat(0x3EB08D3D), bitsToFloat(0x3EB08D3E), bitsToFloat(0x3F308D3D), bitsToFloat(0x3F308D3E),
};

void sweepTexts(AEffect* effect, Report& report) {
    for (VstInt32 index = 0; index < kParameterCount; ++index) {
        const float kept = effect->getParameter(effect, index);
        report.text("sweep ").number(index);
        auto probe = [&](float value) {
            effect->setParameter(effect, index, value);
            report.text(" ").quoted(text(effect, effGetParamDisplay, index));
        };
        for (int step = 0; step <= 100; ++step) probe(static_cast<float>(step / 100.0));
        for (float value : kProbeValues) probe(value);
        report.endLine();
        effect->setParameter(effect, index, kept);
    }
}

// ---- audio -------------------------------------------------------------

// A deterministic noise of 24-bit values between -1 and 1, exact as floats.
class Noise {
public:
    float next() {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(static_cast<std::int32_t>(state >> 8) - 8388608) / 8388608.0f;
    }

private:
    std::uint32_t state = 12345;
};

constexpr float kInfinity = std::numeric_limits<float>::infinity();
constexpr std::array<float, 13> kEdgeValues = {
    0.0f, -0.0f, 1e-40f, -1e-40f, 0.5f, -1.0f, 3e38f, -3e38f, kInfinity, -kInfinity,
    std::numeric_limits<float>::quiet_NaN(), 1.0f, std::numeric_limits<float>::min(),
};

// A block's input: the edge values, or the noise, left then right per frame.
void fillInput(Signal signal, Noise& noise, float* left, float* right, std::size_t frames) {
    for (std::size_t i = 0; i < frames; ++i) {
        if (signal == Signal::EdgeValues) {
            left[i] = kEdgeValues[i % kEdgeValues.size()];
            right[i] = kEdgeValues[(i + 5) % kEdgeValues.size()];
        } else {
            left[i] = noise.next();
            right[i] = noise.next();
        }
    }
}

// The effect sends nothing but the version query and the time request: the
// host counts every other request.
class Player {
public:
    Player(EffectHost& host, SessionOutput& output) : host(host), effect(host.effect()), output(output) {}

    void perform(const Action& action) {
        switch (action.act) {
            case Act::SetParameter:
                effect->setParameter(effect, action.index, action.value);
                report.text("set ").number(action.index).text(" ").bits(action.value).endLine();
                break;
            case Act::SelectProgram:
                dispatch(effect, effSetProgram, 0, action.index);
                report.text("select ").number(action.index).endLine();
                writeProgramNames(effect, report);
                break;
            case Act::RenameProgram: {
                char name[64] = {};
                std::strncpy(name, action.name, sizeof name - 1);
                dispatch(effect, effSetProgramName, 0, 0, name);
                report.text("rename ").quoted(name).endLine();
                writeProgramNames(effect, report);
                break;
            }
            case Act::Play:
            case Act::PlayWithoutTime:
                for (int block = 0; block < action.blocks; ++block)
                    playBlock(action, action.position + static_cast<double>(block) * action.frames);
                break;
            case Act::SweepTexts:
                sweepTexts(effect, report);
                break;
        }
    }

    Report report;

private:
    void playBlock(const Action& action, double position) {
        const std::size_t frames = action.frames > 0 ? static_cast<std::size_t>(action.frames) : 0;
        std::vector<float> inLeft(frames + 1), inRight(frames + 1), outLeft(frames + 1), outRight(frames + 1);
        fillInput(action.signal, noise, inLeft.data(), inRight.data(), frames);
        float* inputs[2] = {inLeft.data(), inRight.data()};
        float* outputs[2] = {outLeft.data(), outRight.data()};
        if (action.inPlace) {
            outLeft = inLeft;
            outRight = inRight;
            inputs[0] = outLeft.data();
            inputs[1] = outRight.data();
        }

        transport.samplePos = position;
        host.timeAnswer = action.act == Act::Play ? &transport : nullptr;
        const HostRequestCounts before = host.counts;
        effect->processReplacing(effect, inputs, outputs, action.frames);

        output.audio.append(reinterpret_cast<const char*>(outLeft.data()), frames * sizeof(float));
        output.audio.append(reinterpret_cast<const char*>(outRight.data()), frames * sizeof(float));
        output.frames += static_cast<long long>(frames);

        report.text("block ").number(output.blocks++).text(" frames ").number(action.frames);
        if (host.timeAnswer != nullptr) {
            report.text(" position ").bits(position);
        } else {
            report.text(" without-time");
        }
        if (action.inPlace) report.text(" in-place");
        report.text(" time-requests ").number(host.counts.time - before.time);
        report.text(" other-requests ").number(host.counts.other - before.other).endLine();
        writeParameters(effect, report);
    }

    EffectHost& host;
    AEffect* effect;
    SessionOutput& output;
    VstTimeInfo transport = playingTransport();
    Noise noise;
};

}  // namespace

SessionOutput playSession(PluginEntry entry) {
    SessionOutput output;
    EffectHost host;
    AEffect* effect = host.open(entry);
    if (effect == nullptr) {
        output.failures.push_back("the entry point gave no effect");
        return output;
    }
    Player player(host, output);
    checkRecord(*effect, player.report, output.failures);
    if (output.failures.empty()) {
        writeIdentity(effect, player.report);
        writeProgramNames(effect, player.report);
        writeParameters(effect, player.report);
        for (const Action& action : kSession) player.perform(action);
    }
    if (host.close() != 1) output.failures.push_back("closing the effect did not answer 1");
    if (host.counts.other != 0) output.failures.push_back("the effect sent the host an unexpected request");
    output.report = player.report.str();
    return output;
}

void checkEntryPoints(const PluginLibrary& library, std::vector<std::string>& failures) {
    for (const char* name : {"VSTPluginMain", "main"}) {
        const PluginEntry entry = library.entry(name);
        if (entry == nullptr) {
            failures.push_back(std::string("the library does not export ") + name);
            continue;
        }
        // A host that answers the version query with 0 gets nothing, after
        // that one query.
        EffectHost refusing;
        refusing.versionAnswer = 0;
        if (refusing.open(entry) != nullptr)
            failures.push_back(std::string(name) + " gave an effect to a host of version 0");
        if (refusing.counts.version != 1 || refusing.counts.time + refusing.counts.other != 0)
            failures.push_back(std::string(name) + " made other calls than one version query");

        EffectHost host;
        AEffect* effect = host.open(entry);
        if (effect == nullptr || effect->magic != kEffectMagic) {
            failures.push_back(std::string(name) + " gave no effect");
            continue;
        }
        if (host.close() != 1) failures.push_back(std::string(name) + ": closing did not answer 1");
    }
}

namespace {

void writeInstanceValues(PluginInstance& instance, Report& report) {
    report.text("  values");
    for (std::size_t i = 0; i < instance.parameterCount(); ++i) report.text(" ").bits(instance.valueInUse(i));
    report.endLine().text("  texts");
    for (std::size_t i = 0; i < instance.parameterCount(); ++i) report.text(" ").quoted(instance.valueText(i));
    report.endLine();
}

}  // namespace

SessionOutput playInstanceSession(PluginInstance& instance) {
    SessionOutput output;
    Report report;
    const InstanceDescription& about = instance.description();
    report.text("format ").text(formatName(about.format)).text(" name ").quoted(about.name);
    report.text(" vendor ").quoted(about.vendor).text(" version ").quoted(about.version).text(" id ").quoted(about.id);
    report.text(" inputs ").number(about.inputs).text(" outputs ").number(about.outputs).endLine();
    for (const ParameterDescription& parameter : about.parameters) {
        report.text("parameter ").quoted(parameter.name).text(" id ").quoted(parameter.id);
        report.text(" range ").bits(parameter.minimum).text(" ").bits(parameter.maximum);
        report.text(" default ").bits(parameter.defaultValue).endLine();
    }
    if (about.inputs != 2 || about.outputs != 2 || instance.parameterCount() != kParameterCount) {
        output.failures.push_back("the plug-in is not stereo with every parameter");
        return output;
    }
    if (!instance.activate(44100.0, 4099)) {
        output.failures.push_back("the plug-in refused to activate");
        return output;
    }
    writeInstanceValues(instance, report);

    Noise noise;
    std::vector<float> inLeft, inRight, outLeft, outRight;
    const auto playBlock = [&](const Action& action, double position) {
        const auto frames = static_cast<std::size_t>(action.frames);
        inLeft.assign(frames + 1, 0.0f), inRight.assign(frames + 1, 0.0f);
        outLeft.assign(frames + 1, 0.0f), outRight.assign(frames + 1, 0.0f);
        fillInput(action.signal, noise, inLeft.data(), inRight.data(), frames);
        if (action.inPlace) outLeft = inLeft, outRight = inRight;
        const float* inputs[2] = {action.inPlace ? outLeft.data() : inLeft.data(),
                                  action.inPlace ? outRight.data() : inRight.data()};
        float* outputs[2] = {outLeft.data(), outRight.data()};
        const HostPosition at{position, 120.0, true};
        const Block block{inputs, outputs, static_cast<std::uint32_t>(frames), action.act == Act::Play ? &at : nullptr,
                          {}, {}};
        if (!instance.play(block))
            output.failures.push_back("the plug-in failed block " + std::to_string(output.blocks));
        output.audio.append(reinterpret_cast<const char*>(outLeft.data()), frames * sizeof(float));
        output.audio.append(reinterpret_cast<const char*>(outRight.data()), frames * sizeof(float));
        output.frames += static_cast<long long>(frames);
        report.text("block ").number(output.blocks++).text(" frames ").number(action.frames);
        if (action.act == Act::Play) {
            report.text(" position ").bits(position);
        } else {
            report.text(" without-time");
        }
        report.endLine();
        writeInstanceValues(instance, report);
    };
    for (const Action& action : kSession) {
        switch (action.act) {
            case Act::SetParameter:
                instance.setValue(static_cast<std::size_t>(action.index), action.value);
                report.text("set ").number(action.index).text(" ").bits(action.value).endLine();
                break;
            case Act::SelectProgram:
            case Act::RenameProgram: break;
            case Act::Play:
            case Act::PlayWithoutTime:
                for (int block = 0; block < action.blocks; ++block)
                    playBlock(action, action.position + static_cast<double>(block) * action.frames);
                break;
            case Act::SweepTexts:
                for (std::size_t index = 0; index < instance.parameterCount(); ++index) {
                    const double kept = instance.valueInUse(index);
                    report.text("sweep ").number(static_cast<std::int64_t>(index));
                    auto probe = [&](double value) {
                        instance.setValue(index, value);
                        report.text(" ").quoted(instance.valueText(index));
                    };
                    for (int step = 0; step <= 100; ++step) probe(static_cast<float>(step / 100.0));
                    for (const float value : kProbeValues) probe(value);
                    report.endLine();
                    instance.setValue(index, kept);
                }
                break;
        }
    }
    instance.deactivate();
    output.report = report.str();
    return output;
}
