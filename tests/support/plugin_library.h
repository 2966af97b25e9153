// A VST 2 plug-in library loaded into the test process, and its entry point.
#pragma once

#include <string>

#include "host/vst2_abi.h"

using PluginEntry = AEffect* (*)(audioMasterCallback);

class PluginLibrary {
public:
    explicit PluginLibrary(const std::string& path);
    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    bool loaded() const { return handle != nullptr; }
    // The named export, or null.
    void* symbol(const char* name) const;
    PluginEntry entry(const char* name = "VSTPluginMain") const {
        return reinterpret_cast<PluginEntry>(symbol(name));
    }
    const std::string& error() const { return loadError; }

private:
    void* handle = nullptr;
    std::string loadError;
};

// The plug-in built by this project.
PluginLibrary& quillbeatLibrary();
