#include "presets/factory_preset_files.h"

#include <filesystem>

FxpPreset factoryPresetFile(const FactoryPreset& preset) {
    const auto values = preset.values.inParameterOrder();
    return {fourCharacterCode(kPresetPluginId), kPresetPluginVersion, std::string(preset.name),
            {values.begin(), values.end()}};
}

std::string factoryPresetFileName(const FactoryPreset& preset) { return std::string(preset.slug) + ".fxp"; }

void writeFactoryPresetFiles(const std::string& folder) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() == ".fxp") std::filesystem::remove(entry.path());
    }
    for (const FactoryPreset& preset : kFactoryPresets) {
        writeFxpFile(folder + "/" + factoryPresetFileName(preset), factoryPresetFile(preset));
    }
}
