// The library's module handle, the one value the plug-in keeps for the whole
// process. Windows hands it over in the loader's notifications (dll_main.cpp);
// Linux sends no such notification, so there is nothing to keep there.
#pragma once

#if defined(_WIN32)
// Written by the loader's notifications only, which the loader serialises;
// null until the first of them.
extern void* libraryModuleHandle;
#endif
