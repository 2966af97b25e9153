// The CLAP edition where it has no window (Linux builds without X11: the
// arm64 cross-build, the fuzzers): the host finds no gui extension and
// shows its own controls.
#include "clap/plugin_object.h"

const void* windowExtension(const char*) { return nullptr; }
void releaseWindow(Plugin&) {}
