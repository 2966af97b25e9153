// The factory presets (presets/factory_presets.h) as VST 2 preset files, one
// per preset, named by its slug.
#pragma once

#include <string>

#include "presets/factory_presets.h"
#include "presets/fxp_file.h"

FxpPreset factoryPresetFile(const FactoryPreset& preset);

// "<slug>.fxp"
std::string factoryPresetFileName(const FactoryPreset& preset);

// Writes every factory preset into the folder, which must exist, after
// removing the .fxp files already there, so none outlives its preset.
// Throws FxpError.
void writeFactoryPresetFiles(const std::string& folder);
