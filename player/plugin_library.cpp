#include "player/plugin_library.h"

#include <stdexcept>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
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

std::string PluginLibrary::reason() const {
    std::string text = loadError;
    const std::string prefix = pathForLoader + ": ";
    if (text.compare(0, prefix.size(), prefix) == 0) text.erase(0, prefix.size());
    return text;
}

std::string unloadableReason(const std::string& path) {
#if defined(_WIN32)
    (void)path;
    return "";
#else
    if (access(path.c_str(), F_OK) != 0) return std::strerror(errno);
    // A Windows library starts with "MZ"; the loader would only call it an
    // invalid ELF header.
    char magic[2] = {};
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return "";
    const bool windows = std::fread(magic, 1, sizeof magic, file) == sizeof magic && magic[0] == 'M' && magic[1] == 'Z';
    std::fclose(file);
    return windows ? "it is a Windows plug-in, and this build loads Linux ones" : "";
#endif
}

const std::string& loadablePath(const std::string& path) {
    const std::string why = unloadableReason(path);
    if (!why.empty()) throw std::runtime_error("cannot load plug-in " + path + ": " + why);
    return path;
}
