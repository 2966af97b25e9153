// The CLAP 1.1 binary interface between a host and a plug-in, declared from
// the published layout: the entry, the plug-in factory, the plug-in and host
// records, the process record with its events and transport, and the four
// extensions this plug-in offers (audio ports, params, state, latency) with
// the host's side of each.
//
// Every record crosses the library boundary by address, so its layout is
// fixed by the interface, not by us; the static_asserts at the end refuse to
// build when a field lands anywhere else.
//
// The names are the published ones, inside namespace clap so that a
// translation unit can hold these and another declaration of the same
// interface side by side (the layout test does). Where the published
// interface uses preprocessor macros (the feature strings), ours have other
// names, since a macro would rewrite ours wherever both are seen.
#pragma once

#include <cstddef>
#include <cstdint>

// Every function pointer of the interface is cdecl. Only 32-bit Windows has
// a choice of conventions (and compilers that can change the default), so
// the macro says it there and is empty elsewhere.
#if defined(_WIN32) && !defined(_WIN64)
#define CLAP_CALLBACK __cdecl
#else
#define CLAP_CALLBACK
#endif

#if defined(_WIN32)
#define CLAP_ENTRY_EXPORT extern "C" __declspec(dllexport)
#else
#define CLAP_ENTRY_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace clap {

// ---- versions, identifiers, fixed-point time -------------------------------

struct clap_version {
    std::uint32_t major;
    std::uint32_t minor;
    std::uint32_t revision;
};

// The interface version the plug-in announces. Hosts accept any 1.x; the
// revisions of 1.1 changed no record declared here.
inline constexpr clap_version CLAP_VERSION{1, 1, 0};

using clap_id = std::uint32_t;
inline constexpr clap_id CLAP_INVALID_ID = UINT32_MAX;

// Positions are signed fixed point with 31 fraction bits: one beat, or one
// second, is 2^31 units.
using clap_beattime = std::int64_t;
using clap_sectime = std::int64_t;
inline constexpr std::int64_t CLAP_BEATTIME_FACTOR = std::int64_t{1} << 31;
inline constexpr std::int64_t CLAP_SECTIME_FACTOR = std::int64_t{1} << 31;

// Sizes of the text fields, terminating zero included.
inline constexpr std::uint32_t CLAP_NAME_SIZE = 256;
inline constexpr std::uint32_t CLAP_PATH_SIZE = 1024;

// ---- entry and factory -----------------------------------------------------

struct clap_host;
struct clap_plugin;
struct clap_process;
struct clap_input_events;
struct clap_output_events;

// The one symbol a plug-in exports, named clap_entry.
struct clap_plugin_entry {
    clap::clap_version clap_version;  // qualified: the member takes the type's name
    bool(CLAP_CALLBACK* init)(const char* plugin_path);
    void(CLAP_CALLBACK* deinit)();
    const void*(CLAP_CALLBACK* get_factory)(const char* factory_id);
};

inline constexpr char CLAP_PLUGIN_FACTORY_ID[] = "clap.plugin-factory";

struct clap_plugin_descriptor {
    clap::clap_version clap_version;  // qualified: the member takes the type's name
    const char* id;
    const char* name;
    const char* vendor;
    const char* url;
    const char* manual_url;
    const char* support_url;
    const char* version;
    const char* description;
    // Null-terminated list. Published as `const char**`; the second const
    // changes nothing in the layout and lets the list be a constant.
    const char* const* features;
};

inline constexpr char CLAP_FEATURE_AUDIO_EFFECT[] = "audio-effect";
inline constexpr char CLAP_FEATURE_STEREO[] = "stereo";

struct clap_plugin_factory {
    std::uint32_t(CLAP_CALLBACK* get_plugin_count)(const clap_plugin_factory* factory);
    const clap_plugin_descriptor*(CLAP_CALLBACK* get_plugin_descriptor)(const clap_plugin_factory* factory,
                                                                         std::uint32_t index);
    const clap_plugin*(CLAP_CALLBACK* create_plugin)(const clap_plugin_factory* factory, const clap_host* host,
                                                     const char* plugin_id);
};

