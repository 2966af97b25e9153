#include "editor/control_steps.h"

#include <algorithm>
#include <cstdint>

#include "editor/value_ranges.h"
#include "effect/parameter_scales.h"
#include "effect/parameters.h"

namespace {

constexpr float kStep = 0.01f;
constexpr float kFineStep = 0.001f;

// The middle of the values giving the whole number `steps` away from the
// one `value` gives, skipping numbers no value gives, within what 0 and 1
// give.
template <class Measure>
float wholeNumberStep(Measure measure, float value, int steps) {
    const std::int64_t from = measure(value), lowest = measure(0.0f), highest = measure(1.0f);
    const std::int64_t direction = steps > 0 ? 1 : -1;
    std::int64_t wanted = std::clamp<std::int64_t>(from + steps, lowest, highest);
    for (; wanted != from && wanted >= lowest && wanted <= highest; wanted += direction) {
        if (const std::optional<ValueRange> values = valuesGiving(measure, wanted)) return values->middle();
    }
    return value;
}

std::int64_t modeNumber(float value) { return static_cast<std::int64_t>(switchMode(value)); }

}  // namespace

float steppedValue(int parameter, float value, int steps, bool fine) {
    if (steps == 0) return value;
    switch (kParameterTable[static_cast<std::size_t>(parameter)].valueText) {
        case ValueText::TriggerCount:
            return wholeNumberStep(triggersPerStep, value, steps);
        case ValueText::BeatsPerMinute:
            return wholeNumberStep(beatsPerMinute, value, steps);
        case ValueText::SwitchMode: {
            const std::int64_t mode = std::clamp<std::int64_t>(modeNumber(value) + steps, 0, std::size(kSwitchModes) - 1);
            return mode == modeNumber(value) ? value : kSwitchModes[mode].value;
        }
        case ValueText::Number:
            break;
    }
    return std::clamp(value + static_cast<float>(steps) * (fine ? kFineStep : kStep), 0.0f, 1.0f);
}
