// The small picture of the step that Ardour's mixer strip shows: once the
// host has asked for it, run() hands it the values in use and the step
// without waiting, and asks the host for a redraw when the values changed;
// render(), on the host's GUI thread, draws the latest of them at the
// host's size. Until a host asks, run() does nothing here.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>

#include "edition/edition_core.h"
#include "editor/canvas.h"
#include "editor/window_feed.h"
#include "lv2/inline_display_abi.h"

class InlineDisplay {
public:
    explicit InlineDisplay(double sampleRate);

    // The host's queue_draw feature among `features`, if it offers one.
    void findHost(const LV2_Feature* const* features);

    // After each run, on the thread that processes: allocates nothing and
    // waits for nothing. `valuesChanged`: the values in use may have moved,
    // and the host is asked to draw again (as it is after its first
    // picture, which showed none of them).
    void publish(const EditionCore& effect, const StepView& view, bool valuesChanged) {
        if (wanted.load(std::memory_order_relaxed)) [[unlikely]]
            publishWanted(effect, view, valuesChanged);
    }

    // On the host's GUI thread: the picture, `width` wide and at most
    // `maxHeight` tall; null when there is no room for one.
    LV2_Inline_Display_Image_Surface* render(const EditionCore& effect, std::uint32_t width, std::uint32_t maxHeight);

private:
    const double sampleRate;
    void publishWanted(const EditionCore& effect, const StepView& view, bool valuesChanged);

    const LV2_Inline_Display* host = nullptr;
    // Set by the first render(); then whether run() has handed the values
    // over since.
    std::atomic<bool> wanted{false};
    bool valuesHanded = false;
    WindowFeed step;
    std::optional<StepView> lastStep;  // on the GUI thread
    std::array<std::atomic<float>, kParameterCount> valuesInUse{};
    Canvas canvas;
    LV2_Inline_Display_Image_Surface surface{};
};
