// Caches the drawing keeps between calls (glyphs, the step's shape) without
// a lock: the thread that finds them free uses them; another thread drawing
// at the same moment, which hosts do not do but may, works with caches of
// its own for that call.
#pragma once

#include <atomic>

template <class Caches>
class SharedCache {
public:
    template <class Use>
    void use(Use&& work) {
        if (!busy.exchange(true, std::memory_order_acquire)) {
            work(shared);
            busy.store(false, std::memory_order_release);
        } else {
            Caches own;
            work(own);
        }
    }

private:
    Caches shared;
    std::atomic<bool> busy{false};
};
