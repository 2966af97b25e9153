// Writes the bundle's Turtle at build time: the plug-in's name, vendor and
// version from its identity, each parameter's name, symbol, initial value,
// unit and scale points from the parameter table, and the programs from the
// VST 2 effect's own bank, as LV2 ports and presets. Nothing here repeats
// what they say. The factory presets follow the programs, from their own
// table. The plug-in's window, an X11 UI in a library of its own, is
// described beside it when the bundle holds one.
//
//   generate_turtle BUNDLE_FOLDER BINARY_FILE_NAME [UI_BINARY_FILE_NAME]
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <optional>
#include <set>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "edition/edition_core.h"
#include "editor/step_timing.h"
#include "presets/factory_presets.h"
#include "effect/quillbeat_effect.h"
#include "lv2/port_layout.h"

namespace {

constexpr const char* kPrefixes =
    "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
    "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
    "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
    "@prefix idpy: <http://harrisonconsoles.com/lv2/inlinedisplay#> .\n"
    "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix opts: <http://lv2plug.in/ns/ext/options#> .\n"
    "@prefix param: <http://lv2plug.in/ns/ext/parameters#> .\n"
    "@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .\n"
    "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
    "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
    "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix time: <http://lv2plug.in/ns/ext/time#> .\n"
    "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
    "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
    "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n\n";

struct Parameter {
    std::string name;
    const ParameterInfo& table;
    float initialValue;
};

// An LV2 preset: one of the effect's programs or a factory preset.
struct Preset {
    std::string uri;
    std::string name;
    std::vector<float> values;  // of the parameters it sets, from the first on
};

struct EffectDescription {
    std::string name;
    std::string vendor;
    int vendorVersion;
    std::vector<Parameter> parameters;
    std::vector<Preset> presets;
};

// A number as a Turtle literal that reads back as the same float.
std::string literal(float value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof(text), value).ptr;
    std::string result(text, end);
    if (result.find_first_of(".e") == std::string::npos) result += ".0";
    return result;
}

std::string quoted(const std::string& text) {
    std::string result = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') result += '\\';
        result += c;
    }
    return result + "\"";
}

// An LV2 symbol is letters, digits and underscores, not starting with a
// digit.
bool isSymbol(std::string_view symbol) {
    if (symbol.empty() || std::isdigit(static_cast<unsigned char>(symbol[0]))) return false;
    for (unsigned char c : symbol)
        if (!std::isalnum(c) && c != '_') return false;
    return true;
}

EffectDescription describe() {
    EffectDescription description{kEffectName, kVendorName, kVendorVersion, {}, {}};
    std::set<std::string_view> symbols;
    for (const ParameterInfo& table : kParameterTable) {
        if (!isSymbol(table.symbol) || !symbols.insert(table.symbol).second)
            throw std::runtime_error("the symbol " + std::string(table.symbol) + " is not a unique LV2 symbol");
        description.parameters.push_back({std::string(table.name), table, table.initialValue});
    }
    QuillbeatEffect effect(nullptr);
    for (int p = 0; p < QuillbeatEffect::kProgramCount; ++p) {
        effect.setProgram(p);
        char name[ProgramName::kSize] = {};
        effect.getProgramName(name);
        Preset program{std::string(kPluginUri) + ":program-" + std::to_string(p + 1), name, {}};
        for (int i = 0; i < kEnvelopeParameterCount; ++i) program.values.push_back(effect.getParameter(i));
        description.presets.push_back(program);
    }
    for (const FactoryPreset& preset : kFactoryPresets) {
        const auto values = preset.values.inParameterOrder();
        description.presets.push_back({std::string(kPluginUri) + ":preset-" + std::string(preset.slug),
                                        std::string(preset.name), {values.begin(), values.end()}});
    }
    return description;
}

void writeControlPort(std::ostream& out, std::uint32_t index, const Parameter& parameter, bool input) {
    const std::string symbol(parameter.table.symbol);
    const std::span<const ScalePoint> modes = parameter.table.scalePoints;
    out << "  [\n    a lv2:" << (input ? "InputPort" : "OutputPort") << " , lv2:ControlPort ;\n"
        << "    lv2:index " << index << " ;\n"
        << "    lv2:symbol " << quoted(symbol + (input ? "" : "_in_use")) << " ;\n"
        << "    lv2:name " << quoted(input ? parameter.name : parameter.name + " in use") << " ;\n"
        << "    lv2:default " << literal(parameter.initialValue) << " ;\n"
        << "    lv2:minimum " << literal(kParameterMinimum) << " ;\n    lv2:maximum " << literal(kParameterMaximum)
        << " ;\n";
    if (parameter.table.unit == ParameterUnit::Coefficient) out << "    units:unit units:coef ;\n";
    if (!modes.empty()) {
        if (input) out << "    lv2:portProperty lv2:enumeration ;\n";
        for (std::size_t m = 0; m < modes.size(); ++m)
            out << (m == 0 ? "    lv2:scalePoint " : " ,\n      ") << "[ rdfs:label "
                << quoted(std::string(modes[m].label)) << " ; rdf:value " << literal(modes[m].value) << " ]";
        out << " ;\n";
    }
    out << "  ]";
}

