// The plug-in that this build made, loaded once per process, for the
// programs that load it by its build path: link quillbeat_built_plugin,
// which defines QUILLBEAT_PLUGIN_PATH.
#pragma once

#include "player/plugin_library.h"

inline PluginLibrary& quillbeatLibrary() {
    static PluginLibrary library(QUILLBEAT_PLUGIN_PATH);
    return library;
}
