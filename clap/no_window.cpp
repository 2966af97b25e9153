// The CLAP edition where it has no window (Windows, and Linux builds
// without X11): the host finds no gui extension and shows its own controls.
#include "clap/plugin_object.h"

const void* windowExtension(const char*) { return nullptr; }
void releaseWindow(Plugin&) {}
