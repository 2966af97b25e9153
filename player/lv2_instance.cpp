#include "player/lv2_instance.h"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/parameters/parameters.h>
#include <lv2/presets/presets.h>
#include <lv2/time/time.h>
#include <lv2/units/units.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <utility>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <memory>
#include <stdexcept>

namespace {

// Bytes of each atom port's buffer: room for a position message (at most
// 96 bytes with its frame, three properties and their values) at a part's
// start and at every jump a block may carry.
constexpr std::size_t kAtomBufferBytes = 32768;
static_assert(kAtomBufferBytes >= 96 * (PluginInstance::maxChanges() + 1) + sizeof(LV2_Atom_Sequence));

// A node that lilv owns the caller's copy of, freed when it goes.
struct Node {
    explicit Node(LilvNode* node) : node(node) {}
    ~Node() { lilv_node_free(node); }
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;
    operator const LilvNode*() const { return node; }
    LilvNode* node;
};

std::string textOf(const LilvNode* node) {
    const char* text = node != nullptr ? lilv_node_as_string(node) : nullptr;
    return text != nullptr ? text : "";
}

// The text a unit is shown with: its symbol where the world knows the unit,
// or the last part of its URI ("ms" for units:ms).
std::string unitText(LilvWorld* world, const LilvPlugin* plugin, const LilvPort* port) {
    const Node unitKey(lilv_new_uri(world, LV2_UNITS__unit));
    LilvNodes* units = lilv_port_get_value(plugin, port, unitKey);
    std::string text;
    if (units != nullptr && lilv_nodes_size(units) > 0) {
        const LilvNode* unit = lilv_nodes_get_first(units);
        const Node symbolKey(lilv_new_uri(world, LV2_UNITS__symbol));
        LilvNode* symbol = lilv_world_get(world, unit, symbolKey, nullptr);
        if (symbol != nullptr) {
            text = textOf(symbol);
            lilv_node_free(symbol);
        } else if (lilv_node_is_uri(unit)) {
            text = textOf(unit);
            text.erase(0, text.find_last_of("#/") + 1);
        }
    }
    lilv_nodes_free(units);
    return text;
}

// How far the library's list of plug-ins is read for the one wanted.
constexpr std::uint32_t kMostDescriptors = 4096;

// The plug-in's library, loaded, when it is there and holds the plug-in;
// throws std::runtime_error saying what is wrong otherwise. lilv would only
// fail to instantiate it later, saying why on standard error.
std::unique_ptr<PluginLibrary> openLibrary(LilvWorld* world, const std::string& where, const LilvPlugin* plugin) {
    const std::string uri = textOf(lilv_plugin_get_uri(plugin));
    // Asked first, as lilv warns on standard error when there is none.
    const Node binaryKey(lilv_new_uri(world, LV2_CORE__binary));
    LilvNodes* binaries = lilv_plugin_get_value(plugin, binaryKey);
    const bool named = binaries != nullptr && lilv_nodes_size(binaries) > 0;
    lilv_nodes_free(binaries);
    const LilvNode* binary = named ? lilv_plugin_get_library_uri(plugin) : nullptr;
    char* parsed = binary != nullptr ? lilv_file_uri_parse(lilv_node_as_uri(binary), nullptr) : nullptr;
    const std::string path = parsed != nullptr ? parsed : "";
    lilv_free(parsed);
    if (path.empty()) throw std::runtime_error(where + ": the bundle names no library for " + uri);
    std::error_code error;
    if (!std::filesystem::exists(path, error))
        throw std::runtime_error(where + ": its library " + path + " is missing");
    auto library = std::make_unique<PluginLibrary>(path);
    if (!library->loaded()) throw std::runtime_error("cannot load " + path + ": " + library->error());
    // A library with this entry is asked by lilv alone.
    if (library->symbol("lv2_lib_descriptor") != nullptr) return library;
    const auto descriptors = reinterpret_cast<LV2_Descriptor_Function>(library->symbol("lv2_descriptor"));
    if (descriptors == nullptr) throw std::runtime_error(where + ": its library has no lv2_descriptor");
    // lilv compares each URI up to the one it wants.
    for (std::uint32_t i = 0; i < kMostDescriptors; ++i) {
        const LV2_Descriptor* descriptor = descriptors(i);
        if (descriptor == nullptr) break;
        if (descriptor->URI == nullptr) throw std::runtime_error(where + ": its library holds a plug-in with no URI");
        if (uri == descriptor->URI) return library;
    }
    throw std::runtime_error(where + ": its library holds no plug-in " + uri);
}

}  // namespace

