// The host position as a CLAP transport carries it. Seconds and beats are
// fixed point, 2^31 units to the one, in 64 bits, so either reaches 2^32
// (in seconds, about 136 years) either side of zero: a timeline whose
// position lies beyond that is sent as not given, and a host that must not
// lose the seconds checks its positions against clapFrameReach() first.
#pragma once

#include <cstdint>

#include "abi/clap_abi.h"
#include "player/plugin_instance.h"

// Whether seconds or beats have a fixed-point form: from -2^32 up to, but
// not including, 2^32 (NaN has none).
bool fitsClapTime(double value);

// The last whole frame either side of 0 whose time in seconds at
// `sampleRate` (above 0) a transport carries: below 2^32 × sampleRate, and
// at most 2^53, beyond which a position in a double skips frames.
std::int64_t clapFrameReach(double sampleRate);

// The transport of a block at `position`: tempo, time signature and the
// seconds and beats timelines with the bar, each timeline only where it fits.
void setClapTransport(clap::clap_event_transport& transport, const HostPosition& position, double sampleRate);
