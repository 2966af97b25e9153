#include "player/clap_instance.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <map>
#include <stdexcept>

#include "player/clap_transport.h"

namespace {

// A file's entry is initialised once, however many plug-ins of it are open,
// and deinitialised with the last. Plug-ins are created and destroyed on the
// host's main thread, as the interface asks, so this needs no lock.
std::map<const clap::clap_plugin_entry*, int> entryUsers;

bool useEntry(const clap::clap_plugin_entry* entry, const char* path) {
    int& users = entryUsers[entry];
    if (users == 0 && !entry->init(path)) {
        entryUsers.erase(entry);
        return false;
    }
    ++users;
    return true;
}

void releaseEntry(const clap::clap_plugin_entry* entry) {
    if (--entryUsers[entry] > 0) return;
    entryUsers.erase(entry);
    entry->deinit();
}

void CLAP_CALLBACK ignoreRequest(const clap::clap_host*) {}
// The window's edits wait for a flush, made from idleEditor().
void CLAP_CALLBACK requestFlush(const clap::clap_host* host) { windowHostOf(host).flushRequested = true; }

// The host's side of the extensions a plug-in may tell it things through.
// An offline host has nothing to redraw or rescan, so each is heard and let
// be: the values a plug-in reports are read when they are needed.
bool CLAP_CALLBACK noRescanFlags(const clap::clap_host*, std::uint32_t) { return false; }
void CLAP_CALLBACK ignoreFlags(const clap::clap_host*, std::uint32_t) {}
void CLAP_CALLBACK ignoreClear(const clap::clap_host*, clap::clap_id, clap::clap_param_clear_flags) {}
constexpr clap::clap_host_audio_ports kHostAudioPorts{noRescanFlags, ignoreFlags};
constexpr clap::clap_host_params kHostParams{ignoreFlags, ignoreClear, requestFlush};
constexpr clap::clap_host_state kHostState{ignoreRequest};
constexpr clap::clap_host_latency kHostLatency{ignoreRequest};

const void* CLAP_CALLBACK hostExtension(const clap::clap_host* host, const char* id) {
    if (id == nullptr) return nullptr;
    if (const void* window = windowHostOf(host).extension(id)) return window;
    if (std::strcmp(id, clap::CLAP_EXT_AUDIO_PORTS) == 0) return &kHostAudioPorts;
    if (std::strcmp(id, clap::CLAP_EXT_PARAMS) == 0) return &kHostParams;
    if (std::strcmp(id, clap::CLAP_EXT_STATE) == 0) return &kHostState;
    if (std::strcmp(id, clap::CLAP_EXT_LATENCY) == 0) return &kHostLatency;
    return nullptr;
}

std::uint32_t CLAP_CALLBACK eventCount(const clap::clap_input_events* list) {
    return static_cast<const ClapEventList*>(list->ctx)->count;
}
const clap::clap_event_header* CLAP_CALLBACK eventAt(const clap::clap_input_events* list, std::uint32_t index) {
    const auto* events = static_cast<const ClapEventList*>(list->ctx);
    return index < events->count ? events->order[index] : nullptr;
}
bool CLAP_CALLBACK acceptEvent(const clap::clap_output_events*, const clap::clap_event_header*) { return true; }

// The index of the parameter of a CLAP id, or none.
std::optional<std::uint32_t> indexOf(const ClapToldValues& told, clap::clap_id id) {
    const auto found = std::lower_bound(told.indexOfId.begin(), told.indexOfId.end(), std::pair{id, std::uint32_t{0}});
    if (found == told.indexOfId.end() || found->first != id) return std::nullopt;
    return found->second;
}

// A window's edit: a gesture's begin or end, or a value sent as the user's
// (a live event), kept while there is room; false for any other event.
bool keepEdit(ClapToldValues& told, const clap::clap_event_header& header) {
    if (header.space_id != clap::CLAP_CORE_EVENT_SPACE_ID) return false;
    EditorEdit edit;
    clap::clap_id id = 0;
    if ((header.type == clap::CLAP_EVENT_PARAM_GESTURE_BEGIN || header.type == clap::CLAP_EVENT_PARAM_GESTURE_END) &&
        header.size >= sizeof(clap::clap_event_param_gesture)) {
        edit.kind = header.type == clap::CLAP_EVENT_PARAM_GESTURE_BEGIN ? EditorEdit::Kind::begin : EditorEdit::Kind::end;
        id = reinterpret_cast<const clap::clap_event_param_gesture&>(header).param_id;
    } else if (header.type == clap::CLAP_EVENT_PARAM_VALUE && (header.flags & clap::CLAP_EVENT_IS_LIVE) != 0 &&
               header.size >= sizeof(clap::clap_event_param_value)) {
        const auto& event = reinterpret_cast<const clap::clap_event_param_value&>(header);
        id = event.param_id;
        edit.value = event.value;
    } else {
        return false;
    }
    const std::optional<std::uint32_t> index = indexOf(told, id);
    if (!index || told.edits.size() == told.edits.capacity()) return false;
    edit.index = *index;
    told.edits.push_back(edit);
    return true;
}

bool CLAP_CALLBACK keepEditOnly(const clap::clap_output_events* list, const clap::clap_event_header* header) {
    if (header != nullptr) keepEdit(*static_cast<ClapToldValues*>(list->ctx), *header);
    return true;
}

// A parameter value the plug-in sends is kept as a change of the host's
// parameter of that id, while there is room, and a window's edit as one;
// any other event is heard and let be.
bool CLAP_CALLBACK keepToldValue(const clap::clap_output_events* list, const clap::clap_event_header* header) {
    auto& told = *static_cast<ClapToldValues*>(list->ctx);
    if (header == nullptr) return true;
    keepEdit(told, *header);
    if (header->space_id != clap::CLAP_CORE_EVENT_SPACE_ID || header->type != clap::CLAP_EVENT_PARAM_VALUE ||
        header->size < sizeof(clap::clap_event_param_value))
        return true;
    if (told.changes.size() == told.changes.capacity()) return false;
    const auto& event = reinterpret_cast<const clap::clap_event_param_value&>(*header);
    const std::optional<std::uint32_t> index = indexOf(told, event.param_id);
    if (!index) return true;
    told.changes.push_back({header->time, *index, event.value});
    return true;
}

std::int64_t CLAP_CALLBACK writeBytes(const clap::clap_ostream* stream, const void* buffer, std::uint64_t size) {
    auto* bytes = static_cast<std::vector<std::uint8_t>*>(stream->ctx);
    const auto* from = static_cast<const std::uint8_t*>(buffer);
    bytes->insert(bytes->end(), from, from + size);
    return static_cast<std::int64_t>(size);
}

struct ByteSource {
    std::span<const std::uint8_t> bytes;
    std::size_t read = 0;
};
std::int64_t CLAP_CALLBACK readBytes(const clap::clap_istream* stream, void* buffer, std::uint64_t size) {
    auto* source = static_cast<ByteSource*>(stream->ctx);
    const std::size_t count = std::min<std::size_t>(static_cast<std::size_t>(size), source->bytes.size() - source->read);
    // An empty state has no bytes to copy from at all.
    if (count > 0) std::memcpy(buffer, source->bytes.data() + source->read, count);
    source->read += count;
    return static_cast<std::int64_t>(count);
}

// Every pointer a plug-in hands over is checked before it is followed: a
// broken file is refused with its name, not followed into a crash.
[[noreturn]] void broken(const std::string& path, const std::string& what) {
    throw std::runtime_error(path + " is a broken CLAP plug-in: " + what);
}

struct Function {
    const char* name;
    bool present;
};
// Refuses a record that lacks one of the functions the host calls.
void requireFunctions(const std::string& path, const char* record, std::initializer_list<Function> functions) {
    for (const Function& function : functions) {
        if (!function.present) broken(path, std::string(record) + " has no " + function.name + " function");
    }
}

// An extension the plug-in offers, or null.
template <typename Extension>
const Extension* extension(const clap::clap_plugin* plugin, const char* id) {
    return static_cast<const Extension*>(plugin->get_extension(plugin, id));
}

// An extension that lacks a function the host calls is refused.
void checkExtension(const std::string& path, const clap::clap_plugin_params* params) {
    if (params == nullptr) return;
    requireFunctions(path, "its params extension",
                     {{"count", params->count != nullptr}, {"get_info", params->get_info != nullptr},
                      {"get_value", params->get_value != nullptr},
                      {"value_to_text", params->value_to_text != nullptr}, {"flush", params->flush != nullptr}});
}
void checkExtension(const std::string& path, const clap::clap_plugin_state* state) {
    if (state == nullptr) return;
    requireFunctions(path, "its state extension", {{"save", state->save != nullptr}, {"load", state->load != nullptr}});
}
void checkExtension(const std::string& path, const clap::clap_plugin_audio_ports* ports) {
    if (ports == nullptr) return;
    requireFunctions(path, "its audio-ports extension",
                     {{"count", ports->count != nullptr}, {"get", ports->get != nullptr}});
}

// Channels per port, each way. The number of ports is checked before any
// is read, and the channels are counted in 64 bits and checked before the
// host allocates for them.
std::vector<std::uint32_t> portChannels(const std::string& path, const clap::clap_plugin* plugin,
                                        const clap::clap_plugin_audio_ports* ports, bool input) {
    if (ports == nullptr) return {2};  // no extension: one stereo port, as hosts assume
    const std::uint32_t count = ports->count(plugin, input);
    checkClaimedCount(path, count, PluginInstance::maxPorts(), input ? "audio input ports" : "audio output ports");
    std::vector<std::uint32_t> channels;
    for (std::uint32_t i = 0; i < count; ++i) {
        clap::clap_audio_port_info info{};
        channels.push_back(ports->get(plugin, i, input, &info) ? info.channel_count : 0);
    }
    return channels;
}

std::int64_t channelSum(const std::vector<std::uint32_t>& ports) {
    std::int64_t sum = 0;
    for (const std::uint32_t channels : ports) sum += channels;
    return sum;
}

}  // namespace

