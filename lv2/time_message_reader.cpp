#include "lv2/time_message_reader.h"

#include <lv2/atom/util.h>
#include <lv2/time/time.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace {
// Atoms start on 8-byte boundaries; counted wide, so no size wraps.
std::uint64_t padded(std::uint32_t size) { return (std::uint64_t{size} + 7) & ~std::uint64_t{7}; }
}  // namespace

TimeMessageReader::TimeMessageReader(const LV2_URID_Map* map) {
    if (map == nullptr) return;
    const std::pair<LV2_URID TimeMessageReader::*, const char*> uris[] = {
        {&TimeMessageReader::sequence, LV2_ATOM__Sequence}, {&TimeMessageReader::beatTime, LV2_ATOM__beatTime},
        {&TimeMessageReader::frame, LV2_TIME__frame},       {&TimeMessageReader::speed, LV2_TIME__speed},
        {&TimeMessageReader::object, LV2_ATOM__Object},     {&TimeMessageReader::blank, LV2_ATOM__Blank},
        {&TimeMessageReader::atomInt, LV2_ATOM__Int},       {&TimeMessageReader::atomLong, LV2_ATOM__Long},
        {&TimeMessageReader::atomFloat, LV2_ATOM__Float},   {&TimeMessageReader::atomDouble, LV2_ATOM__Double},
        // Last: canRead() tells that every URID is in place.
        {&TimeMessageReader::position, LV2_TIME__Position},
    };
    for (const auto& [field, uri] : uris) this->*field = map->map(map->handle, uri);
}

std::optional<double> TimeMessageReader::number(const LV2_Atom* atom) const {
    if (atom == nullptr) return std::nullopt;
    double value;
    if (atom->type == atomLong && atom->size >= sizeof(int64_t)) {
        value = static_cast<double>(reinterpret_cast<const LV2_Atom_Long*>(atom)->body);
    } else if (atom->type == atomInt && atom->size >= sizeof(int32_t)) {
        value = reinterpret_cast<const LV2_Atom_Int*>(atom)->body;
    } else if (atom->type == atomFloat && atom->size >= sizeof(float)) {
        value = reinterpret_cast<const LV2_Atom_Float*>(atom)->body;
    } else if (atom->type == atomDouble && atom->size >= sizeof(double)) {
        value = reinterpret_cast<const LV2_Atom_Double*>(atom)->body;
    } else {
        return std::nullopt;
    }
    // A value that is not a number says nothing usable.
    if (!std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<TimeMessage> TimeMessageReader::read(const LV2_Atom_Event& event) const {
    if (!canRead()) return std::nullopt;
    if (event.body.type != object && event.body.type != blank) return std::nullopt;
    // Too short to hold an object's type: nothing to read, and nothing to
    // read past.
    const std::uint64_t size = event.body.size;
    if (size < sizeof(LV2_Atom_Object_Body)) return std::nullopt;
    const auto* message = reinterpret_cast<const LV2_Atom_Object*>(&event.body);
    if (message->body.otype != position) return std::nullopt;
    // The first of each key counts, as with lv2_atom_object_get.
    const LV2_Atom* frameAtom = nullptr;
    const LV2_Atom* speedAtom = nullptr;
    // Each property's header, then its value, is read only once it is known
    // to lie inside the object; a message that reaches past it counts for
    // nothing.
    const auto* body = static_cast<const std::uint8_t*>(LV2_ATOM_BODY_CONST(&event.body));
    for (std::uint64_t offset = sizeof(LV2_Atom_Object_Body); offset < size;) {
        if (size - offset < sizeof(LV2_Atom_Property_Body)) return std::nullopt;
        const auto* property = reinterpret_cast<const LV2_Atom_Property_Body*>(body + offset);
        offset += sizeof(LV2_Atom_Property_Body);
        if (property->value.size > size - offset) return std::nullopt;
        offset += padded(property->value.size);
        const LV2_Atom** found = property->key == frame ? &frameAtom : property->key == speed ? &speedAtom : nullptr;
        if (found != nullptr && *found == nullptr) *found = &property->value;
    }
    const std::int64_t at = event.time.frames;
    const std::int64_t last = std::numeric_limits<std::uint32_t>::max();
    return TimeMessage{static_cast<std::uint32_t>(std::clamp<std::int64_t>(at, 0, last)),
                       number(frameAtom), number(speedAtom)};
}

const LV2_Atom_Event* nextEvent(const LV2_Atom_Sequence& sequence, std::uint64_t& offset) {
    const std::uint64_t size = sequence.atom.size;
    const std::uint64_t at = std::max<std::uint64_t>(offset, sizeof(LV2_Atom_Sequence_Body));
    if (at > size || size - at < sizeof(LV2_Atom_Event)) return nullptr;
    const auto* event =
        reinterpret_cast<const LV2_Atom_Event*>(reinterpret_cast<const std::uint8_t*>(&sequence.body) + at);
    // Past its end nothing marks where the next event starts.
    if (event->body.size > size - at - sizeof(LV2_Atom_Event)) return nullptr;
    offset = at + sizeof(LV2_Atom_Event) + padded(event->body.size);
    return event;
}
