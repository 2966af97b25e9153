// quillbeat.clap as the tests host it: loaded once with dlopen, as a CLAP
// host loads it, and one instance created, initialised, activated and
// processing; the events of a block listed as a host lists them.
#pragma once

#include <dlfcn.h>

#include <cmath>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "abi/clap_abi.h"
#include "tests/support/test_host.h"

namespace clap_test {

using namespace clap;
using Bytes = std::vector<unsigned char>;

inline constexpr double kRate = 44100.0;
inline constexpr std::uint32_t kMaxFrames = 4096;

inline const clap_plugin_factory& factory() {
    static const clap_plugin_factory* found = [] {
        void* library = dlopen(QUILLBEAT_CLAP_PATH, RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) return static_cast<const clap_plugin_factory*>(nullptr);
        const auto* entry = static_cast<const clap_plugin_entry*>(dlsym(library, "clap_entry"));
        if (entry == nullptr || !entry->init(QUILLBEAT_CLAP_PATH)) return static_cast<const clap_plugin_factory*>(nullptr);
        return static_cast<const clap_plugin_factory*>(entry->get_factory(CLAP_PLUGIN_FACTORY_ID));
    }();
    if (found == nullptr) throw std::runtime_error("quillbeat.clap did not load");
    return *found;
}

// The host's transport at `position`, playing or standing.
inline clap_event_transport transportAt(std::uint32_t frame, std::int64_t position, bool playing) {
    clap_event_transport transport{};
    transport.header = {sizeof transport, frame, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_TRANSPORT, 0};
    transport.flags = CLAP_TRANSPORT_HAS_SECONDS_TIMELINE | (playing ? CLAP_TRANSPORT_IS_PLAYING : 0);
    // The nearest unit, which the plug-in rounds back to this sample.
    transport.song_pos_seconds = std::llround(static_cast<double>(position) * 0x1p31 / kRate);
    return transport;
}

// The events of one block, in time order, as a host's list: parameter
// values, and transport events where `jump` holds the position.
struct Event {
    clap_event_param_value parameter;
    std::optional<std::int64_t> jump;
    clap_event_transport transport{};
    const clap_event_header* header() const { return jump ? &transport.header : &parameter.header; }
};
struct EventList {
    std::vector<Event> events;
    static std::uint32_t CLAP_CALLBACK size(const clap_input_events* list) {
        return static_cast<std::uint32_t>(static_cast<const EventList*>(list->ctx)->events.size());
    }
    static const clap_event_header* CLAP_CALLBACK get(const clap_input_events* list, std::uint32_t index) {
        return static_cast<const EventList*>(list->ctx)->events[index].header();
    }
    clap_input_events list() const { return {const_cast<EventList*>(this), &size, &get}; }
};

inline Event parameterEvent(std::uint32_t frame, clap_id id, double value) {
    clap_event_param_value event{};
    event.header = {sizeof event, frame, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
    event.param_id = id;
    event.note_id = -1;
    event.port_index = event.channel = event.key = -1;
    event.value = value;
    return {event, std::nullopt, {}};
}

// A byte stream for the state extension.
struct Stream {
    Bytes bytes;
    std::size_t at = 0;
    static std::int64_t CLAP_CALLBACK read(const clap_istream* stream, void* buffer, std::uint64_t size) {
        auto& self = *static_cast<Stream*>(stream->ctx);
        const std::size_t n = std::min<std::size_t>(size, self.bytes.size() - self.at);
        if (n > 0) std::memcpy(buffer, self.bytes.data() + self.at, n);
        self.at += n;
        return static_cast<std::int64_t>(n);
    }
    static std::int64_t CLAP_CALLBACK write(const clap_ostream* stream, const void* buffer, std::uint64_t size) {
        auto& self = *static_cast<Stream*>(stream->ctx);
        const auto* from = static_cast<const unsigned char*>(buffer);
        self.bytes.insert(self.bytes.end(), from, from + size);
        return static_cast<std::int64_t>(size);
    }
};

// One plug-in instance, created, initialised, activated and processing.
class ClapEffect {
public:
    ClapEffect() {
        const clap_plugin_factory& f = factory();
        plugin = f.create_plugin(&f, &host, f.get_plugin_descriptor(&f, 0)->id);
        if (plugin == nullptr || !plugin->init(plugin)) throw std::runtime_error("the plug-in did not start");
        params = static_cast<const clap_plugin_params*>(plugin->get_extension(plugin, CLAP_EXT_PARAMS));
        state = static_cast<const clap_plugin_state*>(plugin->get_extension(plugin, CLAP_EXT_STATE));
        plugin->activate(plugin, kRate, 1, kMaxFrames);
        plugin->start_processing(plugin);
    }
    ~ClapEffect() {
        plugin->stop_processing(plugin);
        plugin->deactivate(plugin);
        plugin->destroy(plugin);
    }
    ClapEffect(const ClapEffect&) = delete;
    ClapEffect& operator=(const ClapEffect&) = delete;

    void reactivate() {
        plugin->stop_processing(plugin);
        plugin->deactivate(plugin);
        plugin->activate(plugin, kRate, 1, kMaxFrames);
        plugin->start_processing(plugin);
    }
    void reset() { plugin->reset(plugin); }
    // The calls themselves, as a careless host makes them.
    bool init() { return plugin->init(plugin); }
    bool activate(double rate) { return plugin->activate(plugin, rate, 1, kMaxFrames); }
    std::string text(clap_id id, double value) {
        char text[64];
        std::memset(text, 'x', sizeof text);
        return params->value_to_text(plugin, id, value, text, sizeof text) ? text : "(refused)";
    }
    std::optional<double> valueOf(clap_id id, const char* text) {
        double value = 0;
        return params->text_to_value(plugin, id, text, &value) ? std::optional(value) : std::nullopt;
    }
    double value(clap_id id) {
        double value = -1;
        params->get_value(plugin, id, &value);
        return value;
    }
    void flush(const EventList& events) {
        const clap_input_events list = events.list();
        flush(&list, nullptr);
    }
    void flush(const clap_input_events* in, const clap_output_events* out) { params->flush(plugin, in, out); }
    Bytes save() {
        Stream stream;
        const clap_ostream out{&stream, &Stream::write};
        return save(&out) ? stream.bytes : Bytes{};
    }
    bool save(const clap_ostream* out) { return state->save(plugin, out); }
    bool load(const Bytes& bytes) {
        Stream stream{bytes};
        const clap_istream in{&stream, &Stream::read};
        return load(&in);
    }
    bool load(const clap_istream* in) { return state->load(plugin, in); }
    // One block in place; the transport at `position` (playing or not), or
    // none. The parameter events the plug-in sends go to `told`, which has
    // room enough that a block allocates nothing.
    void process(StereoBuffer& audio, std::uint32_t frames, std::optional<std::int64_t> position, bool playing,
                 const EventList& events) {
        const clap_input_events in = events.list();
        told.clear();
        const clap_output_events out{&told, &keep};
        process(audio, frames, position, playing, &in, &out);
    }
    // The same with the host's event lists as they are, null included.
    clap_process_status process(StereoBuffer& audio, std::uint32_t frames, std::optional<std::int64_t> position,
                                bool playing, const clap_input_events* in, const clap_output_events* out) {
        const clap_event_transport transport = transportAt(0, position.value_or(0), playing);
        clap_audio_buffer buffer{audio.channels(), nullptr, 2, 0, 0};
        const clap_process process{-1, frames, position ? &transport : nullptr, &buffer, &buffer, 1, 1, in, out};
        return plugin->process(plugin, &process);
    }
    std::vector<clap_event_param_value> told = std::vector<clap_event_param_value>(1024);

private:
    static bool CLAP_CALLBACK keep(const clap_output_events* list, const clap_event_header* header) {
        auto& events = *static_cast<std::vector<clap_event_param_value>*>(list->ctx);
        if (header->type != CLAP_EVENT_PARAM_VALUE || events.size() == events.capacity()) return false;
        events.push_back(reinterpret_cast<const clap_event_param_value&>(*header));
        return true;
    }

    clap_host host{CLAP_VERSION, nullptr, "test", "", "", "1",
                   [](const clap_host*, const char*) -> const void* { return nullptr; },
                   [](const clap_host*) {}, [](const clap_host*) {}, [](const clap_host*) {}};
    const clap_plugin* plugin = nullptr;
    const clap_plugin_params* params = nullptr;
    const clap_plugin_state* state = nullptr;
};

}  // namespace clap_test