ClapInstance::ClapInstance(const std::string& path) : library(loadablePath(path)) {
    if (!library.loaded()) throw std::runtime_error("cannot load " + path + ": " + library.error());
    entry = static_cast<const clap::clap_plugin_entry*>(library.symbol("clap_entry"));
    if (entry == nullptr) throw std::runtime_error(path + " is not a CLAP plug-in: it exports no clap_entry");
    if (entry->clap_version.major != 1) throw std::runtime_error(path + " is made for another version of CLAP");
    requireFunctions(path, "its entry",
                     {{"init", entry->init != nullptr}, {"deinit", entry->deinit != nullptr},
                      {"get_factory", entry->get_factory != nullptr}});
    if (!useEntry(entry, path.c_str())) throw std::runtime_error(path + ": the plug-in failed to start");
    try {
        createPlugin(path);
        describe(path);
    } catch (...) {
        if (plugin != nullptr) plugin->destroy(plugin);
        releaseEntry(entry);
        throw;
    }
}

void ClapInstance::createPlugin(const std::string& path) {
    const auto* factory =
        static_cast<const clap::clap_plugin_factory*>(entry->get_factory(clap::CLAP_PLUGIN_FACTORY_ID));
    if (factory == nullptr) broken(path, "its entry gives no plug-in factory");
    requireFunctions(path, "its plug-in factory",
                     {{"get_plugin_count", factory->get_plugin_count != nullptr},
                      {"get_plugin_descriptor", factory->get_plugin_descriptor != nullptr},
                      {"create_plugin", factory->create_plugin != nullptr}});
    const std::string noPlugin = path + ": the plug-in file holds no plug-in that starts";
    if (factory->get_plugin_count(factory) == 0) throw std::runtime_error(noPlugin);
    descriptor = factory->get_plugin_descriptor(factory, 0);
    if (descriptor == nullptr) broken(path, "its plug-in factory describes no plug-in");
    if (descriptor->id == nullptr) broken(path, "its plug-in's description has no ID");

    host.clap_version = clap::CLAP_VERSION;
    host.host_data = &windows;
    host.name = "Quillbeat host";
    host.vendor = "Quillbeat";
    host.url = "";
    host.version = "1";
    host.get_extension = hostExtension;
    host.request_restart = ignoreRequest;
    host.request_process = ignoreRequest;
    host.request_callback = ignoreRequest;
    const clap::clap_plugin* created = factory->create_plugin(factory, &host, descriptor->id);
    if (created == nullptr) throw std::runtime_error(noPlugin);
    // Without destroy the plug-in cannot be let go: it is left as it is.
    if (created->destroy == nullptr) broken(path, "its plug-in has no destroy function");
    plugin = created;
    requireFunctions(path, "its plug-in",
                     {{"init", plugin->init != nullptr}, {"activate", plugin->activate != nullptr},
                      {"deactivate", plugin->deactivate != nullptr},
                      {"start_processing", plugin->start_processing != nullptr},
                      {"stop_processing", plugin->stop_processing != nullptr},
                      {"process", plugin->process != nullptr}, {"get_extension", plugin->get_extension != nullptr}});
    if (!plugin->init(plugin)) throw std::runtime_error(noPlugin);
}

