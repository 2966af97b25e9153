// What the LV2 and CLAP plug-ins share: one core, and the rules for the
// values their hosts send. A host's control reaches the core only when the
// host changed it since it last sent it: "RANDOM" and "AUTO" overwrite
// envelope values inside the core, and their picks stay until the user
// moves that control, as under a VST 2 host. The values in use are read
// from the core only after something may have changed them.
#pragma once

#include <array>
#include <atomic>
#include <bit>
#include <cstdint>
#include <optional>

#include "effect/parameters.h"
#include "effect/quillbeat_core.h"

// The sample rates an edition starts at, 1 Hz to 2^24 Hz (16 777 216 Hz);
// NaN and the infinities are outside. The CLAP edition's song positions are
// exact in integers up to that rate, and a float, which hosts hand rates
// to VST 2 effects in, holds every whole rate up to it exactly. Below one
// frame a second there is no audio to cut. Every rate hosts and sound files
// use, 8 kHz to 768 kHz, is well inside.
inline constexpr double kLowestSampleRate = 1.0;
inline constexpr double kHighestSampleRate = 0x1p24;
inline bool isUsableSampleRate(double rate) { return rate >= kLowestSampleRate && rate <= kHighestSampleRate; }

class EditionCore {
public:
    EditionCore();

    // A value from the host, applied when it differs, bit for bit, from the
    // one it last sent for that control. It reaches the core as
    // valueFromHost has it.
    void passControl(int index, float value);
    // passControl for every control; none may be null. Controls seldom
    // change between blocks: one pass that only compares comes first.
    void passChangedControls(const std::array<const float*, kParameterCount>& controls) {
        std::uint32_t changedBits = 0;
#pragma GCC unroll 12
        for (int i = 0; i < kParameterCount; ++i)
            changedBits |= std::bit_cast<std::uint32_t>(*controls[i]) ^ passed[i].load(std::memory_order_relaxed);
        if (changedBits != 0) passControls(controls);
    }
    // Sets a control whatever was sent before, and takes it as the host's
    // (a saved state coming back). Safe on another thread than the one that
    // processes.
    void restoreControl(int index, float value);
    // The value last sent, bit for bit.
    float passedControl(int index) const {
        return std::bit_cast<float>(passed[static_cast<std::size_t>(index)].load(std::memory_order_relaxed));
    }
    float valueInUse(int index) const { return core.parameterValue(index); }

    void process(const float* const* inputs, float* const* outputs, std::uint32_t frames,
                 std::optional<double> samplePosition) {
        core.process(inputs, outputs, static_cast<std::int32_t>(frames), samplePosition);
    }
    // Back to a new core's state with the values in use. Allocates nothing.
    void reset() {
        core.reset();
        valuesMoved.store(true, std::memory_order_relaxed);
    }
    void setPickListener(PickListener* listener) { core.setPickListener(listener); }
    // Where the last block left the step, for a window to show.
    StepView stepView() const { return core.stepView(); }

    // Writes each value in use to its output, null outputs skipped, when one
    // may have changed since the last write: a pick, a control, a restore,
    // or outputsMoved(). True when it wrote them. On the thread that
    // processes.
    bool writeValuesInUse(const std::array<float*, kParameterCount>& outputs) {
        const std::uint32_t picks = core.pickCount();
        if (picks == picksWritten && !valuesMoved.load(std::memory_order_relaxed)) return false;
        writeAll(outputs, picks);
        return true;
    }
    // The host gave an output new memory: the next write writes them all.
    void outputsMoved() { valuesMoved.store(true, std::memory_order_relaxed); }

private:
    void passControls(const std::array<const float*, kParameterCount>& controls);
    void writeAll(const std::array<float*, kParameterCount>& outputs, std::uint32_t picks);

    QuillbeatCore core{kStepGridSampleRate};
    // Each control's value as last sent, bit for bit; relaxed
    // atomics, as a restore may come from another thread.
    std::array<std::atomic<std::uint32_t>, kParameterCount> passed{};
    std::uint32_t picksWritten = 0;
    std::atomic<bool> valuesMoved{true};
};
