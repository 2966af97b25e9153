// Older hosts look the entry up as "main". A C++ program cannot declare a
// function of that name, so the alias gets it as its symbol name only. Only
// the Linux plug-in library has it: the Windows build exports the alias
// through its module definition file, and the programs and editions that
// link the entry point in leave it out.
#include "host/entry_point.h"

VST2_EXPORT AEffect* VSTPluginMainAlias(audioMasterCallback hostCallback) __asm__("main");
AEffect* VSTPluginMainAlias(audioMasterCallback hostCallback) { return VSTPluginMain(hostCallback); }
