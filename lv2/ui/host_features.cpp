#include "lv2/ui/host_features.h"

#include <lv2/atom/atom.h>
#include <lv2/options/options.h>
#include <lv2/parameters/parameters.h>
#include <lv2/urid/urid.h>

#include <cmath>
#include <cstring>

namespace {

// An option's number, when its type is one that holds one.
std::optional<double> numberOf(const LV2_Options_Option& option, LV2_URID floatType, LV2_URID doubleType,
                               LV2_URID intType) {
    if (option.value == nullptr) return std::nullopt;
    double value;
    if (option.type == floatType && option.size == sizeof(float)) {
        float number;
        std::memcpy(&number, option.value, sizeof number);
        value = number;
    } else if (option.type == doubleType && option.size == sizeof(double)) {
        std::memcpy(&value, option.value, sizeof value);
    } else if (option.type == intType && option.size == sizeof(std::int32_t)) {
        std::int32_t number;
        std::memcpy(&number, option.value, sizeof number);
        value = number;
    } else {
        return std::nullopt;
    }
    // Nothing here is meaningful at zero, below it, or beyond the numbers.
    if (!std::isfinite(value) || value <= 0.0) return std::nullopt;
    return value;
}

}  // namespace

HostFeatures readHostFeatures(const LV2_Feature* const* features) {
    HostFeatures found;
    const LV2_URID_Map* map = nullptr;
    const LV2_Options_Option* options = nullptr;
    for (; features != nullptr && *features != nullptr; ++features) {
        const char* uri = (*features)->URI;
        void* data = (*features)->data;
        if (std::strcmp(uri, LV2_UI__parent) == 0)
            found.parent = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(data));
        else if (std::strcmp(uri, LV2_UI__touch) == 0)
            found.touch = static_cast<const LV2UI_Touch*>(data);
        else if (std::strcmp(uri, LV2_UI__resize) == 0)
            found.resize = static_cast<const LV2UI_Resize*>(data);
        else if (std::strcmp(uri, LV2_URID__map) == 0)
            map = static_cast<const LV2_URID_Map*>(data);
        else if (std::strcmp(uri, LV2_OPTIONS__options) == 0)
            options = static_cast<const LV2_Options_Option*>(data);
    }
    if (map == nullptr || options == nullptr) return found;
    const LV2_URID scaleKey = map->map(map->handle, LV2_UI__scaleFactor);
    const LV2_URID rateKey = map->map(map->handle, LV2_PARAMETERS__sampleRate);
    const LV2_URID floatType = map->map(map->handle, LV2_ATOM__Float);
    const LV2_URID doubleType = map->map(map->handle, LV2_ATOM__Double);
    const LV2_URID intType = map->map(map->handle, LV2_ATOM__Int);
    for (const LV2_Options_Option* option = options; option->key != 0; ++option) {
        if (option->key == scaleKey) found.scale = numberOf(*option, floatType, doubleType, intType);
        if (option->key == rateKey) found.sampleRate = numberOf(*option, floatType, doubleType, intType);
    }
    return found;
}
