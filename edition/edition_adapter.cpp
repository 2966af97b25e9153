#include "edition/edition_adapter.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "effect/display_text.h"
#include "host/entry_point.h"
#include "hosting/effect_host.h"

namespace {

// Whether a switch value selects "MANUAL", by the text the effect shows for
// it, so the thresholds stay the effect's own.
bool namesManual(float switchValue) {
    char text[16] = {};
    displayText(kRndSw, switchValue, text);
    return kSwitchModes[0].label == text;
}

}  // namespace

EditionAdapter::~EditionAdapter() { closeRecord(); }

AEffect* EditionAdapter::openRecord() {
    AEffect* fresh = VSTPluginMain(&EditionAdapter::answerHost);
    if (fresh == nullptr) return nullptr;
    // The record's user field is the host's: it leads the callback back here.
    fresh->user = this;
    fresh->dispatcher(fresh, effOpen, 0, 0, nullptr, 0.0f);
    fresh->dispatcher(fresh, effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    return fresh;
}

void EditionAdapter::closeRecord() {
    if (record != nullptr) dispatch(effClose);
    record = nullptr;
}

bool EditionAdapter::open(double rate) {
    if (!isUsableSampleRate(rate)) return false;
    sampleRate = rate;
    record = openRecord();
    if (record == nullptr) return false;
    for (int i = 0; i < kParameterCount; ++i) {
        initialValues[i] = getParameter(i);
        controlsPassed[i].store(std::bit_cast<std::uint32_t>(initialValues[i]), std::memory_order_relaxed);
    }
    return true;
}

void EditionAdapter::replaceRecord(AEffect* fresh) {
    closeRecord();
    record = fresh;
    valuesKnown.store(false, std::memory_order_relaxed);
}

bool EditionAdapter::startAnew() {
    AEffect* fresh = openRecord();
    if (fresh == nullptr) return false;
    replaceRecord(fresh);
    for (int i = 0; i < kParameterCount; ++i)
        controlsPassed[i].store(std::bit_cast<std::uint32_t>(getParameter(i)), std::memory_order_relaxed);
    return true;
}

bool EditionAdapter::startAnewKeepingValues(double rate) {
    if (!isUsableSampleRate(rate)) return false;
    const double previousRate = sampleRate;
    sampleRate = rate;
    AEffect* fresh = openRecord();
    if (fresh == nullptr) {
        sampleRate = previousRate;
        return false;
    }
    std::array<float, kParameterCount> inUse;
    for (int i = 0; i < kParameterCount; ++i) inUse[i] = getParameter(i);
    replaceRecord(fresh);
    for (int i = 0; i < kParameterCount; ++i) setParameter(i, inUse[i]);
    return true;
}

void EditionAdapter::passControl(VstInt32 index, float value) {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    auto& passed = controlsPassed[static_cast<std::size_t>(index)];
    if (bits == passed.load(std::memory_order_relaxed)) return;
    passed.store(bits, std::memory_order_relaxed);
    const float inUse =
        std::isnan(value) ? initialValue(index) : std::clamp(value, kParameterMinimum, kParameterMaximum);
    record->setParameter(record, index, inUse);
    valuesInUse[static_cast<std::size_t>(index)] = inUse;
    outputsCurrent = false;
    if (index == kRndSw) manualKnown = namesManual(inUse);
}

void EditionAdapter::restoreControl(VstInt32 index, float value) {
    controlsPassed[static_cast<std::size_t>(index)].store(std::bit_cast<std::uint32_t>(value),
                                                          std::memory_order_relaxed);
    setParameter(index, value);
}

void EditionAdapter::passChangedControls(const std::array<const float*, kParameterCount>& controls) {
    // Controls seldom change between blocks: a pass that only compares comes
    // first, and costs a short block much less than passing each in turn.
    std::uint32_t changedBits = 0;
#pragma GCC unroll 12
    for (int i = 0; i < kParameterCount; ++i)
        changedBits |= std::bit_cast<std::uint32_t>(*controls[i]) ^ controlsPassed[i].load(std::memory_order_relaxed);
    if (changedBits == 0) return;
    for (int i = 0; i < kParameterCount; ++i) passControl(i, *controls[i]);
}

void EditionAdapter::refreshOutputs(const std::array<float*, kParameterCount>& outputs) {
    const bool setElsewhere = !valuesKnown.load(std::memory_order_relaxed);
    if (picksUnread || setElsewhere) {
        valuesKnown.store(true, std::memory_order_relaxed);
        for (int i = 0; i < kParameterCount; ++i) valuesInUse[i] = record->getParameter(record, i);
        // A pick leaves the switch as it was.
        if (setElsewhere) manualKnown = namesManual(valuesInUse[kRndSw]);
        picksUnread = false;
        outputsCurrent = false;
    }
    if (outputsCurrent) return;
    outputsCurrent = true;
    for (int i = 0; i < kParameterCount; ++i)
        if (outputs[i] != nullptr) *outputs[i] = valuesInUse[i];
}

VstIntPtr VST2_CALLBACK EditionAdapter::answerHost(AEffect* effect, VstInt32 opcode, VstInt32 /*index*/,
                                                   VstIntPtr /*value*/, void* /*ptr*/, float /*opt*/) {
    switch (opcode) {
        case audioMasterVersion: return kHostVersion;
        case audioMasterGetTime: {
            // The version request comes before there is a record.
            const auto* adapter = effect != nullptr ? static_cast<const EditionAdapter*>(effect->user) : nullptr;
            return adapter != nullptr ? reinterpret_cast<VstIntPtr>(adapter->timeAnswer) : 0;
        }
        default: return 0;
    }
}
