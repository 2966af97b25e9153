// The step drawn into a rectangle of a canvas: the volume envelope filled,
// the filter envelope as a line over it with the band its oscillator sways
// it through, the note starts marked (the volume's below, the filter's
// above) and the playhead. The editor draws it large, a host's mixer strip
// small; no text.
#pragma once

#include <optional>

#include "editor/canvas_drawing.h"
#include "editor/step_shape.h"
#include "effect/quillbeat_core.h"

struct StepArea {
    double x, y, width, height;
    double lineWidth;  // the filter's line; marks scale with it
};

// The envelopes and note starts; `shape` must have one column per pixel of
// the area's width, rounded.
void drawStepShape(Canvas& canvas, const StepArea& area, const StepShape& shape);
// The playhead over them, where the last block ended.
void drawPlayhead(Canvas& canvas, const StepArea& area, const std::optional<StepView>& step);

// Columns for an area: one a pixel.
int stepColumns(const StepArea& area);
