#include "tests/session/session_player.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <limits>

#include "player/effect_host.h"
#include "player/vst2_instance.h"
#include "tests/session/report.h"
#include "tests/session/session_script.h"

namespace {

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

// A parameter's value as the plug-in shows it: a VST 2 effect's display
// text as it wrote it, blanks and all; the host library's text otherwise.
std::string shown(PluginInstance& plugin, Vst2Instance* vst2, std::size_t index) {
    return vst2 != nullptr ? vst2->text(effGetParamDisplay, static_cast<VstInt32>(index)) : plugin.valueText(index);
}

void writeValues(PluginInstance& plugin, Vst2Instance* vst2, Report& report) {
    report.text("  values");
    for (std::size_t i = 0; i < plugin.parameterCount(); ++i) report.text(" ").bits(plugin.valueInUse(i));
    report.endLine().text("  texts");
    for (std::size_t i = 0; i < plugin.parameterCount(); ++i) report.text(" ").quoted(shown(plugin, vst2, i));
    report.endLine();
}

void writeDescription(const InstanceDescription& about, Report& report) {
    report.text("format ").text(formatName(about.format)).text(" name ").quoted(about.name);
    report.text(" vendor ").quoted(about.vendor).text(" version ").quoted(about.version).text(" id ").quoted(about.id);
    report.text(" inputs ").number(about.inputs).text(" outputs ").number(about.outputs).endLine();
    for (const ParameterDescription& parameter : about.parameters) {
        report.text("parameter ").quoted(parameter.name).text(" id ").quoted(parameter.id);
        report.text(" unit ").quoted(parameter.unit);
        report.text(" range ").bits(parameter.minimum).text(" ").bits(parameter.maximum);
        report.text(" default ").bits(parameter.defaultValue).endLine();
    }
}

// What VST 2 alone tells: the product, the versions, the labels as the
// effect writes them.
void writeDetails(Vst2Instance& vst2, Report& report) {
    const Vst2Details details = vst2.details();
    report.text("product ").quoted(details.product).text(" vendor-version ").number(details.vendorVersion);
    report.text(" vst-version ").number(details.vstVersion).endLine().text("labels");
    for (std::size_t i = 0; i < vst2.parameterCount(); ++i)
        report.text(" ").quoted(vst2.text(effGetParamLabel, static_cast<VstInt32>(i)));
    report.endLine();
}

// The current program's name and every stored name.
void writeProgramNames(Vst2Instance& vst2, Report& report) {
    report.text("  program ").number(vst2.host().dispatch(effGetProgram));
    report.text(" ").quoted(vst2.text(effGetProgramName)).text(" bank");
    for (const std::string& name : vst2.programNames()) report.text(" ").quoted(name);
    report.endLine();
}

// Plays the session's actions through a plug-in of any format; programs are
// VST 2's alone, and passed over for the others. A VST 2 effect sends
// nothing but the version query and the time request: its host counts
// every other request.
class Player {
public:
    Player(PluginInstance& plugin, SessionOutput& output)
        : plugin(plugin), vst2(dynamic_cast<Vst2Instance*>(&plugin)), output(output) {}

    void perform(const Action& action) {
        switch (action.act) {
            case Act::SetParameter:
                plugin.setValue(static_cast<std::size_t>(action.index), action.value);
                report.text("set ").number(action.index).text(" ").bits(action.value).endLine();
                break;
            case Act::SelectProgram:
                if (vst2 == nullptr) break;
                vst2->selectProgram(action.index);
                report.text("select ").number(action.index).endLine();
                writeProgramNames(*vst2, report);
                break;
            case Act::RenameProgram: {
                if (vst2 == nullptr) break;
                char name[64] = {};
                std::strncpy(name, action.name, sizeof name - 1);
                vst2->host().dispatch(effSetProgramName, 0, 0, name);
                report.text("rename ").quoted(name).endLine();
                writeProgramNames(*vst2, report);
                break;
            }
            case Act::Play:
            case Act::PlayWithoutTime:
                for (int block = 0; block < action.blocks; ++block)
                    playBlock(action, action.position + static_cast<double>(block) * action.frames);
                break;
            case Act::SweepTexts: sweepTexts(); break;
        }
    }