// ---- plug-in and host ------------------------------------------------------

using clap_process_status = std::int32_t;
inline constexpr clap_process_status CLAP_PROCESS_ERROR = 0;
inline constexpr clap_process_status CLAP_PROCESS_CONTINUE = 1;
inline constexpr clap_process_status CLAP_PROCESS_CONTINUE_IF_NOT_QUIET = 2;
inline constexpr clap_process_status CLAP_PROCESS_TAIL = 3;
inline constexpr clap_process_status CLAP_PROCESS_SLEEP = 4;

struct clap_plugin {
    const clap_plugin_descriptor* desc;
    void* plugin_data;  // the plug-in's own
    bool(CLAP_CALLBACK* init)(const clap_plugin* plugin);
    void(CLAP_CALLBACK* destroy)(const clap_plugin* plugin);
    bool(CLAP_CALLBACK* activate)(const clap_plugin* plugin, double sample_rate, std::uint32_t min_frames_count,
                                  std::uint32_t max_frames_count);
    void(CLAP_CALLBACK* deactivate)(const clap_plugin* plugin);
    bool(CLAP_CALLBACK* start_processing)(const clap_plugin* plugin);
    void(CLAP_CALLBACK* stop_processing)(const clap_plugin* plugin);
    void(CLAP_CALLBACK* reset)(const clap_plugin* plugin);
    clap_process_status(CLAP_CALLBACK* process)(const clap_plugin* plugin, const clap_process* process);
    const void*(CLAP_CALLBACK* get_extension)(const clap_plugin* plugin, const char* id);
    void(CLAP_CALLBACK* on_main_thread)(const clap_plugin* plugin);
};

struct clap_host {
    clap::clap_version clap_version;  // qualified: the member takes the type's name
    void* host_data;  // the host's own
    const char* name;
    const char* vendor;
    const char* url;
    const char* version;
    const void*(CLAP_CALLBACK* get_extension)(const clap_host* host, const char* extension_id);
    void(CLAP_CALLBACK* request_restart)(const clap_host* host);
    void(CLAP_CALLBACK* request_process)(const clap_host* host);
    void(CLAP_CALLBACK* request_callback)(const clap_host* host);
};

// ---- events ----------------------------------------------------------------

struct clap_event_header {
    std::uint32_t size;  // of the whole event, header included
    std::uint32_t time;  // frame within the block
    std::uint16_t space_id;
    std::uint16_t type;
    std::uint32_t flags;
};

inline constexpr std::uint16_t CLAP_CORE_EVENT_SPACE_ID = 0;

inline constexpr std::uint32_t CLAP_EVENT_IS_LIVE = 1u << 0;
inline constexpr std::uint32_t CLAP_EVENT_DONT_RECORD = 1u << 1;

// Event types of the core space, in the published order.
inline constexpr std::uint16_t CLAP_EVENT_NOTE_ON = 0;
inline constexpr std::uint16_t CLAP_EVENT_NOTE_OFF = 1;
inline constexpr std::uint16_t CLAP_EVENT_NOTE_CHOKE = 2;
inline constexpr std::uint16_t CLAP_EVENT_NOTE_END = 3;
inline constexpr std::uint16_t CLAP_EVENT_NOTE_EXPRESSION = 4;
inline constexpr std::uint16_t CLAP_EVENT_PARAM_VALUE = 5;
inline constexpr std::uint16_t CLAP_EVENT_PARAM_MOD = 6;
inline constexpr std::uint16_t CLAP_EVENT_PARAM_GESTURE_BEGIN = 7;
inline constexpr std::uint16_t CLAP_EVENT_PARAM_GESTURE_END = 8;
inline constexpr std::uint16_t CLAP_EVENT_TRANSPORT = 9;
inline constexpr std::uint16_t CLAP_EVENT_MIDI = 10;
inline constexpr std::uint16_t CLAP_EVENT_MIDI_SYSEX = 11;
inline constexpr std::uint16_t CLAP_EVENT_MIDI2 = 12;