void ClapInstance::describe(const std::string& path) {
    params = extension<clap::clap_plugin_params>(plugin, clap::CLAP_EXT_PARAMS);
    state = extension<clap::clap_plugin_state>(plugin, clap::CLAP_EXT_STATE);
    const auto* ports = extension<clap::clap_plugin_audio_ports>(plugin, clap::CLAP_EXT_AUDIO_PORTS);
    checkExtension(path, params);
    checkExtension(path, state);
    checkExtension(path, ports);
    inputPorts = portChannels(path, plugin, ports, true);
    outputPorts = portChannels(path, plugin, ports, false);
    checkClaimedChannels(path, channelSum(inputPorts), channelSum(outputPorts));
    const std::uint32_t parameterCount = params != nullptr ? params->count(plugin) : 0;
    checkClaimedCount(path, parameterCount, maxParameters(), "parameters");

    described.format = PluginFormat::clap;
    described.name = descriptor->name != nullptr ? descriptor->name : "";
    described.vendor = descriptor->vendor != nullptr ? descriptor->vendor : "";
    described.version = descriptor->version != nullptr ? descriptor->version : "";
    described.id = descriptor->id;
    described.inputs = static_cast<int>(channelSum(inputPorts));
    described.outputs = static_cast<int>(channelSum(outputPorts));
    for (std::uint32_t i = 0; i < parameterCount; ++i) {
        clap::clap_param_info info{};
        // Read-only ones are meters, not settings.
        if (!params->get_info(plugin, i, &info) || (info.flags & clap::CLAP_PARAM_IS_READONLY) != 0) continue;
        info.name[sizeof info.name - 1] = '\0';
        described.parameters.push_back(
            {info.name, std::to_string(info.id), "", info.min_value, info.max_value, info.default_value});
        ids.push_back(info.id);
        cookies.push_back(info.cookie);
    }

    inputBuffers.resize(inputPorts.size());
    outputBuffers.resize(outputPorts.size());
    inputChannels.resize(static_cast<std::size_t>(described.inputs));
    outputChannels.resize(static_cast<std::size_t>(described.outputs));
    events.list = {&events, eventCount, eventAt};
    // A block's changes and jumps, each in the slot of its place in the list.
    events.order.resize(2 * maxChanges());
    events.parameters.resize(events.order.size());
    events.transports.resize(events.order.size());
    told.list = {&told, keepToldValue};
    told.editsOnly = {&told, keepEditOnly};
    told.changes.reserve(maxToldChanges());
    told.edits.reserve(maxToldChanges());
    for (std::uint32_t i = 0; i < ids.size(); ++i) told.indexOfId.emplace_back(ids[i], i);
    std::sort(told.indexOfId.begin(), told.indexOfId.end());
    discard = {nullptr, acceptEvent};
    transport.header = {sizeof transport, 0, clap::CLAP_CORE_EVENT_SPACE_ID, clap::CLAP_EVENT_TRANSPORT, 0};
    transport.tsig_num = 4;
    transport.tsig_denom = 4;
}