Lv2Instance::Lv2Instance(const std::string& where, bool offerUridMap)
    : world(lilv_world_new()), offerMap(offerUridMap) {
    std::error_code error;
    if (std::filesystem::is_directory(where, error)) {
        const std::string folder = std::filesystem::absolute(where).string();
        const Node bundle(lilv_new_file_uri(world, nullptr, (folder + (folder.ends_with('/') ? "" : "/")).c_str()));
        lilv_world_load_bundle(world, bundle);
        const LilvPlugins* all = lilv_world_get_all_plugins(world);
        LILV_FOREACH (plugins, i, all) {
            const LilvPlugin* candidate = lilv_plugins_get(all, i);
            if (lilv_node_equals(lilv_plugin_get_bundle_uri(candidate), bundle)) {
                plugin = candidate;
                break;
            }
        }
    } else {
        lilv_world_load_all(world);
        const Node uri(lilv_new_uri(world, where.c_str()));
        plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri);
    }
    if (plugin == nullptr) {
        lilv_world_free(world);
        throw std::runtime_error(where + " is no LV2 plug-in: neither a bundle folder with one nor an installed "
                                         "plug-in's URI");
    }
    try {
        library = openLibrary(world, where, plugin);
    } catch (...) {
        lilv_world_free(world);
        throw;
    }

    const Node audioClass(lilv_new_uri(world, LV2_CORE__AudioPort));
    const Node controlClass(lilv_new_uri(world, LV2_CORE__ControlPort));
    const Node atomClass(lilv_new_uri(world, LV2_ATOM__AtomPort));
    const Node inputClass(lilv_new_uri(world, LV2_CORE__InputPort));
    const Node positionClass(lilv_new_uri(world, LV2_TIME__Position));
    const std::uint32_t count = lilv_plugin_get_num_ports(plugin);
    std::vector<float> minimum(count), maximum(count), defaults(count);
    lilv_plugin_get_port_ranges_float(plugin, minimum.data(), maximum.data(), defaults.data());
    controls.assign(count, 0.0f);
    for (std::uint32_t i = 0; i < count; ++i) {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, i);
        const bool input = lilv_port_is_a(plugin, port, inputClass);
        Port entry{PortKind::other, textOf(lilv_port_get_symbol(plugin, port))};
        if (lilv_port_is_a(plugin, port, audioClass)) {
            entry.kind = input ? PortKind::audioIn : PortKind::audioOut;
            (input ? audioInputs : audioOutputs).push_back(i);
        } else if (lilv_port_is_a(plugin, port, controlClass)) {
            entry.kind = input ? PortKind::controlIn : PortKind::controlOut;
        } else if (lilv_port_is_a(plugin, port, atomClass)) {
            entry.kind = input ? PortKind::atomIn : PortKind::atomOut;
            entry.takesPosition = input && lilv_port_supports_event(plugin, port, positionClass);
            (input ? atomInputs : atomOutputs).push_back(i);
        }
        if (entry.kind == PortKind::controlIn) {
            const float low = std::isnan(minimum[i]) ? 0.0f : minimum[i];
            const float high = std::isnan(maximum[i]) ? 1.0f : maximum[i];
            const float start = std::isnan(defaults[i]) ? low : defaults[i];
            controls[i] = start;
            LilvNode* name = lilv_port_get_name(plugin, port);
            described.parameters.push_back({textOf(name), entry.symbol, unitText(world, plugin, port), low, high, start});
            lilv_node_free(name);
            parameterPorts.push_back(i);
        }
        ports.push_back(std::move(entry));
    }
    for (const std::uint32_t port : parameterPorts) {
        const auto inUse = std::find_if(ports.begin(), ports.end(), [&](const Port& candidate) {
            return candidate.kind == PortKind::controlOut && candidate.symbol == ports[port].symbol + "_in_use";
        });
        inUsePorts.push_back(inUse != ports.end() ? inUse - ports.begin() : -1);
    }

    described.format = PluginFormat::lv2;
    LilvNode* name = lilv_plugin_get_name(plugin);
    described.name = textOf(name);
    lilv_node_free(name);
    LilvNode* author = lilv_plugin_get_author_name(plugin);
    described.vendor = textOf(author);
    lilv_node_free(author);
    const auto versionPart = [&](const char* key) {
        const Node keyNode(lilv_new_uri(world, key));
        LilvNodes* values = lilv_plugin_get_value(plugin, keyNode);
        const int value = values != nullptr && lilv_nodes_size(values) > 0
                              ? lilv_node_as_int(lilv_nodes_get_first(values)) : 0;
        lilv_nodes_free(values);
        return std::to_string(value);
    };
    described.version = versionPart(LV2_CORE__minorVersion) + "." + versionPart(LV2_CORE__microVersion);
    described.id = textOf(lilv_plugin_get_uri(plugin));
    described.inputs = static_cast<int>(audioInputs.size());
    described.outputs = static_cast<int>(audioOutputs.size());
    atomBuffers.assign(count, {});
    for (const std::uint32_t port : atomInputs) atomBuffers[port].resize(kAtomBufferBytes / 8);
    for (const std::uint32_t port : atomOutputs) atomBuffers[port].resize(kAtomBufferBytes / 8);
}