struct clap_event_param_value {
    clap_event_header header;
    clap_id param_id;
    void* cookie;  // from clap_param_info
    // -1 for "all"; a global parameter like ours sees only -1.
    std::int32_t note_id;
    std::int16_t port_index;
    std::int16_t channel;
    std::int16_t key;
    double value;
};

// A user's gesture on a parameter begins or ends (a drag in a plug-in's
// window): CLAP_EVENT_PARAM_GESTURE_BEGIN and _END.
struct clap_event_param_gesture {
    clap_event_header header;
    clap_id param_id;
};

inline constexpr std::uint32_t CLAP_TRANSPORT_HAS_TEMPO = 1u << 0;
inline constexpr std::uint32_t CLAP_TRANSPORT_HAS_BEATS_TIMELINE = 1u << 1;
inline constexpr std::uint32_t CLAP_TRANSPORT_HAS_SECONDS_TIMELINE = 1u << 2;
inline constexpr std::uint32_t CLAP_TRANSPORT_HAS_TIME_SIGNATURE = 1u << 3;
inline constexpr std::uint32_t CLAP_TRANSPORT_IS_PLAYING = 1u << 4;
inline constexpr std::uint32_t CLAP_TRANSPORT_IS_RECORDING = 1u << 5;
inline constexpr std::uint32_t CLAP_TRANSPORT_IS_LOOP_ACTIVE = 1u << 6;
inline constexpr std::uint32_t CLAP_TRANSPORT_IS_WITHIN_PRE_ROLL = 1u << 7;

// The transport at the block's first frame (in clap_process), or a change
// of it within the block (as an event).
struct clap_event_transport {
    clap_event_header header;
    std::uint32_t flags;
    clap_beattime song_pos_beats;
    clap_sectime song_pos_seconds;
    double tempo;      // beats per minute
    double tempo_inc;  // per frame, until the next transport event
    clap_beattime loop_start_beats;
    clap_beattime loop_end_beats;
    clap_sectime loop_start_seconds;
    clap_sectime loop_end_seconds;
    clap_beattime bar_start;
    std::int32_t bar_number;
    std::uint16_t tsig_num;
    std::uint16_t tsig_denom;
};

// The events of a block, sorted by time; the list belongs to the host.
struct clap_input_events {
    void* ctx;
    std::uint32_t(CLAP_CALLBACK* size)(const clap_input_events* list);
    const clap_event_header*(CLAP_CALLBACK* get)(const clap_input_events* list, std::uint32_t index);
};

struct clap_output_events {
    void* ctx;
    bool(CLAP_CALLBACK* try_push)(const clap_output_events* list, const clap_event_header* event);
};

// ---- process ---------------------------------------------------------------

struct clap_audio_buffer {
    float** data32;
    double** data64;
    std::uint32_t channel_count;
    std::uint32_t latency;
    std::uint64_t constant_mask;  // bit n: channel n holds one value throughout
};

struct clap_process {
    std::int64_t steady_time;  // frames since some start, -1 if unknown; not a song position
    std::uint32_t frames_count;
    const clap_event_transport* transport;  // null when the host has none (free-running, offline)
    const clap_audio_buffer* audio_inputs;
    clap_audio_buffer* audio_outputs;
    std::uint32_t audio_inputs_count;
    std::uint32_t audio_outputs_count;
    const clap_input_events* in_events;
    const clap_output_events* out_events;
};

// ---- extension: audio ports ------------------------------------------------

