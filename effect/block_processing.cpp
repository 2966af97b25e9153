// The audio path: per block, find the block on the host's timeline; per
// frame, run the step clock, restart the envelopes on their countdowns and at
// step changes, and send both channels through gain and low-pass filter.
//
// Each component loads its state into locals for the block and stores it
// back at the end; the envelope increments are worked out where the
// parameters can change, the step number is divided out only where a step
// can end, and the two channels' filters run side by side. What happens once
// in many frames (a step change, a restart, the oscillator's turn, an
// envelope stage's end) is marked unlikely. docs/developing.md, "The audio
// path's cost", tells why and what each costs.
#include <cmath>

#include "effect/parameter_scales.h"
#include "effect/quillbeat_core.h"

namespace {
template <typename Sample>
bool hasStereoBuffers(Sample* const* channels) {
    return channels != nullptr && channels[0] != nullptr && channels[1] != nullptr;
}
}  // namespace

void QuillbeatCore::process(const float* const* inputs, float* const* outputs, std::int32_t frames,
                            std::optional<double> samplePosition) {
    StepClockState& clock = stepClockState;
    clock.previousBlockStartPosition = clock.blockStartPosition;
    if (samplePosition && std::isfinite(*samplePosition)) {
        clock.blockStartPosition = roundedPosition(*samplePosition);
    } else {
        // No usable position: this block follows the previous call.
        clock.blockStartPosition = wrappingAdd(clock.blockStartPosition, previousBlockFrames);
    }
    previousBlockFrames = frames > 0 ? frames : 0;
    clock.positionDelta = wrappingSub(clock.blockStartPosition, clock.previousBlockStartPosition);
    nextRandom();
    tempoBpm = beatsPerMinute(load(Tempo));
    // Frames per second times 60 / bpm is one beat; a step is two.
    clock.stepLength = static_cast<float>(static_cast<double>(capturedSampleRate) * 120.0f / tempoBpm);
    if (frames <= 0) return;
    // A host that hands no buffers gets nothing written, not a crash; the
    // block still counts, as one of zero frames does.
    if (!hasStereoBuffers(inputs) || !hasStereoBuffers(outputs)) return;

    if (clock.positionDelta == 0) {
        passThrough(inputs, outputs, frames);
    } else {
        processMovingBlock(inputs, outputs, frames);
    }
}

void QuillbeatCore::passThrough(const float* const* inputs, float* const* outputs, std::int32_t frames) {
    const float* inLeft = inputs[0];
    const float* inRight = inputs[1];
    float* outLeft = outputs[0];
    float* outRight = outputs[1];
    if (inLeft == outLeft && inRight == outRight) return;
    // Frame by frame, both samples read before either is written, so even
    // crossed or overlapping channels come out as the host expects.
    for (std::int32_t i = 0; i < frames; ++i) {
        const float left = inLeft[i];
        const float right = inRight[i];
        outLeft[i] = left;
        outRight[i] = right;
    }
}

EnvelopeRates QuillbeatCore::ampRates() const { return EnvelopeRates::of(load(vA), load(vD1), load(vS), load(vD2)); }

EnvelopeRates QuillbeatCore::filterRates() const {
    return EnvelopeRates::of(load(fA), load(fD1), load(fS), load(fD2));
}

void QuillbeatCore::processMovingBlock(const float* const* inputs, float* const* outputs, std::int32_t frames) {
    const float* inLeft = inputs[0];
    const float* inRight = inputs[1];
    float* outLeft = outputs[0];
    float* outRight = outputs[1];

    StepClock clock = StepClock::load(stepClockState);
    Envelope amp = Envelope::load(ampEnvelopeState, kAmpFloor);
    Envelope filter = Envelope::load(filterEnvelopeState, kFilterFloor);
    TriangleLfo lfo = TriangleLfo::load(lfoState);
    StereoLowPass lowPass = StereoLowPass::load(lowPassState);
    // The host may have changed the envelope parameters since the last block.
    amp.setRates(ampRates());
    filter.setRates(filterRates());

    for (std::int32_t i = 0; i < frames; ++i) {
        if (clock.advance(i)) [[unlikely]] {
            // A new step restarts both envelopes and reloads their
            // countdowns, so whatever this frame's countdowns would have
            // done (count, or restart and reload) leaves no trace: they are
            // skipped.
            //
            // The note counts in force before this step's own choice.
            amp.startStep(clock.framesPerStep(), triggersPerStep(load(vnotes)));
            filter.startStep(clock.framesPerStep(), triggersPerStep(load(fnotes)));
            chooseEnvelopeValues(clock.step(), i);
            // The choice takes effect in this very frame.
            amp.setRates(ampRates());
            filter.setRates(filterRates());
        } else {
            amp.countDown();
            filter.countDown();
        }

        amp.advance();
        filter.advance();
        const double lfoValue = lfo.advance();
        // Both input samples are read, as arguments, before either output
        // sample is written; read only here, they need no register through
        // the rest of the frame (nor through a step change's calls).
        lowPass.run(inLeft[i], inRight[i], amp.level(), filter.level(), lfoValue, outLeft + i, outRight + i);
    }

    clock.store(stepClockState);
    amp.store(ampEnvelopeState);
    filter.store(filterEnvelopeState);
    lfo.store(lfoState);
    lowPass.store(lowPassState);
}
