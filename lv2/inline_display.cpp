#include "lv2/inline_display.h"

#include <algorithm>
#include <cstring>

#include "editor/draw_editor.h"
#include "editor/editor_picture.h"

namespace {

// No side of the picture is longer, whatever a host asks.
constexpr std::uint32_t kLargestSide = 4096;

}  // namespace

InlineDisplay::InlineDisplay(double sampleRate) : sampleRate(sampleRate) {
    for (int i = 0; i < kParameterCount; ++i)
        valuesInUse[static_cast<std::size_t>(i)].store(kParameterTable[static_cast<std::size_t>(i)].initialValue);
}

void InlineDisplay::findHost(const LV2_Feature* const* features) {
    for (; features != nullptr && *features != nullptr; ++features) {
        if (std::strcmp((*features)->URI, QUILLBEAT_IDPY__queue_draw) == 0)
            host = static_cast<const LV2_Inline_Display*>((*features)->data);
    }
}

void InlineDisplay::publishWanted(const EditionCore& effect, const StepView& view, bool valuesChanged) {
    step.publish(view);
    if (!valuesChanged && valuesHanded) return;
    valuesHanded = true;
    for (int i = 0; i < kParameterCount; ++i)
        valuesInUse[static_cast<std::size_t>(i)].store(effect.valueInUse(i), std::memory_order_relaxed);
    if (host != nullptr && host->queue_draw != nullptr) host->queue_draw(host->handle);
}

LV2_Inline_Display_Image_Surface* InlineDisplay::render(const EditionCore& effect, std::uint32_t width,
                                                        std::uint32_t maxHeight) {
    // As wide as the host gives and half as tall, as the step is drawn wide
    // in the editor; never taller than the host takes.
    const std::uint32_t w = std::min(width, kLargestSide);
    const std::uint32_t h = std::min({w / 2, maxHeight, kLargestSide});
    if (w == 0 || h == 0) return nullptr;
    wanted.store(true, std::memory_order_relaxed);
    EditorPicture picture;
    for (int i = 0; i < kParameterCount; ++i) {
        const auto p = static_cast<std::size_t>(i);
        picture.hostValues[p] = effect.passedControl(i);
        picture.valuesInUse[p] = valuesInUse[p].load(std::memory_order_relaxed);
    }
    // A write in progress leaves the step last read.
    if (const std::optional<StepView> latest = step.latest()) lastStep = latest;
    picture.step = lastStep;
    picture.sampleRate = sampleRate;
    if (canvas.width != static_cast<int>(w) || canvas.height != static_cast<int>(h))
        canvas = Canvas(static_cast<int>(w), static_cast<int>(h));
    drawStepThumbnail(canvas, picture);
    surface = {reinterpret_cast<unsigned char*>(canvas.pixels.data()), canvas.width, canvas.height,
               canvas.width * static_cast<int>(sizeof(std::uint32_t))};
    return &surface;
}
