// Reads the host's time:Position messages from the transport port's event
// sequence. Without the host's URID map there are no URIDs to recognise a
// message by, and nothing is read.
#pragma once

#include <lv2/atom/atom.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <optional>

struct TimeMessage {
    std::uint32_t frameInBlock;  // where in the block it applies
    std::optional<double> position;  // timeline frame
    std::optional<double> speed;
    std::optional<double> beatsPerMinute;
};

class TimeMessageReader {
public:
    // `map` may be null: the host offered no URID map.
    explicit TimeMessageReader(const LV2_URID_Map* map);

    bool canRead() const { return position != 0; }
    // The message carried by `event`, or nothing when it is not a
    // time:Position object.
    std::optional<TimeMessage> read(const LV2_Atom_Event& event) const;

private:
    std::optional<double> number(const LV2_Atom* atom) const;

    LV2_URID position = 0;
    LV2_URID frame = 0;
    LV2_URID speed = 0;
    LV2_URID beatsPerMinute = 0;
    LV2_URID object = 0;
    LV2_URID blank = 0;
    LV2_URID atomInt = 0;
    LV2_URID atomLong = 0;
    LV2_URID atomFloat = 0;
    LV2_URID atomDouble = 0;
};