Lv2Instance::~Lv2Instance() {
    closeEditor();
    if (active) deactivate();
    if (instance != nullptr) lilv_instance_free(instance);
    lilv_world_free(world);
}

LV2_URID Lv2Instance::mapUri(LV2_URID_Map_Handle handle, const char* uri) {
    auto& uris = static_cast<Lv2Instance*>(handle)->uris;
    const auto found = std::find(uris.begin(), uris.end(), uri);
    if (found != uris.end()) return static_cast<LV2_URID>(found - uris.begin() + 1);
    uris.emplace_back(uri);
    return static_cast<LV2_URID>(uris.size());
}

const char* Lv2Instance::unmapUri(LV2_URID_Unmap_Handle handle, LV2_URID urid) {
    const auto& uris = static_cast<Lv2Instance*>(handle)->uris;
    return urid >= 1 && urid <= uris.size() ? uris[urid - 1].c_str() : nullptr;
}

// The plug-in is created here, once the rate and the largest block are
// known, and again when they change.
bool Lv2Instance::activate(double rate, std::uint32_t maxFrames) {
    if (active) deactivate();
    if (instance != nullptr && (rate != sampleRate || static_cast<std::int32_t>(maxFrames) != maxBlock)) {
        lilv_instance_free(instance);
        instance = nullptr;
    }
    sampleRate = rate;
    if (instance == nullptr) {
        maxBlock = static_cast<std::int32_t>(maxFrames);
        rateOption = static_cast<float>(sampleRate);
        // Every URI a block uses, mapped now: mapping a new one allocates.
        for (const char* uri : {LV2_TIME__Position, LV2_TIME__frame, LV2_TIME__speed, LV2_TIME__beatsPerMinute,
                                LV2_ATOM__Long, LV2_ATOM__Float, LV2_ATOM__Sequence, LV2_ATOM__Chunk, LV2_ATOM__Object})
            mapUri(this, uri);
        const LV2_URID intType = mapUri(this, LV2_ATOM__Int);
        options = {
            {LV2_OPTIONS_INSTANCE, 0, mapUri(this, LV2_BUF_SIZE__maxBlockLength), sizeof maxBlock, intType, &maxBlock},
            {LV2_OPTIONS_INSTANCE, 0, mapUri(this, LV2_BUF_SIZE__minBlockLength), sizeof minBlock, intType, &minBlock},
            {LV2_OPTIONS_INSTANCE, 0, mapUri(this, LV2_BUF_SIZE__nominalBlockLength), sizeof maxBlock, intType,
             &maxBlock},
            {LV2_OPTIONS_INSTANCE, 0, mapUri(this, LV2_PARAMETERS__sampleRate), sizeof rateOption,
             mapUri(this, LV2_ATOM__Float), &rateOption},
            {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr},
        };
        const LV2_Feature map{LV2_URID__map, &uridMap};
        const LV2_Feature unmap{LV2_URID__unmap, &uridUnmap};
        const LV2_Feature optionsFeature{LV2_OPTIONS__options, options.data()};
        const LV2_Feature bounded{LV2_BUF_SIZE__boundedBlockLength, nullptr};
        const LV2_Feature queueDrawing{QUILLBEAT_IDPY__queue_draw, &queueDrawFeature};
        const LV2_Feature* features[] = {&optionsFeature, &bounded, &queueDrawing, offerMap ? &map : nullptr,
                                         offerMap ? &unmap : nullptr, nullptr};
        instance = lilv_plugin_instantiate(plugin, sampleRate, features);
        if (instance == nullptr) return false;
        lv2_atom_forge_init(&forge, &uridMap);
        scratch.assign(maxFrames, 0.0f);
        for (std::uint32_t i = 0; i < ports.size(); ++i) {
            switch (ports[i].kind) {
                case PortKind::controlIn:
                case PortKind::controlOut: lilv_instance_connect_port(instance, i, &controls[i]); break;
                case PortKind::atomIn:
                case PortKind::atomOut: lilv_instance_connect_port(instance, i, atomBuffers[i].data()); break;
                case PortKind::other: lilv_instance_connect_port(instance, i, scratch.data()); break;
                default: break;
            }
        }
    }
    lilv_instance_activate(instance);
    active = true;
    return true;
}

