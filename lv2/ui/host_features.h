// What an LV2 host hands the plug-in's window at instantiate: the X window
// to embed in, touch and resize where it offers them, and its options (the
// scale and the sample rate), read once.
#pragma once

#include <lv2/core/lv2.h>
#include <lv2/ui/ui.h>

#include <cstdint>
#include <optional>

struct HostFeatures {
    std::optional<std::uint64_t> parent;
    const LV2UI_Touch* touch = nullptr;
    const LV2UI_Resize* resize = nullptr;
    // ui:scaleFactor, and param:sampleRate, when the host's options say them
    // (read only with a URID map to name them by).
    std::optional<double> scale;
    std::optional<double> sampleRate;
};

HostFeatures readHostFeatures(const LV2_Feature* const* features);
