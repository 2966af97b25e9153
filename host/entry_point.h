// The plug-in's exported entry: the host passes its callback and gets the
// record of a new effect object, or null. An edition that holds the effect
// in another plug-in format calls it as a VST 2 host does.
#pragma once

#include "abi/vst2_abi.h"

// Each plug-in library's list of exports decides whether the entry is
// exported: the VST 2 plug-in's names it, an edition's leaves it out. The
// list can export it on Linux only with the default visibility; on Windows
// a mark on the declaration would export it whatever the list says.
#if defined(_WIN32)
extern "C" AEffect* VST2_CALLBACK VSTPluginMain(audioMasterCallback hostCallback);
#else
VST2_EXPORT AEffect* VST2_CALLBACK VSTPluginMain(audioMasterCallback hostCallback);
#endif
