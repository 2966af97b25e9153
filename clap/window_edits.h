// The window's edits on their way to the thread that processes: a fixed ring
// of one writer (the host's main thread, where the window runs) and one
// reader (process or params.flush), lock-free and allocation-free on both
// sides. A full ring refuses the edit; the writer keeps it and tries again.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

struct WindowEdit {
    enum class Kind : std::uint8_t { begin, value, end };
    Kind kind = Kind::value;
    std::uint32_t parameter = 0;
    float value = 0.0f;  // for Kind::value, the host's 0 to 1
};

class WindowEdits {
public:
    static constexpr std::size_t kCapacity = 256;

    // On the window's thread: false when the ring is full.
    bool push(const WindowEdit& edit) {
        const std::size_t tail = written.load(std::memory_order_relaxed);
        if (tail - read.load(std::memory_order_acquire) == kCapacity) return false;
        ring[tail % kCapacity] = edit;
        written.store(tail + 1, std::memory_order_release);
        return true;
    }

    // On the thread that processes: each edit waiting, oldest first. An
    // empty ring costs two loads.
    template <typename Apply>
    void drain(Apply&& apply) {
        const std::size_t tail = written.load(std::memory_order_acquire);
        std::size_t head = read.load(std::memory_order_relaxed);
        if (head == tail) return;
        for (; head != tail; ++head) apply(ring[head % kCapacity]);
        read.store(head, std::memory_order_release);
    }

private:
    std::array<WindowEdit, kCapacity> ring{};
    std::atomic<std::size_t> written{0};
    std::atomic<std::size_t> read{0};
};
