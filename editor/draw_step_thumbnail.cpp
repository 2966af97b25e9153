// The step alone, fitted to a host's canvas: see draw_editor.h.
#include <algorithm>

#include "editor/draw_editor.h"
#include "editor/editor_colours.h"
#include "editor/shared_cache.h"
#include "editor/shown_values.h"
#include "editor/step_drawing.h"

namespace {

SharedCache<StepShapeCache> thumbnailShapes;

}  // namespace

void drawStepThumbnail(Canvas& canvas, const EditorPicture& picture) {
    if (canvas.width <= 0 || canvas.height <= 0) return;
    fillPixels(canvas, 0, 0, canvas.width, canvas.height, colours::kStepBackground);
    // A line a pixel wide up to 60 pixels high, wider above.
    const double line = std::max(1.0, canvas.height / 60.0);
    const double margin = line * 2;
    const StepArea area{margin, margin, canvas.width - 2 * margin, canvas.height - 2 * margin, line};
    if (area.width < 1 || area.height < 1) return;
    const std::array<float, kParameterCount> values = shownValues(picture);
    thumbnailShapes.use([&](StepShapeCache& shapes) {
        drawStepShape(canvas, area, shapes.shape(values, stepColumns(area)));
    });
    drawPlayhead(canvas, area, picture.step);
}
