// One step's envelopes as the effect plays them, column by column: worked
// out with the effect's own Envelope over the frames of one step, so the
// picture is what is heard. Kept by values and width, so that a redraw that
// only moves the playhead does not work it out again.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "effect/parameters.h"

struct StepShape {
    std::int32_t framesPerStep = 0;
    // The highest level the frames of each column reach, 0 to 1.
    std::vector<float> volume;
    std::vector<float> filter;
    // The frames at which each envelope starts a note, the step's first
    // included.
    std::vector<std::int32_t> volumeStarts;
    std::vector<std::int32_t> filterStarts;
};

// The step for these values (all twelve, as in use) in `columns` columns.
StepShape stepShapeOf(const std::array<float, kParameterCount>& values, int columns);

// The last shape asked for, worked out again only when the values or the
// width change.
class StepShapeCache {
public:
    const StepShape& shape(const std::array<float, kParameterCount>& values, int columns);

private:
    bool filled = false;
    std::array<float, kParameterCount> values{};
    int columns = 0;
    StepShape kept;
};
