// A VST 2 effect behind the PluginInstance interface: its host
// (OfflineHost) answers the time request with the position of the part of
// the block being played, and a block with parameter changes or jumps inside
// it is played as one process call per part, cut at each one's frame. What
// VST 2 alone has (programs, the record's details, the rate and block told
// before the settings) is here too, for the programs that show or use it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "player/offline_host.h"
#include "player/plugin_instance.h"
#include "player/plugin_library.h"

// What a VST 2 effect tells of itself beyond the description.
struct Vst2Details {
    std::string product;
    VstIntPtr vendorVersion = 0;
    VstInt32 pluginVersion = 0;  // the version in its record
    VstIntPtr vstVersion = 0;
    VstInt32 uniqueId = 0;
    VstInt32 flags = 0;
};

class Vst2Instance final : public CutBlockInstance {
public:
    // Loads the library and opens its effect; throws std::runtime_error with
    // a message for the user. Until prepare() or activate() tells others,
    // the host answers an effect that asks (some do as they open) with this
    // rate and largest block: those it is to run at, where the caller knows.
    explicit Vst2Instance(const std::string& path, double sampleRate = 44100.0, std::uint32_t maxFrames = 512);
    ~Vst2Instance() override;

    bool activate(double sampleRate, std::uint32_t maxFrames) override;
    void deactivate() override;
    void setValue(std::size_t index, double value) override;
    double valueInUse(std::size_t index) override;
    std::string valueText(std::size_t index) override;

    // ---- VST 2 alone ------------------------------------------------------
    // Tells the effect the rate and the largest block, as a host does before
    // it sets the program and the parameters; activate() tells them only
    // when they differ from these.
    void prepare(double sampleRate, std::uint32_t maxFrames);
    int programCount() const { return effect->numPrograms; }
    // Selects program `index` (0 to programCount() - 1).
    void selectProgram(int index);
    // The names of its programs, from the indexed request; an effect that
    // does not answer it is stepped through its programs, and left on the
    // one it was on (which sets the values that program sets).
    std::vector<std::string> programNames();
    Vst2Details details();

    OfflineHost& host() { return effectHost; }
    AEffect& record() const { return *effect; }
    // A request that writes a text through ptr, read back safely.
    std::string text(VstInt32 opcode, VstInt32 index = 0);

private:
    void playPart(const Block& block, std::uint32_t from, std::uint32_t to) override;

    PluginLibrary library;
    OfflineHost effectHost;
    AEffect* effect = nullptr;
    bool active = false;
    // The rate and largest block told, if any.
    std::optional<std::pair<double, std::uint32_t>> told;
    // The transport as the last part left it, for the time record's
    // "changed": none before the first part and without time information.
    std::optional<HostPosition> lastEnd;
    VstTimeInfo time{};
    // The channel pointers of one part, sized when the effect is opened.
    std::vector<float*> inputs;
    std::vector<float*> outputs;
};