ClapInstance::~ClapInstance() {
    closeEditor();
    if (active) deactivate();
    plugin->destroy(plugin);
    releaseEntry(entry);
}

bool ClapInstance::activate(double rate, std::uint32_t maxFrames) {
    if (active) deactivate();
    sampleRate = rate;
    active = plugin->activate(plugin, sampleRate, 1, maxFrames);
    if (active && !plugin->start_processing(plugin)) {
        plugin->deactivate(plugin);
        active = false;
    }
    return active;
}

void ClapInstance::deactivate() {
    if (!active) return;
    plugin->stop_processing(plugin);
    plugin->deactivate(plugin);
    active = false;
}

void ClapInstance::addEvent(const ParameterChange& change) {
    if (events.count == events.order.size() || change.index >= ids.size()) return;
    clap::clap_event_param_value& event = events.parameters[events.count];
    event = {};
    event.header = {sizeof event, change.frame, clap::CLAP_CORE_EVENT_SPACE_ID, clap::CLAP_EVENT_PARAM_VALUE, 0};
    event.param_id = ids[change.index];
    event.cookie = cookies[change.index];
    event.note_id = -1;
    event.port_index = -1;
    event.channel = -1;
    event.key = -1;
    event.value = change.value;
    events.order[events.count++] = &event.header;
}