void Lv2Instance::moveControlPorts() {
    if (instance == nullptr) return;
    std::vector<float> moved = controls;
    for (std::uint32_t i = 0; i < ports.size(); ++i) {
        if (ports[i].kind == PortKind::controlOut) moved[i] = std::numeric_limits<float>::quiet_NaN();
        if (ports[i].kind == PortKind::controlIn || ports[i].kind == PortKind::controlOut)
            lilv_instance_connect_port(instance, i, &moved[i]);
    }
    controls.swap(moved);
}

void Lv2Instance::disconnectControl(std::size_t index) {
    if (instance != nullptr) lilv_instance_connect_port(instance, parameterPorts[index], nullptr);
}

void Lv2Instance::deactivate() {
    if (!active) return;
    lilv_instance_deactivate(instance);
    active = false;
    heard.reset();
}

void Lv2Instance::setValue(std::size_t index, double value) {
    controls[parameterPorts[index]] = static_cast<float>(value);
}

double Lv2Instance::valueInUse(std::size_t index) {
    const std::int64_t inUse = inUsePorts[index];
    // Before the first block no output has been written.
    return inUse >= 0 && ran ? controls[static_cast<std::size_t>(inUse)]
                                           : controls[parameterPorts[index]];
}

std::string Lv2Instance::valueText(std::size_t index) {
    const double value = valueInUse(index);
    const LilvPort* port = lilv_plugin_get_port_by_index(plugin, parameterPorts[index]);
    LilvScalePoints* points = lilv_port_get_scale_points(plugin, port);
    std::string text;
    LILV_FOREACH (scale_points, i, points) {
        const LilvScalePoint* point = lilv_scale_points_get(points, i);
        if (lilv_node_as_float(lilv_scale_point_get_value(point)) == static_cast<float>(value))
            text = textOf(lilv_scale_point_get_label(point));
    }
    lilv_scale_points_free(points);
    if (!text.empty()) return text;
    char number[32];
    std::snprintf(number, sizeof number, "%g", value);
    const std::string& unit = described.parameters[index].unit;
    return unit.empty() ? number : std::string(number) + " " + unit;
}

