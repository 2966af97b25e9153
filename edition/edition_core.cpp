#include "edition/edition_core.h"

EditionCore::EditionCore() {
    for (int i = 0; i < kParameterCount; ++i)
        passed[i].store(std::bit_cast<std::uint32_t>(core.parameterValue(i)), std::memory_order_relaxed);
}

void EditionCore::passControl(int index, float value) {
    auto& last = passed[static_cast<std::size_t>(index)];
    const auto bits = std::bit_cast<std::uint32_t>(value);
    if (bits == last.load(std::memory_order_relaxed)) return;
    last.store(bits, std::memory_order_relaxed);
    core.setParameter(index, valueFromHost(index, value));
    valuesMoved.store(true, std::memory_order_relaxed);
}

void EditionCore::passControls(const std::array<const float*, kParameterCount>& controls) {
    for (int i = 0; i < kParameterCount; ++i) passControl(i, *controls[i]);
}

void EditionCore::restoreControl(int index, float value) {
    passed[static_cast<std::size_t>(index)].store(std::bit_cast<std::uint32_t>(value), std::memory_order_relaxed);
    core.setParameter(index, value);
    valuesMoved.store(true, std::memory_order_relaxed);
}

void EditionCore::writeAll(const std::array<float*, kParameterCount>& outputs, std::uint32_t picks) {
    picksWritten = picks;
    valuesMoved.store(false, std::memory_order_relaxed);
    for (int i = 0; i < kParameterCount; ++i)
        if (outputs[i] != nullptr) *outputs[i] = core.parameterValue(i);
}
