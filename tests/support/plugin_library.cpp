#include "tests/support/plugin_library.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

PluginLibrary::PluginLibrary(const std::string& path) {
#if defined(_WIN32)
    handle = reinterpret_cast<void*>(LoadLibraryA(path.c_str()));
    if (handle == nullptr) loadError = "cannot load " + path;
#else
    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) loadError = dlerror();
#endif
}

PluginLibrary::~PluginLibrary() {
    if (handle == nullptr) return;
#if defined(_WIN32)
    FreeLibrary(reinterpret_cast<HMODULE>(handle));
#else
    dlclose(handle);
#endif
}

void* PluginLibrary::symbol(const char* name) const {
    if (handle == nullptr) return nullptr;
#if defined(_WIN32)
    return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(handle), name));
#else
    return dlsym(handle, name);
#endif
}

// Programs that are told the plug-in's path at run time (the session host)
// build this file without a path.
#if defined(QUILLBEAT_PLUGIN_PATH)
PluginLibrary& quillbeatLibrary() {
    static PluginLibrary library(QUILLBEAT_PLUGIN_PATH);
    return library;
}
#endif
