#include "tests/support/reference_gate.h"

#include <cmath>
#include <limits>

#include "effect/parameters.h"
#include "effect/pattern_table.h"

namespace {

// ---- numbers: the plain formulas, kept apart from the audio path's own -------

std::int32_t truncToInt32(double value) {
    constexpr double lowest = static_cast<double>(std::numeric_limits<std::int32_t>::min());
    constexpr double highest = static_cast<double>(std::numeric_limits<std::int32_t>::max());
    if (value >= lowest && value <= highest) return static_cast<std::int32_t>(value);
    if (value < lowest) return std::numeric_limits<std::int32_t>::min();
    if (value > highest) return std::numeric_limits<std::int32_t>::max();
    return 0;
}

std::int32_t beatsPerMinute(float tempo) {
    const double t = static_cast<double>(tempo) * 6.0f;
    const std::int64_t bpm = std::int64_t{120} - truncToInt32(t * t * -10.0f);
    return bpm > std::numeric_limits<std::int32_t>::max() ? std::numeric_limits<std::int32_t>::max()
                                                          : static_cast<std::int32_t>(bpm);
}

std::int32_t triggersPerStep(float notes) {
    const std::int64_t count = std::int64_t{1} - truncToInt32(static_cast<double>(notes) * -15.0f);
    if (count < 1) return 1;
    return count > std::numeric_limits<std::int32_t>::max() ? std::numeric_limits<std::int32_t>::max()
                                                            : static_cast<std::int32_t>(count);
}

int switchMode(float rndSw) {
    const std::int32_t mode = truncToInt32(static_cast<double>(rndSw) * 2.9f);
    return mode == 1 || mode == 2 ? mode : 0;
}

double envelopeIncrement(float rate) {
    const double scaled = static_cast<double>(rate) * 100.0f;
    const double increment = scaled * scaled * 3.90625e-7f;
    return std::isnan(increment) ? 0.0 : increment;
}

// One frame of the stage table; every rate and the break level are read at
// the moment the stage uses them.
template <typename Read>
void advanceEnvelope(std::int32_t& stage, float& level, float floor, Read attack, Read decay1, Read breakLevel,
                     Read decay2) {
    switch (stage) {
        case 1: {
            const double next = static_cast<double>(level) + envelopeIncrement(attack());
            if (next >= 1.0) {
                level = 1.0f;
                stage = 2;
            } else {
                level = static_cast<float>(next);
            }
            return;
        }
        case 2: {
            const double next = static_cast<double>(level) - envelopeIncrement(decay1());
            const float breakAt = breakLevel();
            if (next < breakAt) {
                level = breakAt;
                stage = 3;
            } else {
                level = static_cast<float>(next);
            }
            [[fallthrough]];
        }
        case 3: {
            const double next = static_cast<double>(level) - envelopeIncrement(decay2());
            if (next < floor) {
                level = floor;
                stage = 4;
            } else {
                level = static_cast<float>(next);
            }
            return;
        }
        default:
            return;
    }
}

float settleFilterState(double next) {
    const float state = static_cast<float>(next);
    const int kind = std::fpclassify(state);
    return (kind == FP_SUBNORMAL || kind == FP_INFINITE || kind == FP_NAN) ? 0.0f : state;
}

float lowPass(float input, float gain, float coefficient, float lfo, float state) {
    const double target = static_cast<double>(input) * gain - state;
    return settleFilterState(target * coefficient * lfo + state);
}

std::int32_t roundedPosition(double samplePos) {
    const double rounded = std::trunc(samplePos + 0.5);
    if (rounded >= -2147483648.0 && rounded <= 2147483647.0) return static_cast<std::int32_t>(rounded);
    double wrapped = std::fmod(rounded, 4294967296.0);
    if (wrapped < 0) wrapped += 4294967296.0;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(wrapped));
}

std::int32_t wrappingAdd(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

std::int32_t wrappingSub(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}

std::int32_t stepFrames(float stepLength) {
    const std::int32_t frames = truncToInt32(stepLength);
    return frames > 0 ? frames : 1;
}

}  // namespace

ReferenceGate::ReferenceGate() {
    for (int i = 0; i < kParameterCount; ++i) parameters[i] = kParameterTable[i].initialValue;
    stepLength = static_cast<float>(static_cast<double>(capturedSampleRate) * 0.85714287f);
    ampCountdown = truncToInt32(static_cast<double>(stepLength) + 0.5);
    ampPeriod = ampCountdown;
    filterCountdown = ampCountdown;
    filterPeriod = ampCountdown;
}

void ReferenceGate::setParameter(int index, float value) {
    if (index >= 0 && index < kParameterCount) parameters[index] = value;
}

float ReferenceGate::getParameter(int index) const {
    return index >= 0 && index < kParameterCount ? parameters[index] : 1.0f;
}

void ReferenceGate::setProgram(int program) {
    if (program < 0 || program >= 16) return;
    for (int i = 0; i < kEnvelopeParameterCount; ++i) parameters[i] = kParameterTable[i].initialValue;
}