inline constexpr char CLAP_EXT_AUDIO_PORTS[] = "clap.audio-ports";
inline constexpr char CLAP_PORT_MONO[] = "mono";
inline constexpr char CLAP_PORT_STEREO[] = "stereo";

inline constexpr std::uint32_t CLAP_AUDIO_PORT_IS_MAIN = 1u << 0;
inline constexpr std::uint32_t CLAP_AUDIO_PORT_SUPPORTS_64BITS = 1u << 1;
inline constexpr std::uint32_t CLAP_AUDIO_PORT_PREFERS_64BITS = 1u << 2;
inline constexpr std::uint32_t CLAP_AUDIO_PORT_REQUIRES_COMMON_SAMPLE_SIZE = 1u << 3;

struct clap_audio_port_info {
    clap_id id;
    char name[CLAP_NAME_SIZE];
    std::uint32_t flags;
    std::uint32_t channel_count;
    const char* port_type;  // CLAP_PORT_STEREO, ...; null if none of the known
    clap_id in_place_pair;  // CLAP_INVALID_ID if none
};

struct clap_plugin_audio_ports {
    std::uint32_t(CLAP_CALLBACK* count)(const clap_plugin* plugin, bool is_input);
    bool(CLAP_CALLBACK* get)(const clap_plugin* plugin, std::uint32_t index, bool is_input,
                             clap_audio_port_info* info);
};

inline constexpr std::uint32_t CLAP_AUDIO_PORTS_RESCAN_NAMES = 1u << 0;
inline constexpr std::uint32_t CLAP_AUDIO_PORTS_RESCAN_FLAGS = 1u << 1;
inline constexpr std::uint32_t CLAP_AUDIO_PORTS_RESCAN_CHANNEL_COUNT = 1u << 2;
inline constexpr std::uint32_t CLAP_AUDIO_PORTS_RESCAN_PORT_TYPE = 1u << 3;
inline constexpr std::uint32_t CLAP_AUDIO_PORTS_RESCAN_IN_PLACE_PAIR = 1u << 4;
inline constexpr std::uint32_t CLAP_AUDIO_PORTS_RESCAN_LIST = 1u << 5;

struct clap_host_audio_ports {
    bool(CLAP_CALLBACK* is_rescan_flag_supported)(const clap_host* host, std::uint32_t flag);
    void(CLAP_CALLBACK* rescan)(const clap_host* host, std::uint32_t flags);
};

// ---- extension: params -----------------------------------------------------

inline constexpr char CLAP_EXT_PARAMS[] = "clap.params";

using clap_param_info_flags = std::uint32_t;
inline constexpr clap_param_info_flags CLAP_PARAM_IS_STEPPED = 1u << 0;
inline constexpr clap_param_info_flags CLAP_PARAM_IS_PERIODIC = 1u << 1;
inline constexpr clap_param_info_flags CLAP_PARAM_IS_HIDDEN = 1u << 2;
inline constexpr clap_param_info_flags CLAP_PARAM_IS_READONLY = 1u << 3;
inline constexpr clap_param_info_flags CLAP_PARAM_IS_BYPASS = 1u << 4;
inline constexpr clap_param_info_flags CLAP_PARAM_IS_AUTOMATABLE = 1u << 5;
inline constexpr clap_param_info_flags CLAP_PARAM_IS_AUTOMATABLE_PER_NOTE_ID = 1u << 6;
inline constexpr clap_param_info_flags CLAP_PARAM_IS_AUTOMATABLE_PER_KEY = 1u << 7;
inline constexpr clap_param_info_flags CLAP_PARAM_IS_AUTOMATABLE_PER_CHANNEL = 1u << 8;
inline constexpr clap_param_info_flags CLAP_PARAM_IS_AUTOMATABLE_PER_PORT = 1u << 9;
inline constexpr clap_param_info_flags CLAP_PARAM_IS_MODULATABLE = 1u << 10;
inline constexpr clap_param_info_flags CLAP_PARAM_IS_MODULATABLE_PER_NOTE_ID = 1u << 11;
inline constexpr clap_param_info_flags CLAP_PARAM_IS_MODULATABLE_PER_KEY = 1u << 12;
inline constexpr clap_param_info_flags CLAP_PARAM_IS_MODULATABLE_PER_CHANNEL = 1u << 13;
inline constexpr clap_param_info_flags CLAP_PARAM_IS_MODULATABLE_PER_PORT = 1u << 14;
inline constexpr clap_param_info_flags CLAP_PARAM_REQUIRES_PROCESS = 1u << 15;

