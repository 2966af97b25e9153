#include "tools/quillbeat-render/plugin_module.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "tools/quillbeat-render/render_error.h"

namespace {

std::string hex32(VstInt32 value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
}

// Answers the calls of a plug-in that calls back with a record it was not
// opened with: what needs no loaded plug-in, and no time information.
HostState& strayCallAnswers() {
    static HostState answers = [] {
        HostState state;
        state.answerTimeInfo = false;
        state.sampleRate = 0.0;
        state.blockSize = 0;
        return state;
    }();
    return answers;
}

// A path that does not exist is reported as such, not as the loader's guess.
const std::string& existingPath(const std::string& path) {
    if (access(path.c_str(), F_OK) != 0) {
        throw RenderError("cannot load plug-in " + path + ": " + std::strerror(errno));
    }
    return path;
}

}  // namespace

PluginModule::PluginModule(const std::string& path) : libraryPath(path), library(existingPath(path)) {
    if (!library.loaded()) throw RenderError("cannot load plug-in " + path + ": " + library.error());
    const PluginEntry entry = library.entry();
    if (entry == nullptr) {
        throw RenderError(path + " is not a VST 2 plug-in: it exports neither VSTPluginMain nor main");
    }
    answerStrayCallsWith(&strayCallAnswers());
    record = openRoutedEffect(entry, state);
    if (record == nullptr) throw RenderError(path + ": the plug-in's entry point returned no effect");
    if (record->magic != kEffectMagic) {
        // Not a record we can talk to, so not one we can close either: the
        // library stays loaded until the process ends.
        const VstInt32 magic = record->magic;
        forgetEffect(record);
        record = nullptr;
        library.keepLoaded();
        throw RenderError(path + ": the entry point returned a record with magic " + hex32(magic) +
                          " instead of 'VstP' (" + hex32(kEffectMagic) + ")");
    }
}

PluginModule::~PluginModule() {
    if (record != nullptr) {
        dispatch(effClose);
        forgetEffect(record);
    }
}

VstIntPtr PluginModule::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    return record->dispatcher(record, opcode, index, value, ptr, opt);
}

std::string PluginModule::text(VstInt32 opcode, VstInt32 index) {
    char buffer[512] = {};
    dispatch(opcode, index, 0, buffer);
    buffer[sizeof buffer - 1] = '\0';
    return buffer;
}