std::uint32_t ReferenceGate::nextRandom() {
    randomSeed = randomSeed * 9u + 5u;
    return randomSeed >> 16;
}

void ReferenceGate::process(std::optional<double> hostPosition, const float* inLeft, const float* inRight,
                            float* outLeft, float* outRight, std::int32_t frames) {
    previousBlockStartPosition = blockStartPosition;
    if (hostPosition && std::isfinite(*hostPosition)) {
        blockStartPosition = roundedPosition(*hostPosition);
    } else {
        blockStartPosition = wrappingAdd(blockStartPosition, previousBlockFrames);
    }
    previousBlockFrames = frames > 0 ? frames : 0;
    samplePosition = blockStartPosition;
    positionDelta = wrappingSub(blockStartPosition, previousBlockStartPosition);
    nextRandom();
    tempoBpm = beatsPerMinute(parameters[kTempo]);
    stepLength = static_cast<float>(static_cast<double>(capturedSampleRate) * 120.0f / tempoBpm);
    if (frames <= 0) return;

    auto read = [this](int index) { return [this, index] { return parameters[index]; }; };
    for (std::int32_t i = 0; i < frames; ++i) {
        const float left = inLeft[i];
        const float right = inRight[i];
        float newLeft = left;
        float newRight = right;
        if (positionDelta != 0) {
            previousStepIndex = stepIndex;
            const std::int32_t framesPerStep = stepFrames(stepLength);
            stepIndex = samplePosition / framesPerStep;

            if (--ampCountdown < 0) {
                ampStage = 1;
                ampLevel = 0.0f;
                ampCountdown = ampPeriod;
            }
            if (--filterCountdown < 0) {
                filterStage = 1;
                filterLevel = 0.0f;
                filterCountdown = filterPeriod;
            }
            if (stepIndex != previousStepIndex) {
                ampStage = 1;
                ampLevel = 0.0f;
                filterStage = 1;
                filterLevel = 0.0f;
                ampPeriod = framesPerStep / triggersPerStep(parameters[kVNotes]);
                ampCountdown = ampPeriod;
                filterPeriod = framesPerStep / triggersPerStep(parameters[kFNotes]);
                filterCountdown = filterPeriod;
                chooseEnvelopeValues(stepIndex);
            }

            advanceEnvelope(ampStage, ampLevel, 0.0f, read(kVA), read(kVD1), read(kVS), read(kVD2));
            advanceEnvelope(filterStage, filterLevel, 0.01f, read(kFA), read(kFD1), read(kFS), read(kFD2));

            lfoAccumulator += lfoDirection;
            if (++lfoCounter >= lfoHalfPeriod) {
                lfoCounter = 0;
                lfoDirection = -lfoDirection;
            }
            const float lfo = static_cast<float>(static_cast<double>(lfoAccumulator) * 6.25e-6f);

            filterStateLeft = lowPass(left, ampLevel, filterLevel, lfo, filterStateLeft);
            filterStateRight = lowPass(right, ampLevel, filterLevel, lfo, filterStateRight);
            newLeft = filterStateLeft;
            newRight = filterStateRight;
        }
        samplePosition = wrappingAdd(samplePosition, 1);
        outLeft[i] = newLeft;
        outRight[i] = newRight;
    }
}

void ReferenceGate::chooseEnvelopeValues(std::int32_t newStepIndex) {
    switch (switchMode(parameters[kRndSw])) {
        case 1: rollRandomValues(); break;
        case 2: pickAutoPattern(newStepIndex); break;
        default: break;
    }
}

void ReferenceGate::rollRandomValues() {
    const std::uint32_t modulus[10] = {80, 20, 101, 20, 51, 80, 20, 101, 20, 51};
    const std::uint32_t offset[10] = {20, 0, 0, 0, 0, 20, 0, 0, 0, 0};
    for (int i = 0; i < 10; ++i) {
        const std::uint32_t whole = nextRandom() % modulus[i] + offset[i];
        parameters[i] = static_cast<float>(static_cast<double>(whole) * 0.01f);
    }
}

void ReferenceGate::pickAutoPattern(std::int32_t newStepIndex) {
    autoNotesThreshold = parameters[kVNotes];
    std::int32_t pick = 0;
    std::int32_t pattern = 0;
    if (newStepIndex % 2 != 0) {
        do {
            pick = static_cast<std::int32_t>(nextRandom() % 10);
        } while (pick == lastAutoPick);
        pattern = oddStepPicks[static_cast<std::size_t>(pick)];
    } else {
        for (int tries = 0;; ++tries) {
            pick = static_cast<std::int32_t>(nextRandom() % 22);
            pattern = evenStepPicks[static_cast<std::size_t>(pick)];
            if (patternTable[pattern][kVNotes] > autoNotesThreshold || tries >= 11) break;
        }
    }
    lastAutoPick = pick;
    for (int i = 0; i < kEnvelopeParameterCount; ++i) parameters[i] = patternTable[pattern][i];
}