void ClapInstance::addEvent(const PositionChange& jump) {
    if (events.count == events.order.size()) return;
    clap::clap_event_transport& event = events.transports[events.count];
    event = transport;
    event.header.time = jump.frame;
    setClapTransport(event, jump.position, sampleRate);
    events.order[events.count++] = &event.header;
}

void ClapInstance::flushPending() {
    if (events.count == 0 || params == nullptr) return;
    params->flush(plugin, &events.list, &discard);
    events.count = 0;
}

// Applied at once, as a VST 2 host's set is: outside process, through the
// params extension's flush.
void ClapInstance::setValue(std::size_t index, double value) {
    addEvent(ParameterChange{0, static_cast<std::uint32_t>(index), value});
    flushPending();
}

double ClapInstance::valueInUse(std::size_t index) {
    double value = 0.0;
    if (params != nullptr && index < ids.size()) params->get_value(plugin, ids[index], &value);
    return value;
}

std::string ClapInstance::valueText(std::size_t index) {
    return textOfValue(index, valueInUse(index)).value_or("");
}

std::optional<std::string> ClapInstance::textOfValue(std::size_t index, double value) {
    char text[clap::CLAP_NAME_SIZE];
    std::memset(text, 'x', sizeof text);
    if (params == nullptr || index >= ids.size() || !params->value_to_text(plugin, ids[index], value, text, sizeof text))
        return std::nullopt;
    text[sizeof text - 1] = '\0';
    return text;
}

std::optional<double> ClapInstance::valueOfText(std::size_t index, const std::string& text) {
    double value = 0.0;
    if (params == nullptr || params->text_to_value == nullptr || index >= ids.size() ||
        !params->text_to_value(plugin, ids[index], text.c_str(), &value))
        return std::nullopt;
    return value;
}

bool ClapInstance::reset() {
    if (plugin->reset == nullptr) return false;
    plugin->reset(plugin);
    return true;
}

bool ClapInstance::callInit() { return plugin->init(plugin); }

bool ClapInstance::callActivate(double rate, std::uint32_t maxFrames) {
    return plugin->activate(plugin, rate, 1, maxFrames);
}

void ClapInstance::flushWithLists(const clap::clap_input_events* in, const clap::clap_output_events* out) {
    if (params != nullptr) params->flush(plugin, in, out);
}

clap::clap_process_status ClapInstance::playWithLists(const Block& block, const clap::clap_input_events* in,
                                                      const clap::clap_output_events* out) {
    return process(block, in, out);
}

// The changes and the jumps in the order of their frames; at one frame, the
// changes first.
bool ClapInstance::play(const Block& block) {
    std::size_t jump = 0;
    for (const ParameterChange& change : block.changes) {
        for (; jump < block.jumps.size() && block.jumps[jump].frame < change.frame; ++jump) addEvent(block.jumps[jump]);
        addEvent(change);
    }
    for (; jump < block.jumps.size(); ++jump) addEvent(block.jumps[jump]);
    told.changes.clear();
    const clap::clap_process_status status = process(block, &events.list, &told.list);
    events.count = 0;
    return status != clap::CLAP_PROCESS_ERROR;
}

