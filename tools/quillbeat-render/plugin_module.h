// A VST 2 plug-in library loaded into this process, and the effect that its
// entry point created. The module owns both: the effect is closed and the
// library unloaded when it goes.
#pragma once

#include <string>

#include "abi/vst2_abi.h"
#include "player/plugin_library.h"
#include "tools/quillbeat-render/host_state.h"

class PluginModule {
public:
    // Loads the library, calls its entry point with the host callback and
    // checks the record it returns. Throws RenderError.
    explicit PluginModule(const std::string& path);
    ~PluginModule();
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    AEffect& effect() const { return *state.effect(); }
    HostState& host() { return state; }
    const std::string& path() const { return libraryPath; }

    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f) {
        return state.dispatch(opcode, index, value, ptr, opt);
    }
    // A request that writes a text through ptr, read back safely: the buffer
    // is far larger than the interface's limits, which plug-ins overrun.
    std::string text(VstInt32 opcode, VstInt32 index = 0);

private:
    std::string libraryPath;
    HostState state;
    PluginLibrary library;
};