// The step's output ports, for the plug-in's own window: hosts leave them
// off their generic controls.
struct StepPort {
    std::uint32_t index;
    const char* symbol;
    const char* name;
    float minimum, maximum, initial;
    const char* properties;  // beside pprops:notOnGUI
    const char* unit;        // or null
};

std::vector<StepPort> stepPorts() {
    const float longestStep = static_cast<float>(std::max(framesPerStepAt(0.0f), framesPerStepAt(1.0f)));
    // Frames per step read 0 until the first run.
    return {
        {port::kStep, "step", "Step", -0x1p31f, 0x1p31f, 0.0f, "lv2:integer", nullptr},
        {port::kFrameInStep, "frame_in_step", "Frame in step", 0.0f, longestStep, 0.0f, "lv2:integer", "units:frame"},
        {port::kFramesPerStep, "frames_per_step", "Frames per step", 0.0f, longestStep, 0.0f, "lv2:integer",
         "units:frame"},
        {port::kPassingThrough, "passing_through", "Passing through", 0.0f, 1.0f, 1.0f, "lv2:toggled", nullptr},
        {port::kSampleRate, "sample_rate", "Sample rate", static_cast<float>(kLowestSampleRate),
         static_cast<float>(kHighestSampleRate), 44100.0f, nullptr, "units:hz"},
        {port::kVolumeNotePeriod, "volume_note_period", "Volume note period", 0.0f, longestStep, 0.0f, "lv2:integer",
         "units:frame"},
        {port::kFilterNotePeriod, "filter_note_period", "Filter note period", 0.0f, longestStep, 0.0f,
         "lv2:integer", "units:frame"},
    };
}

void writeStepPort(std::ostream& out, const StepPort& port) {
    out << "  [\n    a lv2:OutputPort , lv2:ControlPort ;\n"
        << "    lv2:index " << port.index << " ;\n    lv2:symbol " << quoted(port.symbol) << " ;\n"
        << "    lv2:name " << quoted(port.name) << " ;\n"
        << "    lv2:default " << literal(port.initial) << " ;\n"
        << "    lv2:minimum " << literal(port.minimum) << " ;\n    lv2:maximum " << literal(port.maximum) << " ;\n"
        << "    lv2:portProperty pprops:notOnGUI" << (port.properties != nullptr ? " , " : "")
        << (port.properties != nullptr ? port.properties : "") << " ;\n";
    if (port.unit != nullptr) out << "    units:unit " << port.unit << " ;\n";
    out << "  ]";
}

void writeAudioPort(std::ostream& out, std::uint32_t index, bool input, const char* symbol, const char* name) {
    out << "  [\n    a lv2:" << (input ? "InputPort" : "OutputPort") << " , lv2:AudioPort ;\n"
        << "    lv2:index " << index << " ;\n    lv2:symbol " << quoted(symbol) << " ;\n"
        << "    lv2:name " << quoted(name) << " ;\n  ]";
}

void writePlugin(std::ostream& out, const EffectDescription& effect) {
    out << kPrefixes
        // Ardour's inline display has no schema of its own installed: what
        // its two terms are, so that validators know them.
        << "idpy:interface a lv2:ExtensionData .\nidpy:queue_draw a lv2:Feature .\n\n"
        << "<" << kPluginUri << ">\n"
        << "  a lv2:Plugin , lv2:GatePlugin ;\n"
        << "  doap:name " << quoted(effect.name) << " ;\n"
        << "  lv2:project [\n    a doap:Project ;\n    doap:name " << quoted(effect.name) << " ;\n"
        << "    doap:maintainer [ foaf:name " << quoted(effect.vendor) << " ] ;\n  ] ;\n"
        // The vendor version: even, so hosts take it for a release.
        << "  lv2:minorVersion " << effect.vendorVersion << " ;\n  lv2:microVersion 0 ;\n"
        << "  lv2:optionalFeature urid:map , lv2:hardRTCapable , idpy:queue_draw ;\n"
        // Ardour's mixer strip shows the inline display.
        << "  lv2:extensionData idpy:interface ;\n"
        << "  lv2:port\n";
    for (int i = 0; i < kParameterCount; ++i) {
        writeControlPort(out, port::kFirstParameter + i, effect.parameters[i], true);
        out << " ,\n";
    }
    writeAudioPort(out, port::kInputLeft, true, "in_left", "Left in");
    out << " ,\n";
    writeAudioPort(out, port::kInputRight, true, "in_right", "Right in");
    out << " ,\n";
    writeAudioPort(out, port::kOutputLeft, false, "out_left", "Left out");
    out << " ,\n";
    writeAudioPort(out, port::kOutputRight, false, "out_right", "Right out");
    out << " ,\n";
    // lv2apply and other simple hosts connect audio and control ports only.
    out << "  [\n    a lv2:InputPort , atom:AtomPort ;\n    atom:bufferType atom:Sequence ;\n"
        << "    atom:supports time:Position ;\n    lv2:designation lv2:control ;\n"
        << "    lv2:portProperty lv2:connectionOptional ;\n"
        << "    lv2:index " << port::kTimeEvents << " ;\n    lv2:symbol \"transport\" ;\n"
        << "    lv2:name \"Transport\" ;\n  ]";
    for (int i = 0; i < kParameterCount; ++i) {
        out << " ,\n";
        writeControlPort(out, port::kFirstValueInUse + i, effect.parameters[i], false);
    }
    const std::vector<StepPort> steps = stepPorts();
    if (steps.size() != port::kStepPortCount) throw std::runtime_error("the step's ports and their table differ");
    for (const StepPort& step : steps) {
        out << " ,\n";
        writeStepPort(out, step);
    }
    out << " .\n";
}

