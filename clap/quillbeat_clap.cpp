// The CLAP edition: one plug-in in one factory, whose instance plays one
// core. process() passes the parameter events the host sends, cutting the
// block where one applies, plays the parts at the host's song position, and
// tells the host of each value a step picks. The edits made in the window
// reach the core here and in params.flush, and go on to the host as
// gestures; the step as played goes to the window after each block.
#include <algorithm>
#include <cstring>
#include <new>
#include <optional>

#include "abi/clap_abi.h"
#include "clap/plugin_object.h"
#include "clap/state_format.h"
#include "edition/block_parts.h"
#include "effect/identity.h"
#include "effect/parameter_text.h"

namespace {

using namespace clap;

static_assert(kParameterCount == kStateValueCount, "the state holds every parameter");

constexpr const char* kFeatures[] = {CLAP_FEATURE_AUDIO_EFFECT, CLAP_FEATURE_STEREO, nullptr};

constexpr clap_plugin_descriptor kDescriptor{
    CLAP_VERSION, kClapPluginId, kEffectName, kVendorName, "", "", "", kVendorVersionText,
    "Cuts stereo audio into a rhythm locked to the host's tempo", kFeatures};

// A parameter's ID is its index, 0 to 11, for good: hosts keep automation
// by it.
bool isParameterId(clap_id id) { return id < static_cast<clap_id>(kParameterCount); }

clap_event_param_value valueEvent(std::uint32_t frame, clap_id id, double value, std::uint32_t flags) {
    clap_event_param_value event{};
    event.header = {sizeof event, frame, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, flags};
    event.param_id = id;
    event.note_id = -1;
    event.port_index = -1;
    event.channel = -1;
    event.key = -1;
    event.value = value;
    return event;
}

}  // namespace

void PickReport::picked(std::int32_t frame, const float (&values)[kEnvelopeParameterCount]) {
    if (events == nullptr || events->try_push == nullptr) return;
    for (int i = 0; i < kEnvelopeParameterCount; ++i) {
        const clap_event_param_value event =
            valueEvent(partStart + static_cast<std::uint32_t>(frame), static_cast<clap_id>(i), values[i], 0);
        events->try_push(events, &event.header);
    }
}

namespace {

// ---- parameter events -------------------------------------------------------

// How many events the host's list holds: none when the list, or either of
// its functions, is missing.
std::uint32_t eventCount(const clap_input_events* events) {
    return events != nullptr && events->size != nullptr && events->get != nullptr ? events->size(events) : 0;
}

// A parameter value event of ours, or null for any other event.
const clap_event_param_value* parameterEvent(const clap_event_header& header) {
    if (header.space_id != CLAP_CORE_EVENT_SPACE_ID || header.type != CLAP_EVENT_PARAM_VALUE ||
        header.size < sizeof(clap_event_param_value))
        return nullptr;
    const auto& event = reinterpret_cast<const clap_event_param_value&>(header);
    return isParameterId(event.param_id) ? &event : nullptr;
}

// The window's edits, oldest first: each value reaches the core as the
// host's own would (and becomes the host's value for the changed-control
// rule), and the host hears each edit as a live event at the block's first
// frame: gesture begin, values, gesture end.
void applyWindowEdits(Plugin& plugin, const clap_output_events* out) {
    const bool tell = out != nullptr && out->try_push != nullptr;
    plugin.shared.edits.drain([&](const WindowEdit& edit) {
        if (!isParameterId(edit.parameter)) return;
        if (edit.kind == WindowEdit::Kind::value) {
            plugin.effect.passControl(static_cast<int>(edit.parameter), edit.value);
            if (!tell) return;
            const clap_event_param_value event = valueEvent(0, edit.parameter, edit.value, CLAP_EVENT_IS_LIVE);
            out->try_push(out, &event.header);
            return;
        }
        if (!tell) return;
        clap_event_param_gesture gesture{};
        gesture.header = {sizeof gesture, 0, CLAP_CORE_EVENT_SPACE_ID,
                          edit.kind == WindowEdit::Kind::begin ? CLAP_EVENT_PARAM_GESTURE_BEGIN
                                                               : CLAP_EVENT_PARAM_GESTURE_END,
                          CLAP_EVENT_IS_LIVE};
        gesture.param_id = edit.parameter;
        out->try_push(out, &gesture.header);
    });
}

// A double from the host, as the float the core keeps.
void applyParameter(Plugin& plugin, const clap_event_param_value& event) {
    plugin.effect.passControl(static_cast<int>(event.param_id), static_cast<float>(event.value));
}

// ---- process ----------------------------------------------------------------

// The song position the parts of a block are played at: the transport's at
// one frame of the block, moving on with the frames while it plays.
struct BlockPosition {
    std::optional<std::int64_t> sample;
    std::uint32_t frame = 0;
    bool playing = false;