struct clap_param_info {
    clap_id id;  // stable across versions: hosts store automation by it
    clap_param_info_flags flags;
    void* cookie;  // handed back in parameter events; may be null
    char name[CLAP_NAME_SIZE];
    char module[CLAP_PATH_SIZE];  // "group/subgroup", or empty
    double min_value;
    double max_value;
    double default_value;
};

struct clap_plugin_params {
    std::uint32_t(CLAP_CALLBACK* count)(const clap_plugin* plugin);
    bool(CLAP_CALLBACK* get_info)(const clap_plugin* plugin, std::uint32_t param_index, clap_param_info* param_info);
    bool(CLAP_CALLBACK* get_value)(const clap_plugin* plugin, clap_id param_id, double* value);
    bool(CLAP_CALLBACK* value_to_text)(const clap_plugin* plugin, clap_id param_id, double value, char* display,
                                       std::uint32_t size);
    bool(CLAP_CALLBACK* text_to_value)(const clap_plugin* plugin, clap_id param_id, const char* display,
                                       double* value);
    // Events while the host does not call process.
    void(CLAP_CALLBACK* flush)(const clap_plugin* plugin, const clap_input_events* in, const clap_output_events* out);
};

using clap_param_rescan_flags = std::uint32_t;
inline constexpr clap_param_rescan_flags CLAP_PARAM_RESCAN_VALUES = 1u << 0;
inline constexpr clap_param_rescan_flags CLAP_PARAM_RESCAN_TEXT = 1u << 1;
inline constexpr clap_param_rescan_flags CLAP_PARAM_RESCAN_INFO = 1u << 2;
inline constexpr clap_param_rescan_flags CLAP_PARAM_RESCAN_ALL = 1u << 3;

using clap_param_clear_flags = std::uint32_t;
inline constexpr clap_param_clear_flags CLAP_PARAM_CLEAR_ALL = 1u << 0;
inline constexpr clap_param_clear_flags CLAP_PARAM_CLEAR_AUTOMATIONS = 1u << 1;
inline constexpr clap_param_clear_flags CLAP_PARAM_CLEAR_MODULATIONS = 1u << 2;

struct clap_host_params {
    void(CLAP_CALLBACK* rescan)(const clap_host* host, clap_param_rescan_flags flags);
    void(CLAP_CALLBACK* clear)(const clap_host* host, clap_id param_id, clap_param_clear_flags flags);
    void(CLAP_CALLBACK* request_flush)(const clap_host* host);
};

// ---- extension: state ------------------------------------------------------

inline constexpr char CLAP_EXT_STATE[] = "clap.state";

// Both return the bytes moved, which may be fewer than asked: 0 at the end
// of the stream, -1 on error.
struct clap_istream {
    void* ctx;
    std::int64_t(CLAP_CALLBACK* read)(const clap_istream* stream, void* buffer, std::uint64_t size);
};

struct clap_ostream {
    void* ctx;
    std::int64_t(CLAP_CALLBACK* write)(const clap_ostream* stream, const void* buffer, std::uint64_t size);
};

struct clap_plugin_state {
    bool(CLAP_CALLBACK* save)(const clap_plugin* plugin, const clap_ostream* stream);
    bool(CLAP_CALLBACK* load)(const clap_plugin* plugin, const clap_istream* stream);
};

