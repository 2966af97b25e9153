#include "editor/step_drawing.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "editor/editor_colours.h"

namespace {

// The filter's opening sways between its level times 0.92 and its level
// (effect/triangle_lfo.h).
constexpr double kSwayLow = 0.92;

}  // namespace

int stepColumns(const StepArea& area) { return std::max(1, static_cast<int>(std::lround(area.width))); }

void drawStepShape(Canvas& canvas, const StepArea& area, const StepShape& shape) {
    const double mark = area.lineWidth * 2.5;
    // Levels run from the bottom to the top, leaving room for the marks.
    const double top = area.y + mark + area.lineWidth, bottom = area.y + area.height - mark - area.lineWidth;
    const auto levelY = [&](double level) { return bottom - std::clamp(level, 0.0, 1.0) * (bottom - top); };
    const auto columns = static_cast<int>(shape.volume.size());
    const double columnWidth = area.width / columns;
    const auto frameX = [&](double frame) { return area.x + frame / shape.framesPerStep * area.width; };

    // Quarters of the step, and the full and half levels, on whole pixels.
    const int gridWidth = std::max(1, static_cast<int>(area.lineWidth / 2));
    const auto whole = [](double v) { return static_cast<int>(std::lround(v)); };
    for (int quarter = 1; quarter < 4; ++quarter) {
        fillPixels(canvas, whole(area.x + area.width * quarter / 4), whole(area.y), gridWidth, whole(area.height),
                   colours::kGrid);
    }
    for (double level : {0.5, 1.0}) {
        fillPixels(canvas, whole(area.x), whole(levelY(level)), whole(area.width), gridWidth, colours::kGrid);
    }

    // The volume: filled from the bottom up to each column's level, at the
    // column's middle.
    std::vector<Point> outline;
    outline.reserve(static_cast<std::size_t>(columns) + 2);
    outline.push_back({area.x, bottom});
    for (int c = 0; c < columns; ++c) {
        outline.push_back({area.x + (c + 0.5) * columnWidth, levelY(shape.volume[static_cast<std::size_t>(c)])});
    }
    outline.push_back({area.x + area.width, bottom});
    Path volume;
    volume.polygon(outline);
    fillPath(canvas, volume, colours::kVolumeFill);
    Path volumeEdge;
    volumeEdge.stroke(std::span<const Point>(outline).subspan(1, outline.size() - 2), std::max(1.0, area.lineWidth / 2));
    fillPath(canvas, volumeEdge, colours::kVolume);

    // The filter: the band it sways through, then its line on top.
    std::vector<Point> line, band;
    line.reserve(static_cast<std::size_t>(columns));
    band.reserve(static_cast<std::size_t>(columns) * 2);
    for (int c = 0; c < columns; ++c) {
        const double level = shape.filter[static_cast<std::size_t>(c)];
        line.push_back({area.x + (c + 0.5) * columnWidth, levelY(level)});
    }
    for (int c = columns - 1; c >= 0; --c) {
        const double level = shape.filter[static_cast<std::size_t>(c)] * kSwayLow;
        band.push_back({area.x + (c + 0.5) * columnWidth, levelY(level)});
    }
    band.insert(band.begin(), line.begin(), line.end());
    Path sway;
    sway.polygon(band);
    fillPath(canvas, sway, colours::kFilterBand);
    Path filter;
    filter.stroke(line, area.lineWidth);
    fillPath(canvas, filter, colours::kFilter);

    // Note starts: the volume's as triangles pointing up from the bottom
    // edge, the filter's pointing down from the top.
    Path volumeStarts, filterStarts;
    for (std::int32_t frame : shape.volumeStarts) {
        const double x = frameX(frame);
        const Point triangle[3] = {{x - mark, area.y + area.height}, {x + mark, area.y + area.height},
                                   {x, area.y + area.height - mark * 1.2}};
        volumeStarts.polygon(triangle);
    }
    for (std::int32_t frame : shape.filterStarts) {
        const double x = frameX(frame);
        const Point triangle[3] = {{x - mark, area.y}, {x, area.y + mark * 1.2}, {x + mark, area.y}};
        filterStarts.polygon(triangle);
    }
    fillPath(canvas, volumeStarts, colours::kVolume);
    fillPath(canvas, filterStarts, colours::kFilter);
}

void drawPlayhead(Canvas& canvas, const StepArea& area, const std::optional<StepView>& step) {
    if (step && step->framesPerStep > 0) {
        const double fraction = std::clamp(static_cast<double>(step->frameInStep) / step->framesPerStep, 0.0, 1.0);
        const double x = area.x + fraction * area.width;
        Path playhead;
        playhead.rect(x - area.lineWidth / 2, area.y, area.lineWidth, area.height);
        fillPath(canvas, playhead, step->passingThrough ? colours::kDimText : colours::kPlayhead);
    }
}
