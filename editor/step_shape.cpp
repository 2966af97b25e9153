#include "editor/step_shape.h"

#include <algorithm>
#include <cstring>

#include "editor/step_timing.h"
#include "effect/envelope.h"
#include "effect/parameter_scales.h"

namespace {

// One envelope over one step, as the effect runs it from a step's start:
// restarted, then at every frame a countdown and an advance (the step's
// first frame has no countdown). Each column keeps its frames' highest
// level.
void runEnvelope(const std::array<float, kParameterCount>& values, int first, float floorLevel,
                 std::int32_t framesPerStep, std::vector<float>& columns, std::vector<std::int32_t>& starts) {
    Envelope envelope = Envelope::load(EnvelopeState{kFinished, 0.0f, 0, 1}, floorLevel);
    const auto value = [&](int offset) { return values[static_cast<std::size_t>(first + offset)]; };
    envelope.setRates(EnvelopeRates::of(value(0), value(1), value(2), value(3)));
    const std::int32_t count = triggersPerStep(value(4));
    envelope.startStep(framesPerStep, count);
    // The countdown restarts the envelope once it goes below zero: every
    // period + 1 frames.
    const std::int32_t period = framesPerStep / count;
    for (std::int64_t frame = 0; frame < framesPerStep; frame += std::int64_t{period} + 1) {
        starts.push_back(static_cast<std::int32_t>(frame));
    }
    const auto width = static_cast<std::int64_t>(columns.size());
    for (std::int32_t frame = 0; frame < framesPerStep; ++frame) {
        if (frame > 0) envelope.countDown();
        envelope.advance();
        float& column = columns[static_cast<std::size_t>(frame * width / framesPerStep)];
        column = std::max(column, static_cast<float>(envelope.level()));
    }
    // A column that no frame falls in (a step of fewer frames than
    // columns) holds the frame before it.
    for (std::size_t c = 0; c < columns.size(); ++c) {
        if (columns[c] < 0.0f) columns[c] = c > 0 ? columns[c - 1] : 0.0f;
    }
}

}  // namespace

StepShape stepShapeOf(const std::array<float, kParameterCount>& values, int columns) {
    StepShape shape;
    shape.framesPerStep = framesPerStepAt(values[kTempo]);
    const auto width = static_cast<std::size_t>(std::max(columns, 1));
    // Below any level: a column no frame reached yet.
    shape.volume.assign(width, -1.0f);
    shape.filter.assign(width, -1.0f);
    runEnvelope(values, kVA, kAmpFloor, shape.framesPerStep, shape.volume, shape.volumeStarts);
    runEnvelope(values, kFA, kFilterFloor, shape.framesPerStep, shape.filter, shape.filterStarts);
    return shape;
}

const StepShape& StepShapeCache::shape(const std::array<float, kParameterCount>& newValues, int newColumns) {
    // Compared as bits: a NaN value is the same value again.
    if (!filled || newColumns != columns || std::memcmp(newValues.data(), values.data(), sizeof values) != 0) {
        kept = stepShapeOf(newValues, newColumns);
        values = newValues;
        columns = newColumns;
        filled = true;
    }
    return kept;
}
