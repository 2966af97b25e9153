// Reads the host's time:Position messages from the transport port's event
// sequence. Without the host's URID map there are no URIDs to recognise a
// message by, and nothing is read. Only a sequence timed in frames is read,
// as hosts send it: one timed in beats, and a buffer that holds any other
// atom (the Chunk a host puts in an output port, left in an input), is
// ignored whole.
//
// No size in the sequence is trusted: each event, and each property of a
// message, is read only once it is known to lie inside its container. An
// event that reaches past the sequence ends the reading of it; a message
// with a property that reaches past it is ignored whole. The sequence itself
// must fit the buffer the host connected.
#pragma once

#include <lv2/atom/atom.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <optional>

struct TimeMessage {
    std::uint32_t frameInBlock;  // where in the block it applies
    std::optional<double> position;  // timeline frame
    std::optional<double> speed;
};

class TimeMessageReader {
public:
    // `map` may be null: the host offered no URID map.
    explicit TimeMessageReader(const LV2_URID_Map* map);

    bool canRead() const { return position != 0; }
    // Whether `buffer`, which fits the memory the host connected, is a
    // sequence timed in frames with at least one event's worth of body. Only
    // a unit of atom:beatTime says beats: Ardour 7 leaves the unit as it
    // finds it, whatever bytes that is, and its times are frames.
    bool readsFrom(const LV2_Atom_Sequence& buffer) const {
        return canRead() && buffer.atom.type == sequence && buffer.atom.size > sizeof(LV2_Atom_Sequence_Body) &&
               buffer.body.unit != beatTime;
    }
    // The message carried by `event`, which lies wholly inside its sequence;
    // nothing when it is not a whole time:Position object.
    std::optional<TimeMessage> read(const LV2_Atom_Event& event) const;

private:
    std::optional<double> number(const LV2_Atom* atom) const;

    // The URIDs the reader recognises, 0 until mapped.
    LV2_URID position = 0, sequence = 0, beatTime = 0, frame = 0, speed = 0, object = 0, blank = 0;
    LV2_URID atomInt = 0, atomLong = 0, atomFloat = 0, atomDouble = 0;
};

// The event at `offset` of `sequence`'s body, with `offset` moved on to the
// next; null at the end, or where an event reaches past the sequence, and
// from then on. Start with an offset of 0.
const LV2_Atom_Event* nextEvent(const LV2_Atom_Sequence& sequence, std::uint64_t& offset);
