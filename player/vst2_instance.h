// A VST 2 effect behind the PluginInstance interface: the library's
// EffectHost answers its time request with the position of the part of the
// block being played, and a block with parameter changes inside it is
// played as one process call per part, cut at each change's frame.
#pragma once

#include "player/effect_host.h"
#include "player/plugin_instance.h"
#include "player/plugin_library.h"

class Vst2Instance final : public CutBlockInstance {
public:
    // Loads the library and opens its effect; throws std::runtime_error.
    explicit Vst2Instance(const std::string& path);
    ~Vst2Instance() override;

    bool activate(double sampleRate, std::uint32_t maxFrames) override;
    void deactivate() override;
    void setValue(std::size_t index, double value) override;
    double valueInUse(std::size_t index) override;
    std::string valueText(std::size_t index) override;

    EffectHost& host() { return effectHost; }

private:
    std::string text(VstInt32 opcode, VstInt32 index = 0);
    void playPart(const Block& block, std::uint32_t from, std::uint32_t to) override;

    PluginLibrary library;
    EffectHost effectHost;
    AEffect* effect = nullptr;
    bool active = false;
    VstTimeInfo time{};
    // The channel pointers of one part, sized when the effect is opened.
    std::vector<float*> inputs;
    std::vector<float*> outputs;
};
