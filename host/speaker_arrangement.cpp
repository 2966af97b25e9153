// Speaker-arrangement records made on our heap: a type, a channel count and
// exactly as many speaker entries as the count says.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "host/effect_base_ext.h"

namespace {
std::size_t arrangementBytes(VstInt32 channelCount) {
    return offsetof(VstSpeakerArrangement, speakers) +
           sizeof(VstSpeakerProperties) * static_cast<std::size_t>(channelCount);
}

// Entry i of a record, which may lie past the eight entries the declared
// struct has room for.
VstSpeakerProperties* speakerAt(VstSpeakerArrangement* record, VstInt32 i) {
    return reinterpret_cast<VstSpeakerProperties*>(reinterpret_cast<char*>(record) +
                                                   offsetof(VstSpeakerArrangement, speakers)) +
           i;
}
}  // namespace

// malloc/free rather than new: the record is shorter or longer than the
// declared struct, and whoever holds the pointer may release it with free.
bool EffectBaseExt::allocateArrangement(VstSpeakerArrangement** arrangement, VstInt32 channelCount) {
    if (arrangement == nullptr) return false;
    std::free(*arrangement);
    *arrangement = nullptr;
    // A count whose size does not fit the address space (possible on a
    // 32-bit target) must not wrap to a short block that claims many entries.
    constexpr auto kMostChannels =
        (SIZE_MAX - offsetof(VstSpeakerArrangement, speakers)) / sizeof(VstSpeakerProperties);
    if (channelCount < 0 || static_cast<std::size_t>(channelCount) > kMostChannels) return false;
    void* block = std::malloc(arrangementBytes(channelCount));
    if (block == nullptr) return false;
    std::memset(block, 0, arrangementBytes(channelCount));
    auto* record = static_cast<VstSpeakerArrangement*>(block);
    record->numChannels = channelCount;
    *arrangement = record;
    return true;
}

bool EffectBaseExt::deallocateArrangement(VstSpeakerArrangement** arrangement) {
    if (arrangement != nullptr && *arrangement != nullptr) {
        std::free(*arrangement);
        *arrangement = nullptr;
    }
    return true;
}

bool EffectBaseExt::copySpeaker(VstSpeakerProperties* to, VstSpeakerProperties* from) {
    if (from == nullptr || to == nullptr) return false;
    // At most 63 characters, zeros to the end of the field, and never a name
    // without its terminator. Built aside first, so an entry copied onto
    // itself is read whole before it is written.
    char name[sizeof(to->name)] = {};
    std::memcpy(name, from->name, strnlen(from->name, sizeof(name) - 1));
    std::memcpy(to->name, name, sizeof(name));
    to->type = from->type;
    to->azimuth = from->azimuth;
    to->elevation = from->elevation;
    to->radius = from->radius;
    to->reserved = from->reserved;
    std::memmove(to->future, from->future, sizeof(to->future));
    return true;
}

bool EffectBaseExt::matchArrangement(VstSpeakerArrangement** to, VstSpeakerArrangement* from) {
    if (from == nullptr) return false;
    // Releasing the caller's record first would free `from` under our feet;
    // a record already matches itself.
    if (to != nullptr && *to == from) return true;
    if (!deallocateArrangement(to)) return false;
    if (!allocateArrangement(to, from->numChannels)) return false;
    (*to)->type = from->type;
    for (VstInt32 i = 0; i < (*to)->numChannels; ++i) {
        if (!copySpeaker(speakerAt(*to, i), speakerAt(from, i))) return false;
    }
    return true;
}

bool EffectBaseExt::getSpeakerArrangement(VstSpeakerArrangement** input, VstSpeakerArrangement** output) {
    if (input != nullptr) *input = nullptr;
    if (output != nullptr) *output = nullptr;
    return false;
}