void Lv2Instance::queueTimeMessage(const TimeMessage& message) {
    if (queued.capacity() == 0) queued.reserve(maxChanges());
    if (queued.size() < maxChanges()) queued.push_back({message, false, 0, 0});
}

void Lv2Instance::queueRawEvent(std::uint32_t frame, std::span<const std::uint32_t> atom) {
    if (queued.capacity() == 0) queued.reserve(maxChanges());
    if (queued.size() == maxChanges()) return;
    queued.push_back({{frame, std::nullopt, std::nullopt}, true, rawWords.size(), atom.size()});
    rawWords.insert(rawWords.end(), atom.begin(), atom.end());
}

void Lv2Instance::writePosition(const TimeMessage& message, std::optional<float> beatsPerMinute) {
    LV2_Atom_Forge_Frame object;
    lv2_atom_forge_frame_time(&forge, message.frame);
    lv2_atom_forge_object(&forge, &object, 0, mapUri(this, LV2_TIME__Position));
    if (message.sample) {
        lv2_atom_forge_key(&forge, mapUri(this, LV2_TIME__frame));
        lv2_atom_forge_long(&forge, *message.sample);
    }
    if (message.speed) {
        lv2_atom_forge_key(&forge, mapUri(this, LV2_TIME__speed));
        lv2_atom_forge_float(&forge, *message.speed);
    }
    if (beatsPerMinute) {
        lv2_atom_forge_key(&forge, mapUri(this, LV2_TIME__beatsPerMinute));
        lv2_atom_forge_float(&forge, *beatsPerMinute);
    }
    lv2_atom_forge_pop(&forge, &object);
}

void Lv2Instance::playPart(const Block& block, std::uint32_t from, std::uint32_t to) {
    const bool lastPart = to == block.frames;
    // The transport is told only what it would not work out itself: where it
    // is at the part's start, when that is not where it would be, and each
    // jump inside the part, at its frame. While the host speaks for itself,
    // its events go to the part that holds their frames instead.
    const bool hostSpeaks = !queued.empty();
    const std::optional<HostPosition> now = positionAt(block, from);
    const bool tell = !hostSpeaks && now &&
                      (!heard || heard->sample != now->sample || heard->playing != now->playing ||
                       heard->beatsPerMinute != now->beatsPerMinute);
    const auto inside = [&](std::uint32_t frame) { return frame > from && frame < to; };
    const auto tellAt = [&](std::uint32_t frame, const HostPosition& position) {
        writePosition({frame - from, static_cast<std::int64_t>(position.sample), position.playing ? 1.0f : 0.0f},
                      static_cast<float>(position.beatsPerMinute));
    };
    for (const std::uint32_t port : atomInputs) {
        LV2_Atom_Forge_Frame sequence;
        lv2_atom_forge_set_buffer(&forge, reinterpret_cast<std::uint8_t*>(atomBuffers[port].data()), kAtomBufferBytes);
        lv2_atom_forge_sequence_head(&forge, &sequence, 0);
        if (ports[port].takesPosition && offerMap) {
            for (const Queued& event : queued) {
                const std::uint32_t frame = event.message.frame;
                if (frame < from || (frame >= to && !lastPart)) continue;
                if (!event.raw) {
                    writePosition({frame - from, event.message.sample, event.message.speed}, std::nullopt);
                    continue;
                }
                const auto bytes = static_cast<std::uint32_t>(event.rawCount * sizeof(std::uint32_t));
                lv2_atom_forge_frame_time(&forge, frame - from);
                lv2_atom_forge_raw(&forge, rawWords.data() + event.rawFirst, bytes);
                lv2_atom_forge_pad(&forge, bytes);
            }
            if (tell) tellAt(from, *now);
            for (const PositionChange& jump : block.jumps) {
                if (!hostSpeaks && inside(jump.frame)) tellAt(jump.frame, jump.position);
            }
        }
        lv2_atom_forge_pop(&forge, &sequence);
    }
    for (const std::uint32_t port : atomOutputs) {
        auto* atom = reinterpret_cast<LV2_Atom*>(atomBuffers[port].data());
        atom->size = kAtomBufferBytes - sizeof(LV2_Atom);
        atom->type = mapUri(this, LV2_ATOM__Chunk);
    }
    for (std::size_t c = 0; c < audioInputs.size(); ++c)
        lilv_instance_connect_port(instance, audioInputs[c], const_cast<float*>(block.inputs[c]) + from);
    for (std::size_t c = 0; c < audioOutputs.size(); ++c)
        lilv_instance_connect_port(instance, audioOutputs[c], block.outputs[c] + from);
    lilv_instance_run(instance, to - from);
    if (lastPart) {
        queued.clear();
        rawWords.clear();
    }

    // Where the plug-in's transport is now: where it was told last, moved on.
    std::uint32_t toldAt = from;
    if (now) heard = now;
    for (const PositionChange& jump : block.jumps) {
        if (inside(jump.frame)) heard = jump.position, toldAt = jump.frame;
    }
    if (heard && heard->playing) heard->sample += static_cast<double>(to - toldAt);
    ran = true;
}

