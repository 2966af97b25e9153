// One instance of the CLAP edition: the core, what the host is told, and
// what the processing thread and the window share. quillbeat_clap.cpp plays
// it; clap_window.cpp gives it its window.
#pragma once

#include <atomic>
#include <cstdint>

#include "abi/clap_abi.h"
#include "clap/sample_position.h"
#include "clap/window_edits.h"
#include "edition/edition_core.h"
#include "editor/window_feed.h"

// The host names its sample rate only on activating: until then positions
// are counted at a usual one.
inline constexpr double kUsualRate = 44100.0;

// Each value a step picks goes to the host as a parameter event at the
// step's frame, so its knobs, automation lanes and saved state follow.
struct PickReport final : PickListener {
    void picked(std::int32_t frame, const float (&values)[kEnvelopeParameterCount]) override;
    // Set for the length of a process call: where the host takes events,
    // and the block's frame where the part being played starts.
    const clap::clap_output_events* events = nullptr;
    std::uint32_t partStart = 0;
};

// What the processing thread and the window's thread share, each field
// lock-free: the step as last played, the window's edits on their way,
// whether process() will pick them up, and whether a window is open.
struct WindowShared {
    WindowFeed feed;
    WindowEdits edits;
    std::atomic<bool> processing{false};
    // The step is published only while a window shows it, so a plug-in
    // without one pays a load and a branch a block.
    std::atomic<bool> windowOpen{false};
    std::atomic<double> sampleRate{kUsualRate};
};

// The window's side (clap_window.cpp), made when the host first creates
// the window and kept until the plug-in goes, so a window opened again finds
// what the last one left (the Tempo helper's beats a step).
struct ClapWindow;

struct Plugin {
    clap::clap_plugin clap{};
    const clap::clap_host* host = nullptr;
    EditionCore effect;
    SamplePositions positions{kUsualRate};
    PickReport picks;
    WindowShared shared;
    ClapWindow* window = nullptr;
};

inline Plugin& self(const clap::clap_plugin* plugin) { return *static_cast<Plugin*>(plugin->plugin_data); }

// The window's extensions (gui; on X11 also timer-support and
// posix-fd-support) by their IDs, or null for any other; null for all where
// the edition has no window.
const void* windowExtension(const char* id);
// Closes the window if it is open and lets its side go, as the plug-in is
// destroyed.
void releaseWindow(Plugin& plugin);
