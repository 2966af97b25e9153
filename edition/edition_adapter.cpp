#include "edition/edition_adapter.h"

#include <bit>

#include "host/entry_point.h"
#include "hosting/effect_host.h"

EditionAdapter::~EditionAdapter() {
    if (record != nullptr) dispatch(effClose);
}

bool EditionAdapter::open() {
    record = VSTPluginMain(&EditionAdapter::answerHost);
    if (record == nullptr) return false;
    // The record's user field is the host's: it leads the callback back here.
    record->user = this;
    dispatch(effOpen);
    for (int i = 0; i < kParameterCount; ++i)
        controlsPassed[i].store(std::bit_cast<std::uint32_t>(getParameter(i)), std::memory_order_relaxed);
    return true;
}

void EditionAdapter::passControl(VstInt32 index, float value) {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    auto& passed = controlsPassed[static_cast<std::size_t>(index)];
    if (bits == passed.load(std::memory_order_relaxed)) return;
    passed.store(bits, std::memory_order_relaxed);
    setParameter(index, value);
}

void EditionAdapter::restoreControl(VstInt32 index, float value) {
    controlsPassed[static_cast<std::size_t>(index)].store(std::bit_cast<std::uint32_t>(value),
                                                          std::memory_order_relaxed);
    setParameter(index, value);
}

void EditionAdapter::passChangedControls(const std::array<const float*, kParameterCount>& controls) {
    for (int i = 0; i < kParameterCount; ++i)
        if (controls[i] != nullptr) passControl(i, *controls[i]);
}

void EditionAdapter::readValuesInUse(const std::array<float*, kParameterCount>& outputs) {
    for (int i = 0; i < kParameterCount; ++i)
        if (outputs[i] != nullptr) *outputs[i] = getParameter(i);
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