    Report report;

private:
    void playBlock(const Action& action, double position) {
        const auto frames = static_cast<std::size_t>(action.frames);
        inLeft.assign(frames + 1, 0.0f), inRight.assign(frames + 1, 0.0f);
        outLeft.assign(frames + 1, 0.0f), outRight.assign(frames + 1, 0.0f);
        fillInput(action.signal, noise, inLeft.data(), inRight.data(), frames);
        if (action.inPlace) outLeft = inLeft, outRight = inRight;
        const float* inputs[2] = {action.inPlace ? outLeft.data() : inLeft.data(),
                                  action.inPlace ? outRight.data() : inRight.data()};
        float* outputs[2] = {outLeft.data(), outRight.data()};
        const HostPosition at{position, 120.0, true};
        const bool timed = action.act == Act::Play;
        const HostRequestCounts before = vst2 != nullptr ? vst2->host().counts : HostRequestCounts{};
        if (!plugin.play({inputs, outputs, static_cast<std::uint32_t>(frames), timed ? &at : nullptr, {}, {}}))
            output.failures.push_back("the plug-in failed block " + std::to_string(output.blocks));

        output.audio.append(reinterpret_cast<const char*>(outLeft.data()), frames * sizeof(float));
        output.audio.append(reinterpret_cast<const char*>(outRight.data()), frames * sizeof(float));
        output.frames += static_cast<long long>(frames);

        report.text("block ").number(output.blocks++).text(" frames ").number(action.frames);
        if (timed) {
            report.text(" position ").bits(position);
        } else {
            report.text(" without-time");
        }
        if (action.inPlace) report.text(" in-place");
        if (vst2 != nullptr) {
            const HostRequestCounts& after = vst2->host().counts;
            report.text(" time-requests ").number(after.time - before.time);
            report.text(" other-requests ").number(after.other - before.other);
        }
        report.endLine();
        writeValues(plugin, vst2, report);
    }

    void sweepTexts() {
        for (std::size_t index = 0; index < plugin.parameterCount(); ++index) {
            const double kept = plugin.valueInUse(index);
            report.text("sweep ").number(static_cast<std::int64_t>(index));
            const auto probe = [&](float value) {
                plugin.setValue(index, value);
                report.text(" ").quoted(shown(plugin, vst2, index));
            };
            for (int step = 0; step <= 100; ++step) probe(static_cast<float>(step / 100.0));
            for (const float value : kProbeValues) probe(value);
            report.endLine();
            plugin.setValue(index, kept);
        }
    }

    PluginInstance& plugin;
    Vst2Instance* vst2;  // the same plug-in when it is a VST 2 effect
    SessionOutput& output;
    Noise noise;
    std::vector<float> inLeft, inRight, outLeft, outRight;
};

}  // namespace

SessionOutput playSession(PluginInstance& plugin) {
    SessionOutput output;
    Player player(plugin, output);
    auto* vst2 = dynamic_cast<Vst2Instance*>(&plugin);
    if (vst2 != nullptr) checkRecord(vst2->record(), player.report, output.failures);
    writeDescription(plugin.description(), player.report);
    const InstanceDescription& about = plugin.description();
    if (about.inputs != 2 || about.outputs != 2 || plugin.parameterCount() != kParameterCount)
        output.failures.push_back("the plug-in is not stereo with every parameter");
    if (!output.failures.empty()) return output;
    if (!plugin.activate(44100.0, 4099)) {
        output.failures.push_back("the plug-in refused to activate");
        return output;
    }
    if (vst2 != nullptr) {
        writeDetails(*vst2, player.report);
        writeProgramNames(*vst2, player.report);
    }
    writeValues(plugin, vst2, player.report);
    for (const Action& action : kSession) player.perform(action);
    plugin.deactivate();
    if (vst2 != nullptr && vst2->host().counts.other != 0)
        output.failures.push_back("the effect sent the host an unexpected request");
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