std::vector<std::pair<std::string, std::vector<std::pair<std::string, float>>>> Lv2Instance::presets() {
    std::vector<std::pair<std::string, std::vector<std::pair<std::string, float>>>> found;
    const Node presetClass(lilv_new_uri(world, LV2_PRESETS__Preset));
    LilvNodes* related = lilv_plugin_get_related(plugin, presetClass);
    struct Sink {
        std::vector<std::pair<std::string, float>>* values;
        LV2_URID floatType;
    };
    LILV_FOREACH (nodes, i, related) {
        const LilvNode* preset = lilv_nodes_get(related, i);
        lilv_world_load_resource(world, preset);
        LilvState* state = lilv_state_new_from_world(world, &uridMap, preset);
        if (state == nullptr) continue;
        const char* label = lilv_state_get_label(state);
        found.emplace_back(label != nullptr ? label : "", std::vector<std::pair<std::string, float>>{});
        Sink sink{&found.back().second, mapUri(this, LV2_ATOM__Float)};
        const LilvSetPortValueFunc collect = [](const char* symbol, void* data, const void* value, std::uint32_t size,
                                                std::uint32_t type) {
            auto* into = static_cast<Sink*>(data);
            if (type == into->floatType && size == sizeof(float))
                into->values->emplace_back(symbol, *static_cast<const float*>(value));
        };
        lilv_state_emit_port_values(state, collect, &sink);
        lilv_state_free(state);
    }
    lilv_nodes_free(related);
    return found;
}

std::optional<std::uint32_t> Lv2Instance::parameterOfPort(std::uint32_t port) const {
    const auto found = std::find(parameterPorts.begin(), parameterPorts.end(), port);
    if (found == parameterPorts.end()) return std::nullopt;
    return static_cast<std::uint32_t>(found - parameterPorts.begin());
}

// A control input's new value from the window, for the next block; other
// ports, and other protocols than a plain float, are not the UI's to write.
void Lv2Instance::uiWrite(LV2UI_Controller controller, std::uint32_t port, std::uint32_t size, std::uint32_t protocol,
                          const void* buffer) {
    auto& self = *static_cast<Lv2Instance*>(controller);
    const std::optional<std::uint32_t> parameter = self.parameterOfPort(port);
    if (protocol != 0 || size != sizeof(float) || buffer == nullptr || !parameter) return;
    float value;
    std::memcpy(&value, buffer, sizeof value);
    self.controls[port] = value;
    // What the window set it holds already: not sent back.
    if (self.editor) self.editor->sent[port] = value;
    self.edits.push_back({EditorEdit::Kind::value, *parameter, value});
}

