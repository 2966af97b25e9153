// The editor's drawing: a whole redraw at scale 1 and 2 when only the
// playhead moved (the step's shape kept), when the values changed (worked
// out again, as at every pick in RANDOM), and the mixer strip's thumbnail.
#include <benchmark/benchmark.h>

#include <cmath>

#include "editor/draw_editor.h"
#include "editor/editor_layout.h"

namespace {

EditorPicture benchPicture() {
    EditorPicture picture;
    const float values[kParameterCount] = {0.3f, 0.15f, 0.4f, 0.1f, 0.23f, 0.5f, 0.2f, 0.3f, 0.05f, 0.17f, 0.0f, 0.24f};
    for (int i = 0; i < kParameterCount; ++i) picture.hostValues[static_cast<std::size_t>(i)] = values[i];
    picture.valuesInUse = picture.hostValues;
    picture.step = StepView{37800, 1, 0, 9449, 12599, false};
    picture.songTempoText = "128";
    picture.songTempoDriftFrames = 12;
    return picture;
}

// Only the playhead moves.
void BM_drawEditorPlaying(benchmark::State& state) {
    const double scale = static_cast<double>(state.range(0));
    Canvas canvas(static_cast<int>(kEditorWidth * scale), static_cast<int>(kEditorHeight * scale));
    EditorPicture picture = benchPicture();
    for (auto _ : state) {
        picture.step->frameInStep = (picture.step->frameInStep + 1470) % picture.step->framesPerStep;
        drawEditor(canvas, picture, scale);
        benchmark::DoNotOptimize(canvas.pixels.data());
    }
}
BENCHMARK(BM_drawEditorPlaying)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// A new pick at every redraw.
void BM_drawEditorNewValues(benchmark::State& state) {
    const double scale = static_cast<double>(state.range(0));
    Canvas canvas(static_cast<int>(kEditorWidth * scale), static_cast<int>(kEditorHeight * scale));
    EditorPicture picture = benchPicture();
    picture.hostValues[kRndSw] = 0.5f;
    int pick = 0;
    for (auto _ : state) {
        picture.valuesInUse[kVD1] = static_cast<float>(pick++ % 50) / 50.0f;
        drawEditor(canvas, picture, scale);
        benchmark::DoNotOptimize(canvas.pixels.data());
    }
}
BENCHMARK(BM_drawEditorNewValues)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_drawStepThumbnail(benchmark::State& state) {
    Canvas canvas(200, 60);
    EditorPicture picture = benchPicture();
    for (auto _ : state) {
        picture.step->frameInStep = (picture.step->frameInStep + 1470) % picture.step->framesPerStep;
        drawStepThumbnail(canvas, picture);
        benchmark::DoNotOptimize(canvas.pixels.data());
    }
}
BENCHMARK(BM_drawStepThumbnail)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