clap::clap_process_status ClapInstance::process(const Block& block, const clap::clap_input_events* in,
                                                const clap::clap_output_events* out) {
    std::size_t channel = 0;
    for (std::size_t port = 0; port < inputPorts.size(); ++port) {
        inputBuffers[port] = {&inputChannels[channel], nullptr, inputPorts[port], 0, 0};
        for (std::uint32_t c = 0; c < inputPorts[port]; ++c, ++channel)
            inputChannels[channel] = const_cast<float*>(block.inputs[channel]);
    }
    channel = 0;
    for (std::size_t port = 0; port < outputPorts.size(); ++port) {
        outputBuffers[port] = {&outputChannels[channel], nullptr, outputPorts[port], 0, 0};
        for (std::uint32_t c = 0; c < outputPorts[port]; ++c, ++channel) outputChannels[channel] = block.outputs[channel];
    }

    if (block.position != nullptr) setClapTransport(transport, *block.position, sampleRate);

    clap::clap_process process{};
    process.steady_time = steadyTime;
    process.frames_count = block.frames;
    process.transport = block.position != nullptr ? &transport : nullptr;
    process.audio_inputs = inputBuffers.data();
    process.audio_outputs = outputBuffers.data();
    process.audio_inputs_count = static_cast<std::uint32_t>(inputBuffers.size());
    process.audio_outputs_count = static_cast<std::uint32_t>(outputBuffers.size());
    process.in_events = in;
    process.out_events = out;
    const clap::clap_process_status status = plugin->process(plugin, &process);
    steadyTime += block.frames;
    return status;
}

std::optional<std::vector<std::uint8_t>> ClapInstance::saveState() {
    if (state == nullptr) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    const clap::clap_ostream stream{&bytes, writeBytes};
    if (!state->save(plugin, &stream)) return std::nullopt;
    return bytes;
}

bool ClapInstance::loadState(std::span<const std::uint8_t> bytes) {
    if (state == nullptr) return false;
    ByteSource source{bytes};
    const clap::clap_istream stream{&source, readBytes};
    return state->load(plugin, &stream);
}

bool ClapInstance::saveTo(const clap::clap_ostream* stream) { return state != nullptr && state->save(plugin, stream); }

bool ClapInstance::loadFrom(const clap::clap_istream* stream) { return state != nullptr && state->load(plugin, stream); }

// The host's windows: X11's on Linux, Win32's on Windows.
#if defined(_WIN32)
constexpr const char* kWindowApi = clap::CLAP_WINDOW_API_WIN32;
#else
constexpr const char* kWindowApi = clap::CLAP_WINDOW_API_X11;
#endif

std::optional<EditorSize> ClapInstance::openEditor(std::uint64_t parent, double scale) {
    closeEditor();
    gui = extension<clap::clap_plugin_gui>(plugin, clap::CLAP_EXT_GUI);
    if (gui == nullptr || gui->is_api_supported == nullptr || gui->create == nullptr || gui->destroy == nullptr ||
        gui->set_scale == nullptr || gui->get_size == nullptr || gui->set_parent == nullptr || gui->show == nullptr)
        return std::nullopt;
    if (!gui->is_api_supported(plugin, kWindowApi, false) || !gui->create(plugin, kWindowApi, false))
        return std::nullopt;
    editorOpen = true;
    // A plug-in that does not scale keeps its own size.
    gui->set_scale(plugin, scale);
    EditorSize size;
    clap::clap_window window{};
    window.api = kWindowApi;
#if defined(_WIN32)
    window.win32 = reinterpret_cast<void*>(static_cast<std::uintptr_t>(parent));
#else
    window.x11 = static_cast<unsigned long>(parent);
#endif
    if (!gui->get_size(plugin, &size.width, &size.height) || !gui->set_parent(plugin, &window) ||
        !gui->show(plugin)) {
        closeEditor();
        return std::nullopt;
    }
    return size;
}

void ClapInstance::idleEditor() {
    if (!editorOpen) return;
    windows.fire(plugin, extension<clap::clap_plugin_timer_support>(plugin, clap::CLAP_EXT_TIMER_SUPPORT),
                 extension<clap::clap_plugin_posix_fd_support>(plugin, clap::CLAP_EXT_POSIX_FD_SUPPORT));
    flushRequested();
}

// A flush the window asked for, from the main thread: the plug-in asks only
// when it is not processing.
void ClapInstance::flushRequested() {
    if (!windows.flushRequested || params == nullptr) return;
    windows.flushRequested = false;
    clap::clap_input_events none{&events, eventCount, eventAt};
    events.count = 0;
    params->flush(plugin, &none, &told.editsOnly);
}

void ClapInstance::closeEditor() {
    if (!editorOpen) return;
    editorOpen = false;
    gui->destroy(plugin);
    // The gesture's end a closing window sends, if the host was asked.
    flushRequested();
}

std::vector<EditorEdit> ClapInstance::takeEditorEdits() {
    std::vector<EditorEdit> taken(told.edits.begin(), told.edits.end());
    told.edits.clear();
    return taken;
}