struct clap_host_state {
    void(CLAP_CALLBACK* mark_dirty)(const clap_host* host);
};

// ---- extension: latency ----------------------------------------------------

inline constexpr char CLAP_EXT_LATENCY[] = "clap.latency";

struct clap_plugin_latency {
    std::uint32_t(CLAP_CALLBACK* get)(const clap_plugin* plugin);
};

struct clap_host_latency {
    void(CLAP_CALLBACK* changed)(const clap_host* host);
};

// ---- extension: gui --------------------------------------------------------

inline constexpr char CLAP_EXT_GUI[] = "clap.gui";
inline constexpr char CLAP_WINDOW_API_X11[] = "x11";
inline constexpr char CLAP_WINDOW_API_WIN32[] = "win32";

// A window of the host's: its system's name and, for X11, its window ID,
// for Win32 its HWND.
struct clap_window {
    const char* api;
    union {
        void* cocoa;
        unsigned long x11;
        void* win32;
        void* ptr;
    };
};

struct clap_gui_resize_hints {
    bool can_resize_horizontally;
    bool can_resize_vertically;
    bool preserve_aspect_ratio;
    std::uint32_t aspect_ratio_width;
    std::uint32_t aspect_ratio_height;
};

struct clap_plugin_gui {
    bool(CLAP_CALLBACK* is_api_supported)(const clap_plugin* plugin, const char* api, bool is_floating);
    bool(CLAP_CALLBACK* get_preferred_api)(const clap_plugin* plugin, const char** api, bool* is_floating);
    bool(CLAP_CALLBACK* create)(const clap_plugin* plugin, const char* api, bool is_floating);
    void(CLAP_CALLBACK* destroy)(const clap_plugin* plugin);
    bool(CLAP_CALLBACK* set_scale)(const clap_plugin* plugin, double scale);
    bool(CLAP_CALLBACK* get_size)(const clap_plugin* plugin, std::uint32_t* width, std::uint32_t* height);
    bool(CLAP_CALLBACK* can_resize)(const clap_plugin* plugin);
    bool(CLAP_CALLBACK* get_resize_hints)(const clap_plugin* plugin, clap_gui_resize_hints* hints);
    bool(CLAP_CALLBACK* adjust_size)(const clap_plugin* plugin, std::uint32_t* width, std::uint32_t* height);
    bool(CLAP_CALLBACK* set_size)(const clap_plugin* plugin, std::uint32_t width, std::uint32_t height);
    bool(CLAP_CALLBACK* set_parent)(const clap_plugin* plugin, const clap_window* window);
    bool(CLAP_CALLBACK* set_transient)(const clap_plugin* plugin, const clap_window* window);
    void(CLAP_CALLBACK* suggest_title)(const clap_plugin* plugin, const char* title);
    bool(CLAP_CALLBACK* show)(const clap_plugin* plugin);
    bool(CLAP_CALLBACK* hide)(const clap_plugin* plugin);
};

struct clap_host_gui {
    void(CLAP_CALLBACK* resize_hints_changed)(const clap_host* host);
    bool(CLAP_CALLBACK* request_resize)(const clap_host* host, std::uint32_t width, std::uint32_t height);
    bool(CLAP_CALLBACK* request_show)(const clap_host* host);
    bool(CLAP_CALLBACK* request_hide)(const clap_host* host);
    void(CLAP_CALLBACK* closed)(const clap_host* host, bool was_destroyed);
};

// ---- extension: timer-support ----------------------------------------------

inline constexpr char CLAP_EXT_TIMER_SUPPORT[] = "clap.timer-support";

struct clap_plugin_timer_support {
    void(CLAP_CALLBACK* on_timer)(const clap_plugin* plugin, clap_id timer_id);
};

struct clap_host_timer_support {
    bool(CLAP_CALLBACK* register_timer)(const clap_host* host, std::uint32_t period_ms, clap_id* timer_id);
    bool(CLAP_CALLBACK* unregister_timer)(const clap_host* host, clap_id timer_id);
};