// The window: embedded in the host's X window, given its time by idle
// calls, told of the controls, the values in use and the step.
void writeUi(std::ostream& out) {
    out << "\n<" << kUiUri << ">\n  a ui:X11UI ;\n"
        << "  lv2:requiredFeature ui:parent ;\n"
        << "  lv2:optionalFeature ui:idleInterface , ui:touch , ui:resize , urid:map , opts:options ;\n"
        << "  lv2:extensionData ui:idleInterface , ui:showInterface ;\n"
        << "  opts:supportedOption ui:scaleFactor , param:sampleRate ;\n"
        << "  ui:portNotification";
    std::vector<std::string> symbols;
    for (const ParameterInfo& parameter : kParameterTable) symbols.push_back(std::string(parameter.symbol) + "_in_use");
    for (const StepPort& step : stepPorts()) symbols.emplace_back(step.symbol);
    for (std::size_t i = 0; i < symbols.size(); ++i)
        out << (i == 0 ? " [\n" : " , [\n") << "    ui:plugin <" << kPluginUri << "> ;\n    lv2:symbol "
            << quoted(symbols[i]) << " ;\n    ui:notifyType ui:floatProtocol\n  ]";
    out << " .\n";
}

void writePresets(std::ostream& out, const EffectDescription& effect) {
    out << kPrefixes;
    for (const Preset& preset : effect.presets) {
        out << "<" << preset.uri << ">\n  a pset:Preset ;\n"
            << "  lv2:appliesTo <" << kPluginUri << "> ;\n  rdfs:label " << quoted(preset.name) << " ;\n"
            << "  lv2:port";
        for (std::size_t i = 0; i < preset.values.size(); ++i)
            out << (i == 0 ? "\n" : " ,\n") << "    [ lv2:symbol " << quoted(std::string(effect.parameters[i].table.symbol))
                << " ; pset:value " << literal(preset.values[i]) << " ]";
        out << " .\n\n";
    }
}

void writeManifest(std::ostream& out, const EffectDescription& effect, const std::string& binary,
                   const std::optional<std::string>& uiBinary) {
    out << kPrefixes << "<" << kPluginUri << ">\n  a lv2:Plugin ;\n  lv2:binary <" << binary << "> ;\n";
    if (uiBinary) out << "  ui:ui <" << kUiUri << "> ;\n";
    out << "  rdfs:seeAlso <quillbeat.ttl> .\n\n";
    if (uiBinary)
        out << "<" << kUiUri << ">\n  a ui:X11UI ;\n  ui:binary <" << *uiBinary << "> ;\n"
            << "  rdfs:seeAlso <quillbeat.ttl> .\n\n";
    for (const Preset& preset : effect.presets)
        out << "<" << preset.uri << ">\n  a pset:Preset ;\n  lv2:appliesTo <" << kPluginUri
            << "> ;\n  rdfs:seeAlso <presets.ttl> .\n\n";
}

template <typename Writer>
void writeFile(const std::string& path, Writer write) {
    std::ofstream out(path);
    write(out);
    out.close();
    if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: generate_turtle BUNDLE_FOLDER BINARY_FILE_NAME [UI_BINARY_FILE_NAME]\n");
        return 2;
    }
    try {
        const EffectDescription description = describe();
        const std::string folder = argv[1];
        const std::optional<std::string> uiBinary = argc == 4 ? std::optional<std::string>(argv[3]) : std::nullopt;
        writeFile(folder + "/manifest.ttl",
                  [&](std::ostream& out) { writeManifest(out, description, argv[2], uiBinary); });
        writeFile(folder + "/quillbeat.ttl", [&](std::ostream& out) {
            writePlugin(out, description);
            if (uiBinary) writeUi(out);
        });
        writeFile(folder + "/presets.ttl", [&](std::ostream& out) { writePresets(out, description); });
    } catch (const std::exception& error) {
        std::fprintf(stderr, "generate_turtle: %s\n", error.what());
        return 1;
    }
    return 0;
}
