// A VST 2 plug-in library loaded into this process, and its entry point. The
// library is unloaded when the object goes, unless told to stay.
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

// The entry point names, in the order entry() tries them.
inline constexpr const char* kPluginEntryNames[] = {"VSTPluginMain", "main"};