void Lv2Instance::uiTouch(LV2UI_Feature_Handle handle, std::uint32_t port, bool grabbed) {
    auto& self = *static_cast<Lv2Instance*>(handle);
    if (const std::optional<std::uint32_t> parameter = self.parameterOfPort(port))
        self.edits.push_back({grabbed ? EditorEdit::Kind::begin : EditorEdit::Kind::end, *parameter, 0.0});
}

int Lv2Instance::uiResize(LV2UI_Feature_Handle handle, int width, int height) {
    auto& self = *static_cast<Lv2Instance*>(handle);
    if (width <= 0 || height <= 0) return 1;
    self.resized = EditorSize{static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)};
    return 0;
}

void Lv2Instance::queueDraw(void* handle) { ++static_cast<Lv2Instance*>(handle)->drawRequests; }

// The first X11 UI the bundle names for the plug-in, from its library's
// descriptors, instantiated as jalv and Ardour instantiate one: embedded in
// `parent`, with the URID map, touch, resize, idle calls and the options of
// the scale and the rate. Then every control port's value, as hosts send
// them all at once.
// The plug-in need not be running: the UI knows it by its URI alone.
std::optional<EditorSize> Lv2Instance::openEditor(std::uint64_t parent, double scale) {
    closeEditor();
    const Node x11Class(lilv_new_uri(world, LV2_UI__X11UI));
    LilvUIs* uis = lilv_plugin_get_uis(plugin);
    const LilvUI* chosen = nullptr;
    LILV_FOREACH (uis, i, uis) {
        const LilvUI* candidate = lilv_uis_get(uis, i);
        if (lilv_ui_is_a(candidate, x11Class)) {
            chosen = candidate;
            break;
        }
    }
    std::string binary, bundle, uri;
    if (chosen != nullptr) {
        uri = textOf(lilv_ui_get_uri(chosen));
        char* path = lilv_file_uri_parse(lilv_node_as_uri(lilv_ui_get_binary_uri(chosen)), nullptr);
        binary = path != nullptr ? path : "";
        lilv_free(path);
        path = lilv_file_uri_parse(lilv_node_as_uri(lilv_ui_get_bundle_uri(chosen)), nullptr);
        bundle = path != nullptr ? path : "";
        lilv_free(path);
    }
    lilv_uis_free(uis);
    if (binary.empty()) return std::nullopt;

    Editor opened;
    opened.library = std::make_unique<PluginLibrary>(binary);
    const auto descriptors = reinterpret_cast<LV2UI_DescriptorFunction>(opened.library->symbol("lv2ui_descriptor"));
    if (descriptors == nullptr) return std::nullopt;
    for (std::uint32_t i = 0; i < kMostDescriptors && opened.descriptor == nullptr; ++i) {
        const LV2UI_Descriptor* descriptor = descriptors(i);
        if (descriptor == nullptr) break;
        if (descriptor->URI != nullptr && uri == descriptor->URI) opened.descriptor = descriptor;
    }
    if (opened.descriptor == nullptr) return std::nullopt;

    opened.scale = static_cast<float>(scale);
    const LV2_URID floatType = mapUri(this, LV2_ATOM__Float);
    opened.options = {
        {LV2_OPTIONS_INSTANCE, 0, mapUri(this, LV2_UI__scaleFactor), sizeof(float), floatType, &opened.scale},
        {LV2_OPTIONS_INSTANCE, 0, mapUri(this, LV2_PARAMETERS__sampleRate), sizeof rateOption, floatType, &rateOption},
        {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr},
    };
    // The rate is known once the plug-in was started.
    if (instance == nullptr) opened.options.erase(opened.options.begin() + 1);
    const LV2_Feature parentFeature{LV2_UI__parent, reinterpret_cast<void*>(static_cast<std::uintptr_t>(parent))};
    const LV2_Feature map{LV2_URID__map, &uridMap};
    const LV2_Feature unmap{LV2_URID__unmap, &uridUnmap};
    const LV2_Feature touch{LV2_UI__touch, &touchFeature};
    const LV2_Feature resize{LV2_UI__resize, &resizeFeature};
    const LV2_Feature idle{LV2_UI__idleInterface, nullptr};
    const LV2_Feature optionsFeature{LV2_OPTIONS__options, opened.options.data()};
    const LV2_Feature* features[] = {&parentFeature, &map, &unmap, &touch, &resize, &idle, &optionsFeature, nullptr};
    resized.reset();
    LV2UI_Widget widget = nullptr;
    opened.handle = opened.descriptor->instantiate(opened.descriptor, described.id.c_str(), bundle.c_str(),
                                                   &Lv2Instance::uiWrite, this, &widget, features);
    if (opened.handle == nullptr) return std::nullopt;
    if (opened.descriptor->extension_data != nullptr)
        opened.idle = static_cast<const LV2UI_Idle_Interface*>(opened.descriptor->extension_data(LV2_UI__idleInterface));
    opened.sent.assign(ports.size(), std::numeric_limits<float>::quiet_NaN());
    opened.size = resized.value_or(EditorSize{});
    editor = std::move(opened);
    sendPortValues();
    return editor->size;
}