    void hear(const clap_event_transport* transport, const SamplePositions& positions, std::uint32_t at) {
        sample = positions.at(transport);
        frame = at;
        playing = transport != nullptr && (transport->flags & CLAP_TRANSPORT_IS_PLAYING) != 0;
    }
    // The position of the block's frame `from`, or none.
    std::optional<double> at(std::uint32_t from) const {
        if (!sample) return std::nullopt;
        return static_cast<double>(*sample + (playing ? from - frame : 0));
    }
};

const clap_event_transport* transportEvent(const clap_event_header& header) {
    if (header.space_id != CLAP_CORE_EVENT_SPACE_ID || header.type != CLAP_EVENT_TRANSPORT ||
        header.size < sizeof(clap_event_transport))
        return nullptr;
    return &reinterpret_cast<const clap_event_transport&>(header);
}

// The first port's two channels, or null unless it has them.
float* const* stereoChannels(const clap_audio_buffer* buffers, std::uint32_t count) {
    if (buffers == nullptr || count == 0 || buffers[0].channel_count < 2) return nullptr;
    float* const* channels = buffers[0].data32;
    return channels != nullptr && channels[0] != nullptr && channels[1] != nullptr ? channels : nullptr;
}

clap_process_status CLAP_CALLBACK process(const clap_plugin* clapPlugin, const clap_process* process) {
    Plugin& plugin = self(clapPlugin);
    float* const* inputs = stereoChannels(process->audio_inputs, process->audio_inputs_count);
    float* const* outputs = stereoChannels(process->audio_outputs, process->audio_outputs_count);
    const bool audio = inputs != nullptr && outputs != nullptr;

    applyWindowEdits(plugin, process->out_events);
    BlockPosition position;
    position.hear(process->transport, plugin.positions, 0);
    plugin.picks.events = process->out_events;
    // The core reads both inputs of a frame before writing either output, so
    // the host may process in place.
    const auto playPart = [&](std::uint32_t from, std::uint32_t to) {
        if (!audio) return;
        plugin.picks.partStart = from;
        const float* in[2] = {inputs[0] + from, inputs[1] + from};
        float* out[2] = {outputs[0] + from, outputs[1] + from};
        plugin.effect.process(in, out, to - from, position.at(from));
    };
    BlockParts parts(process->frames_count);
    const clap_input_events* events = process->in_events;
    const std::uint32_t count = eventCount(events);
    for (std::uint32_t i = 0; i < count; ++i) {
        const clap_event_header* header = events->get(events, i);
        if (header == nullptr) continue;
        const clap_event_param_value* parameter = parameterEvent(*header);
        const clap_event_transport* transport = transportEvent(*header);
        if (parameter == nullptr && transport == nullptr) continue;
        const std::uint32_t at = parts.playUntil(header->time, playPart);
        if (parameter != nullptr) applyParameter(plugin, *parameter);
        if (transport != nullptr) position.hear(transport, plugin.positions, at);
    }
    if (!audio) return CLAP_PROCESS_ERROR;
    parts.finish(playPart);
    plugin.picks.events = nullptr;
    if (plugin.shared.windowOpen.load(std::memory_order_relaxed))
        plugin.shared.feed.publish(plugin.effect.stepView());
    return CLAP_PROCESS_CONTINUE;
}

// ---- the plug-in's lifecycle ------------------------------------------------

// The core is made with the plug-in, so a host that calls this twice (or
// not at all) finds it as it was.
bool CLAP_CALLBACK init(const clap_plugin*) { return true; }

void CLAP_CALLBACK destroy(const clap_plugin* plugin) {
    releaseWindow(self(plugin));
    delete &self(plugin);
}

// Every activation starts the core anew, so nothing played before is heard
// again; it goes on with the values in use. A rate the core cannot be told
// of (isUsableSampleRate) is refused, and nothing changes.
bool CLAP_CALLBACK activate(const clap_plugin* clapPlugin, double sampleRate, std::uint32_t, std::uint32_t) {
    Plugin& plugin = self(clapPlugin);
    if (!isUsableSampleRate(sampleRate)) return false;
    plugin.positions = SamplePositions(sampleRate);
    plugin.effect.reset();
    plugin.shared.sampleRate.store(sampleRate, std::memory_order_relaxed);
    return true;
}

// While processing, process() takes the window's edits; otherwise the
// window asks the host for a flush.
void CLAP_CALLBACK deactivate(const clap_plugin* plugin) {
    self(plugin).shared.processing.store(false, std::memory_order_release);
}

bool CLAP_CALLBACK startProcessing(const clap_plugin* plugin) {
    self(plugin).shared.processing.store(true, std::memory_order_release);
    return true;
}

void CLAP_CALLBACK stopProcessing(const clap_plugin* plugin) {
    self(plugin).shared.processing.store(false, std::memory_order_release);
}

// Clears what was played, as activating does, on the audio thread: the
// reset allocates nothing.
void CLAP_CALLBACK reset(const clap_plugin* plugin) { self(plugin).effect.reset(); }

void CLAP_CALLBACK onMainThread(const clap_plugin*) {}

// ---- audio ports ------------------------------------------------------------

std::uint32_t CLAP_CALLBACK audioPortCount(const clap_plugin*, bool) { return 1; }

bool CLAP_CALLBACK audioPortInfo(const clap_plugin*, std::uint32_t index, bool isInput, clap_audio_port_info* info) {
    if (index != 0 || info == nullptr) return false;
    *info = {};
    info->id = 0;
    std::strcpy(info->name, isInput ? "Input" : "Output");
    info->flags = CLAP_AUDIO_PORT_IS_MAIN;
    info->channel_count = 2;
    info->port_type = CLAP_PORT_STEREO;
    // The input and the output may share their buffers.
    info->in_place_pair = 0;
    return true;
}

constexpr clap_plugin_audio_ports kAudioPorts{audioPortCount, audioPortInfo};

// ---- params -----------------------------------------------------------------

std::uint32_t CLAP_CALLBACK parameterCount(const clap_plugin*) { return kParameterCount; }

bool CLAP_CALLBACK parameterInfo(const clap_plugin*, std::uint32_t index, clap_param_info* info) {
    if (!isParameterId(index) || info == nullptr) return false;
    const ParameterInfo& parameter = kParameterTable[index];
    *info = {};
    info->id = index;
    info->flags = CLAP_PARAM_IS_AUTOMATABLE;
    std::memcpy(info->name, parameter.name.data(), parameter.name.size());
    info->min_value = kParameterMinimum;
    info->max_value = kParameterMaximum;
    info->default_value = parameter.initialValue;
    return true;
}

// The value in use: in "RANDOM" and "AUTO" the core's own picks for the
// envelope parameters.
bool CLAP_CALLBACK parameterValueInUse(const clap_plugin* plugin, clap_id id, double* value) {
    if (!isParameterId(id) || value == nullptr) return false;
    *value = self(plugin).effect.valueInUse(static_cast<int>(id));
    return true;
}

bool CLAP_CALLBACK valueToText(const clap_plugin*, clap_id id, double value, char* text, std::uint32_t size) {
    return isParameterId(id) && writeValueText(static_cast<int>(id), value, text, size);
}

bool CLAP_CALLBACK textToValue(const clap_plugin*, clap_id id, const char* text, double* value) {
    if (!isParameterId(id) || value == nullptr) return false;
    const std::optional<float> found = valueOfText(static_cast<int>(id), text);
    if (!found) return false;
    *value = *found;
    return true;
}

// Parameter events while the host does not process: each applies at once,
// then the window's edits. Nothing else goes out: only processing picks
// values.
void CLAP_CALLBACK flush(const clap_plugin* clapPlugin, const clap_input_events* events,
                         const clap_output_events* out) {
    Plugin& plugin = self(clapPlugin);
    const std::uint32_t count = eventCount(events);
    for (std::uint32_t i = 0; i < count; ++i) {
        const clap_event_header* header = events->get(events, i);
        if (header == nullptr) continue;
        if (const clap_event_param_value* parameter = parameterEvent(*header)) applyParameter(plugin, *parameter);
    }
    applyWindowEdits(plugin, out);
}

constexpr clap_plugin_params kParams{parameterCount, parameterInfo, parameterValueInUse,
                                     valueToText,    textToValue,   flush};

// ---- state ------------------------------------------------------------------

// The values in use, so that a project reopens with what was heard.
bool CLAP_CALLBACK saveValues(const clap_plugin* plugin, const clap_ostream* stream) {
    if (stream == nullptr) return false;
    StateValues values;
    for (int i = 0; i < kParameterCount; ++i) values[static_cast<std::size_t>(i)] = self(plugin).effect.valueInUse(i);
    return saveState(*stream, values);
}

// Every value is set, whether or not it changed: a value in use that
// "RANDOM" or "AUTO" picked is replaced by the saved one too. A refused
// state leaves every value as it was.
bool CLAP_CALLBACK loadValues(const clap_plugin* plugin, const clap_istream* stream) {
    if (stream == nullptr) return false;
    const LoadedState loaded = loadState(*stream);
    if (loaded.error != StateError::none) return false;
    for (int i = 0; i < kParameterCount; ++i)
        self(plugin).effect.restoreControl(i, loaded.values[static_cast<std::size_t>(i)]);
    return true;
}

constexpr clap_plugin_state kState{saveValues, loadValues};

// ---- latency ----------------------------------------------------------------

std::uint32_t CLAP_CALLBACK latency(const clap_plugin*) { return 0; }

constexpr clap_plugin_latency kLatency{latency};

const void* CLAP_CALLBACK extension(const clap_plugin*, const char* id) {
    if (id == nullptr) return nullptr;
    if (std::strcmp(id, CLAP_EXT_AUDIO_PORTS) == 0) return &kAudioPorts;
    if (std::strcmp(id, CLAP_EXT_PARAMS) == 0) return &kParams;
    if (std::strcmp(id, CLAP_EXT_STATE) == 0) return &kState;
    if (std::strcmp(id, CLAP_EXT_LATENCY) == 0) return &kLatency;
    return windowExtension(id);
}

// ---- factory and entry ------------------------------------------------------

std::uint32_t CLAP_CALLBACK pluginCount(const clap_plugin_factory*) { return 1; }

const clap_plugin_descriptor* CLAP_CALLBACK pluginDescriptor(const clap_plugin_factory*, std::uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}

// The plug-in is whole before the host can call anything: creating calls
// nothing of the host's.
const clap_plugin* CLAP_CALLBACK createPlugin(const clap_plugin_factory*, const clap_host* host, const char* id) {
    if (host == nullptr || id == nullptr || std::strcmp(id, kClapPluginId) != 0) return nullptr;
    auto* plugin = new (std::nothrow) Plugin;
    if (plugin == nullptr) return nullptr;
    plugin->host = host;
    plugin->effect.setPickListener(&plugin->picks);
    plugin->clap = {&kDescriptor, plugin,         init,     destroy,      activate,  deactivate,
                    startProcessing, stopProcessing, reset, process, extension, onMainThread};
    return &plugin->clap;
}

constexpr clap_plugin_factory kFactory{pluginCount, pluginDescriptor, createPlugin};

bool CLAP_CALLBACK entryInit(const char*) { return true; }
void CLAP_CALLBACK entryDeinit() {}
const void* CLAP_CALLBACK factory(const char* id) {
    return id != nullptr && std::strcmp(id, CLAP_PLUGIN_FACTORY_ID) == 0 ? &kFactory : nullptr;
}

}  // namespace

CLAP_ENTRY_EXPORT const clap::clap_plugin_entry clap_entry{clap::CLAP_VERSION, entryInit, entryDeinit, factory};
