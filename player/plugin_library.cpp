#include "player/plugin_library.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

PluginLibrary::PluginLibrary(const std::string& path) {
#if defined(_WIN32)
    pathForLoader = path;
    handle = reinterpret_cast<void*>(LoadLibraryA(path.c_str()));
    if (handle == nullptr) loadError = "cannot load " + path;
#else
    pathForLoader = path.find('/') == std::string::npos ? "./" + path : path;
    handle = dlopen(pathForLoader.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* reason = dlerror();
        loadError = reason != nullptr ? reason : "unknown error";
    }
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

PluginEntry PluginLibrary::entry() const {
    for (const char* name : kPluginEntryNames) {
        if (PluginEntry found = entry(name)) return found;
    }
    return nullptr;
}
