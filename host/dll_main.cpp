// The Windows loader's notification. Loading and unloading the library, and
// threads starting and ending, do no work of the plug-in's own: each
// notification records the module handle and reports success. No effect
// object exists until the host calls the entry point.
//
// C linkage matters: the runtime's start-up code calls DllMain by its plain
// name, and a C++-named one would be passed over for the runtime's default.
#include <windows.h>

#include "host/module_handle.h"

void* libraryModuleHandle = nullptr;

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD /*reason*/, LPVOID /*reserved*/) {
    libraryModuleHandle = module;
    return TRUE;
}
