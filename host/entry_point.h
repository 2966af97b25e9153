// The plug-in's exported entry: the host passes its callback and gets the
// record of a new effect object, or null. An edition that holds the effect
// in another plug-in format calls it as a VST 2 host does.
#pragma once

#include "host/vst2_abi.h"

VST2_EXPORT AEffect* VST2_CALLBACK VSTPluginMain(audioMasterCallback hostCallback);
