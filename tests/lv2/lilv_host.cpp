#include "tests/lv2/lilv_host.h"

#include <lv2/presets/presets.h>
#include <lv2/time/time.h>

#include <algorithm>
#include <stdexcept>

namespace {
constexpr double kSampleRate = 44100.0;
}

LilvHost::LilvHost(bool offerUridMap) : world(lilv_world_new()) {
    LilvNode* bundle = lilv_new_file_uri(world, nullptr, QUILLBEAT_LV2_BUNDLE "/");
    lilv_world_load_bundle(world, bundle);
    lilv_node_free(bundle);
    LilvNode* uri = lilv_new_uri(world, QUILLBEAT_LV2_URI);
    plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri);
    lilv_node_free(uri);
    if (plugin == nullptr) throw std::runtime_error("the bundle holds no " QUILLBEAT_LV2_URI);

    const LV2_Feature mapFeature{LV2_URID__map, &uridMap};
    const LV2_Feature* features[] = {offerUridMap ? &mapFeature : nullptr, nullptr};
    instance = lilv_plugin_instantiate(plugin, kSampleRate, features);
    if (instance == nullptr) throw std::runtime_error("the plug-in refused to instantiate");

    // Every control port at its default, connected to its own value.
    const std::uint32_t ports = lilv_plugin_get_num_ports(plugin);
    controls.assign(ports, 0.0f);
    defaults.assign(ports, 0.0f);
    lilv_plugin_get_port_ranges_float(plugin, nullptr, nullptr, defaults.data());
    LilvNode* controlClass = lilv_new_uri(world, LV2_CORE__ControlPort);
    for (std::uint32_t i = 0; i < ports; ++i) {
        if (!lilv_port_is_a(plugin, lilv_plugin_get_port_by_index(plugin, i), controlClass)) continue;
        controls[i] = defaults[i];
        lilv_instance_connect_port(instance, i, &controls[i]);
    }
    lilv_node_free(controlClass);
    lv2_atom_forge_init(&forge, &uridMap);
    lilv_instance_activate(instance);
}

LilvHost::~LilvHost() {
    lilv_instance_deactivate(instance);
    lilv_instance_free(instance);
    lilv_world_free(world);
}

LV2_URID LilvHost::mapUri(LV2_URID_Map_Handle handle, const char* uri) {
    auto& uris = static_cast<LilvHost*>(handle)->uris;
    const auto found = std::find(uris.begin(), uris.end(), uri);
    if (found != uris.end()) return static_cast<LV2_URID>(found - uris.begin() + 1);
    uris.emplace_back(uri);
    return static_cast<LV2_URID>(uris.size());
}

std::uint32_t LilvHost::portIndex(const std::string& symbol) const {
    LilvNode* node = lilv_new_string(world, symbol.c_str());
    const LilvPort* port = lilv_plugin_get_port_by_symbol(plugin, node);
    lilv_node_free(node);
    if (port == nullptr) throw std::runtime_error("no port " + symbol);
    return lilv_port_get_index(plugin, port);
}

void LilvHost::startSequence() {
    if (forge.buf != nullptr) return;
    lv2_atom_forge_set_buffer(&forge, events, sizeof(events));
    lv2_atom_forge_sequence_head(&forge, &sequence, 0);
}

void LilvHost::sendPosition(std::uint32_t frameInBlock, std::optional<double> frame, std::optional<double> speed) {
    startSequence();
    LV2_Atom_Forge_Frame object;
    lv2_atom_forge_frame_time(&forge, frameInBlock);
    lv2_atom_forge_object(&forge, &object, 0, mapUri(this, LV2_TIME__Position));
    if (frame) {
        lv2_atom_forge_key(&forge, mapUri(this, LV2_TIME__frame));
        lv2_atom_forge_long(&forge, static_cast<std::int64_t>(*frame));
    }
    if (speed) {
        lv2_atom_forge_key(&forge, mapUri(this, LV2_TIME__speed));
        lv2_atom_forge_float(&forge, static_cast<float>(*speed));
    }
    lv2_atom_forge_pop(&forge, &object);
}

void LilvHost::sendRawEvent(std::uint32_t frameInBlock, const std::vector<std::uint32_t>& words) {
    startSequence();
    lv2_atom_forge_frame_time(&forge, frameInBlock);
    const auto size = static_cast<std::uint32_t>(words.size() * sizeof(std::uint32_t));
    lv2_atom_forge_raw(&forge, words.data(), size);
    lv2_atom_forge_pad(&forge, size);
}

void LilvHost::run(StereoBuffer& buffer) {
    startSequence();
    lv2_atom_forge_pop(&forge, &sequence);
    lilv_instance_connect_port(instance, portIndex("transport"), events);
    lilv_instance_connect_port(instance, portIndex("in_left"), buffer.left.data());
    lilv_instance_connect_port(instance, portIndex("in_right"), buffer.right.data());
    lilv_instance_connect_port(instance, portIndex("out_left"), buffer.left.data());
    lilv_instance_connect_port(instance, portIndex("out_right"), buffer.right.data());
    lilv_instance_run(instance, static_cast<std::uint32_t>(buffer.frames()));
    forge.buf = nullptr;
}

std::map<std::string, std::map<std::string, float>> LilvHost::presets() {
    std::map<std::string, std::map<std::string, float>> found;
    LilvNode* presetClass = lilv_new_uri(world, LV2_PRESETS__Preset);
    LilvNodes* related = lilv_plugin_get_related(plugin, presetClass);
    LILV_FOREACH (nodes, i, related) {
        const LilvNode* preset = lilv_nodes_get(related, i);
        lilv_world_load_resource(world, preset);
        LilvState* state = lilv_state_new_from_world(world, &uridMap, preset);
        if (state == nullptr) continue;
        auto& values = found[lilv_state_get_label(state)];
        struct Sink {
            std::map<std::string, float>* values;
            LV2_URID floatType;
        } sink{&values, mapUri(this, LV2_ATOM__Float)};
        const LilvSetPortValueFunc collect = [](const char* symbol, void* data, const void* value,
                                                std::uint32_t size, std::uint32_t type) {
            auto* into = static_cast<Sink*>(data);
            if (type == into->floatType && size == sizeof(float))
                (*into->values)[symbol] = *static_cast<const float*>(value);
        };
        lilv_state_emit_port_values(state, collect, &sink);
        lilv_state_free(state);
    }
    lilv_nodes_free(related);
    lilv_node_free(presetClass);
    return found;
}