// Each control port's value the window was not sent yet, as a host passes
// them at its update rate: the controls the host holds, the outputs once
// the plug-in has written them.
void Lv2Instance::sendPortValues() {
    for (std::uint32_t i = 0; i < ports.size(); ++i) {
        const bool output = ports[i].kind == PortKind::controlOut;
        if (ports[i].kind != PortKind::controlIn && !(output && ran)) continue;
        const float value = controls[i];
        if (std::bit_cast<std::uint32_t>(value) == std::bit_cast<std::uint32_t>(editor->sent[i])) continue;
        editor->sent[i] = value;
        editor->descriptor->port_event(editor->handle, i, sizeof value, 0, &value);
    }
}

void Lv2Instance::idleEditor() {
    if (!editor) return;
    if (editor->descriptor->port_event != nullptr) sendPortValues();
    // A window that says it has closed is gone.
    if (editor->idle != nullptr && editor->idle->idle(editor->handle) != 0) closeEditor();
}

void Lv2Instance::closeEditor() {
    if (!editor) return;
    editor->descriptor->cleanup(editor->handle);
    editor.reset();
}

std::vector<EditorEdit> Lv2Instance::takeEditorEdits() { return std::exchange(edits, {}); }

std::optional<Canvas> Lv2Instance::inlineDisplay(std::uint32_t width, std::uint32_t maxHeight) {
    if (instance == nullptr) return std::nullopt;
    const auto* display = static_cast<const LV2_Inline_Display_Interface*>(
        lilv_instance_get_extension_data(instance, QUILLBEAT_IDPY__interface));
    if (display == nullptr || display->render == nullptr) return std::nullopt;
    const LV2_Inline_Display_Image_Surface* surface = display->render(lilv_instance_get_handle(instance), width, maxHeight);
    if (surface == nullptr || surface->data == nullptr || surface->width <= 0 || surface->height <= 0 ||
        surface->stride < surface->width * 4)
        return std::nullopt;
    Canvas canvas(surface->width, surface->height);
    for (int y = 0; y < surface->height; ++y)
        std::memcpy(&canvas.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(surface->width)],
                    surface->data + static_cast<std::ptrdiff_t>(y) * surface->stride,
                    static_cast<std::size_t>(surface->width) * 4);
    return canvas;
}

std::optional<float> Lv2Instance::outputValue(std::string_view symbol) const {
    if (!ran) return std::nullopt;
    for (std::size_t i = 0; i < ports.size(); ++i)
        if (ports[i].kind == PortKind::controlOut && ports[i].symbol == symbol) return controls[i];
    return std::nullopt;
}
