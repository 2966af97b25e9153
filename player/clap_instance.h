// A CLAP plug-in behind the PluginInstance interface, on our own declarations
// of the interface (abi/clap_abi.h): the file's entry, its plug-in factory,
// one plug-in created with a host record of ours, and the params, state and
// audio-ports extensions. A block's parameter changes reach the plug-in as
// events at their frames; the host position as a transport in fixed-point
// seconds and beats (player/clap_transport.h). Every function the host
// calls, and every count it allocates for, is checked when the plug-in is
// created.
#pragma once

#include "abi/clap_abi.h"
#include "player/plugin_instance.h"
#include "player/plugin_library.h"

// The parameter events of one block (or of one set between blocks), in the
// order the plug-in reads them.
struct ClapEventList {
    clap::clap_input_events list{};
    std::vector<clap::clap_event_param_value> events;
    std::uint32_t count = 0;
};

class ClapInstance final : public PluginInstance {
public:
    // Loads the file and creates its first plug-in; throws std::runtime_error.
    // Created and destroyed on the host's main thread.
    explicit ClapInstance(const std::string& path);
    ~ClapInstance() override;

    bool activate(double sampleRate, std::uint32_t maxFrames) override;
    void deactivate() override;
    void setValue(std::size_t index, double value) override;
    double valueInUse(std::size_t index) override;
    std::string valueText(std::size_t index) override;
    bool play(const Block& block) override;
    std::optional<std::vector<std::uint8_t>> saveState() override;
    bool loadState(std::span<const std::uint8_t> state) override;

private:
    // The constructor's two steps: the plug-in created and initialised, then
    // its extensions read; each throws std::runtime_error.
    void createPlugin(const std::string& path);
    void describe(const std::string& path);
    void addEvent(const ParameterChange& change);
    void flushPending();

    PluginLibrary library;
    const clap::clap_plugin_entry* entry = nullptr;
    const clap::clap_plugin_descriptor* descriptor = nullptr;
    const clap::clap_plugin* plugin = nullptr;
    const clap::clap_plugin_params* params = nullptr;
    const clap::clap_plugin_state* state = nullptr;
    clap::clap_host host{};
    double sampleRate = 44100.0;
    bool active = false;
    std::vector<clap::clap_id> ids;
    std::vector<void*> cookies;
    // Channels per audio port, in and out.
    std::vector<std::uint32_t> inputPorts;
    std::vector<std::uint32_t> outputPorts;
    // Sized once: a block calls nothing that allocates.
    std::vector<clap::clap_audio_buffer> inputBuffers;
    std::vector<clap::clap_audio_buffer> outputBuffers;
    std::vector<float*> inputChannels;
    std::vector<float*> outputChannels;
    ClapEventList events;
    clap::clap_output_events discard{};
    clap::clap_event_transport transport{};
    std::int64_t steadyTime = 0;
};
