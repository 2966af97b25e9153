// A small LV2 host for the tests, on lilv: it loads the built bundle, runs
// one instance block by block, sends it transport messages and control
// values, and reads back its control outputs.
#pragma once

#include <lilv/lilv.h>
#include <lv2/atom/forge.h>
#include <lv2/urid/urid.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/test_host.h"

class LilvHost {
public:
    // Without a URID map the plug-in can read no transport message.
    explicit LilvHost(bool offerUridMap = true);
    ~LilvHost();
    LilvHost(const LilvHost&) = delete;
    LilvHost& operator=(const LilvHost&) = delete;

    // Control ports by symbol; the values in use are "<symbol>_in_use".
    void setControl(const std::string& symbol, float value) { controls.at(portIndex(symbol)) = value; }
    float control(const std::string& symbol) const { return controls.at(portIndex(symbol)); }
    // The port's default, as the bundle gives it.
    float defaultValue(const std::string& symbol) const { return defaults.at(portIndex(symbol)); }
    LV2_URID uri(const char* uri) { return mapUri(this, uri); }
    // A time:Position for the next block, at `frameInBlock`; absent fields
    // are left out of the message.
    void sendPosition(std::uint32_t frameInBlock, std::optional<double> frame, std::optional<double> speed);
    // An event at `frameInBlock` of the next block whose atom, header
    // included, is `words`, whatever size its header claims.
    void sendRawEvent(std::uint32_t frameInBlock, const std::vector<std::uint32_t>& words);
    // One run over the whole buffer, in place; then the messages are gone.
    void run(StereoBuffer& buffer);
    void deactivateAndActivate() {
        lilv_instance_deactivate(instance);
        lilv_instance_activate(instance);
    }

    // The presets, by label, with the values they set by port symbol.
    std::map<std::string, std::map<std::string, float>> presets();

private:
    std::uint32_t portIndex(const std::string& symbol) const;
    void startSequence();
    static LV2_URID mapUri(LV2_URID_Map_Handle handle, const char* uri);

    LilvWorld* world;
    const LilvPlugin* plugin = nullptr;
    LilvInstance* instance = nullptr;
    std::vector<std::string> uris;
    LV2_URID_Map uridMap{this, &LilvHost::mapUri};
    std::vector<float> controls;
    std::vector<float> defaults;
    alignas(8) std::uint8_t events[8192];
    LV2_Atom_Forge forge;
    LV2_Atom_Forge_Frame sequence;
};
