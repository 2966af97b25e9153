// The step as the thread that processes last left it, handed to an editor's
// window without either side waiting: a sequence lock over relaxed atomic
// fields. The writer never waits; a reader that meets a write in progress
// tries again later and keeps what it had.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>

#include "effect/quillbeat_core.h"

class WindowFeed {
public:
    // On the thread that processes, after a block.
    void publish(const StepView& view) {
        const std::uint32_t s = sequence.load(std::memory_order_relaxed);
        sequence.store(s + 1, std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_release);
        framesPerStep.store(view.framesPerStep, std::memory_order_relaxed);
        step.store(view.step, std::memory_order_relaxed);
        frameInStep.store(view.frameInStep, std::memory_order_relaxed);
        ampNotePeriod.store(view.ampNotePeriod, std::memory_order_relaxed);
        filterNotePeriod.store(view.filterNotePeriod, std::memory_order_relaxed);
        passingThrough.store(view.passingThrough, std::memory_order_relaxed);
        sequence.store(s + 2, std::memory_order_release);
    }

    // On any other thread: the latest whole view, or none while a write is
    // in progress or before the first.
    std::optional<StepView> latest() const {
        const std::uint32_t before = sequence.load(std::memory_order_acquire);
        if (before == 0 || (before & 1) != 0) return std::nullopt;
        const StepView view{framesPerStep.load(std::memory_order_relaxed), step.load(std::memory_order_relaxed),
                            frameInStep.load(std::memory_order_relaxed), ampNotePeriod.load(std::memory_order_relaxed),
                            filterNotePeriod.load(std::memory_order_relaxed),
                            passingThrough.load(std::memory_order_relaxed)};
        std::atomic_thread_fence(std::memory_order_acquire);
        if (sequence.load(std::memory_order_relaxed) != before) return std::nullopt;
        return view;
    }

    // Counts whole writes: a reader that saw this count has seen them all.
    std::uint32_t writes() const { return sequence.load(std::memory_order_acquire) / 2; }

private:
    std::atomic<std::uint32_t> sequence{0};
    std::atomic<std::int32_t> framesPerStep{0}, step{0}, frameInStep{0}, ampNotePeriod{0}, filterNotePeriod{0};
    std::atomic<bool> passingThrough{true};
};