// ---- extension: posix-fd-support -------------------------------------------

inline constexpr char CLAP_EXT_POSIX_FD_SUPPORT[] = "clap.posix-fd-support";

using clap_posix_fd_flags = std::uint32_t;
inline constexpr clap_posix_fd_flags CLAP_POSIX_FD_READ = 1u << 0;
inline constexpr clap_posix_fd_flags CLAP_POSIX_FD_WRITE = 1u << 1;
inline constexpr clap_posix_fd_flags CLAP_POSIX_FD_ERROR = 1u << 2;

struct clap_plugin_posix_fd_support {
    void(CLAP_CALLBACK* on_fd)(const clap_plugin* plugin, int fd, clap_posix_fd_flags flags);
};

struct clap_host_posix_fd_support {
    bool(CLAP_CALLBACK* register_fd)(const clap_host* host, int fd, clap_posix_fd_flags flags);
    bool(CLAP_CALLBACK* modify_fd)(const clap_host* host, int fd, clap_posix_fd_flags flags);
    bool(CLAP_CALLBACK* unregister_fd)(const clap_host* host, int fd);
};

// ---- layout guards ---------------------------------------------------------
// Pointer-sized fields follow the platform. The 64-bit fields (positions,
// doubles, the constant mask) align to 8 on every target we build for,
// 32-bit Windows included; 32-bit x86 Linux would align them to 4 and is not
// one of our targets, which the first assert says.
static_assert(sizeof(bool) == 1 && sizeof(float) == 4 && sizeof(double) == 8);
struct SixtyFourBitAlignment {
    std::uint32_t before;
    std::int64_t field;
};
static_assert(offsetof(SixtyFourBitAlignment, field) == 8,
              "64-bit fields must align to 8, as on x86-64, arm64 and Windows x86");

static_assert(sizeof(clap_version) == 12);
static_assert(sizeof(clap_event_header) == 16);
static_assert(sizeof(clap_event_param_gesture) == 20);
static_assert(offsetof(clap_event_header, space_id) == 8 && offsetof(clap_event_header, flags) == 12);

// No pointers, so one layout everywhere.
static_assert(offsetof(clap_event_transport, flags) == 16);
static_assert(offsetof(clap_event_transport, song_pos_beats) == 24);
static_assert(offsetof(clap_event_transport, song_pos_seconds) == 32);
static_assert(offsetof(clap_event_transport, tempo) == 40);
static_assert(offsetof(clap_event_transport, tempo_inc) == 48);
static_assert(offsetof(clap_event_transport, loop_start_beats) == 56);
static_assert(offsetof(clap_event_transport, bar_start) == 88);
static_assert(offsetof(clap_event_transport, bar_number) == 96);
static_assert(offsetof(clap_event_transport, tsig_num) == 100);
static_assert(offsetof(clap_event_transport, tsig_denom) == 102);
static_assert(sizeof(clap_event_transport) == 104);

static_assert(offsetof(clap_param_info, name) == 2 * sizeof(std::uint32_t) + sizeof(void*));
static_assert(offsetof(clap_param_info, min_value) == 1296);
static_assert(offsetof(clap_param_info, default_value) == 1312);
static_assert(sizeof(clap_param_info) == 1320);

