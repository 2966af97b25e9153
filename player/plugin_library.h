// A plug-in library loaded into this process, and its entry point. The
// library is unloaded when the object goes, unless told to stay. (VST 2,
// CLAP and LV2 plug-ins are each such a library.)
#pragma once

#include <string>

#include "player/effect_host.h"

class PluginLibrary {
public:
    // Loads the file at `path`; a path without a folder names a file in the
    // working directory, not one for the loader to search for.
    explicit PluginLibrary(const std::string& path);
    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    bool loaded() const { return handle != nullptr; }
    // Why loading failed, as the system's loader tells it.
    const std::string& error() const { return loadError; }
    // The same without the path the loader starts it with.
    std::string reason() const;
    // The path handed to the loader.
    const std::string& loaderPath() const { return pathForLoader; }

    // The named export, or null.
    void* symbol(const char* name) const;
    PluginEntry entry(const char* name) const { return reinterpret_cast<PluginEntry>(symbol(name)); }
    // The entry point under either name that plug-ins export it by, the
    // current one first; null when neither is there.
    PluginEntry entry() const;

    // Keeps the library loaded for the life of the process: for a plug-in
    // that handed out something that cannot be closed.
    void keepLoaded() { handle = nullptr; }

private:
    std::string pathForLoader;
    void* handle = nullptr;
    std::string loadError;
};

// Why the file at `path` is no library that this system loads, found out
// before the loader is asked, which would only guess: the file is missing,
// or it is a Windows library and this is not Windows. Empty when neither.
std::string unloadableReason(const std::string& path);
// The path, for loading, when there is no such reason; throws
// std::runtime_error "cannot load plug-in <path>: <reason>" otherwise.
const std::string& loadablePath(const std::string& path);

// The entry point names, in the order entry() tries them.
inline constexpr const char* kPluginEntryNames[] = {"VSTPluginMain", "main"};
