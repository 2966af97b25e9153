// The song position in whole samples, which the effect's time request asks
// for, from a CLAP transport, which gives it in fixed-point seconds and
// beats (2^31 units each).
#pragma once

#include <cstdint>
#include <optional>

#include "clap/clap_abi.h"

// The sample at the transport's position: from the seconds timeline when the
// host gives one; otherwise from the beats timeline at the current tempo;
// with neither (or no transport at all) none, and the effect is told that
// the host has no time information.
std::optional<std::int64_t> samplePosition(const clap::clap_event_transport* transport, double sampleRate);