// Records of function pointers only: one pointer per entry, no padding.
static_assert(sizeof(clap_plugin_factory) == 3 * sizeof(void*));
static_assert(sizeof(clap_plugin) == 12 * sizeof(void*));
static_assert(sizeof(clap_plugin_audio_ports) == 2 * sizeof(void*));
static_assert(sizeof(clap_host_audio_ports) == 2 * sizeof(void*));
static_assert(sizeof(clap_plugin_params) == 6 * sizeof(void*));
static_assert(sizeof(clap_host_params) == 3 * sizeof(void*));
static_assert(sizeof(clap_plugin_state) == 2 * sizeof(void*));
static_assert(sizeof(clap_host_state) == sizeof(void*));
static_assert(sizeof(clap_plugin_latency) == sizeof(void*));
static_assert(sizeof(clap_host_latency) == sizeof(void*));
static_assert(sizeof(clap_plugin_gui) == 15 * sizeof(void*) && sizeof(clap_host_gui) == 5 * sizeof(void*));
static_assert(sizeof(clap_window) == 2 * sizeof(void*));
static_assert(sizeof(clap_gui_resize_hints) == 12);
static_assert(sizeof(clap_plugin_timer_support) == sizeof(void*) && sizeof(clap_host_timer_support) == 2 * sizeof(void*));
static_assert(sizeof(clap_plugin_posix_fd_support) == sizeof(void*));
static_assert(sizeof(clap_host_posix_fd_support) == 3 * sizeof(void*));
static_assert(sizeof(clap_istream) == 2 * sizeof(void*) && sizeof(clap_ostream) == 2 * sizeof(void*));
static_assert(sizeof(clap_input_events) == 3 * sizeof(void*) && sizeof(clap_output_events) == 2 * sizeof(void*));

// An offset or size in the layout on 64-bit and on 32-bit targets, the two
// pointer widths the records are declared for.
static_assert(sizeof(void*) == 8 || sizeof(void*) == 4, "unsupported pointer width");
constexpr std::size_t onWidth(std::size_t on64, std::size_t on32) { return sizeof(void*) == 8 ? on64 : on32; }

static_assert(offsetof(clap_plugin_entry, init) == onWidth(16, 12));
static_assert(offsetof(clap_plugin_entry, get_factory) == onWidth(32, 20));
static_assert(sizeof(clap_plugin_entry) == onWidth(40, 24));
static_assert(offsetof(clap_plugin_descriptor, id) == onWidth(16, 12));
static_assert(offsetof(clap_plugin_descriptor, features) == onWidth(80, 44));
static_assert(sizeof(clap_plugin_descriptor) == onWidth(88, 48));
static_assert(offsetof(clap_host, host_data) == onWidth(16, 12));
static_assert(offsetof(clap_host, get_extension) == onWidth(56, 32));
static_assert(sizeof(clap_host) == onWidth(88, 48));
static_assert(offsetof(clap_event_param_value, cookie) == onWidth(24, 20));
static_assert(offsetof(clap_event_param_value, note_id) == onWidth(32, 24));
static_assert(offsetof(clap_event_param_value, key) == onWidth(40, 32));
static_assert(offsetof(clap_event_param_value, value) == onWidth(48, 40));
static_assert(sizeof(clap_event_param_value) == onWidth(56, 48));
static_assert(offsetof(clap_audio_buffer, channel_count) == onWidth(16, 8));
static_assert(offsetof(clap_audio_buffer, constant_mask) == onWidth(24, 16));
static_assert(sizeof(clap_audio_buffer) == onWidth(32, 24));
static_assert(offsetof(clap_process, frames_count) == onWidth(8, 8));
static_assert(offsetof(clap_process, transport) == onWidth(16, 12));
static_assert(offsetof(clap_process, audio_inputs_count) == onWidth(40, 24));
static_assert(offsetof(clap_process, in_events) == onWidth(48, 32));
static_assert(sizeof(clap_process) == onWidth(64, 40));
static_assert(offsetof(clap_audio_port_info, name) == onWidth(4, 4));
static_assert(offsetof(clap_audio_port_info, flags) == onWidth(260, 260));
static_assert(offsetof(clap_audio_port_info, port_type) == onWidth(272, 268));
static_assert(offsetof(clap_audio_port_info, in_place_pair) == onWidth(280, 272));
static_assert(sizeof(clap_audio_port_info) == onWidth(288, 276));

}  // namespace clap
