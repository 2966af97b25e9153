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

// A Windows library starts with "MZ"; the loader would only call it an
// invalid ELF header.
bool isWindowsLibrary(const std::string& path) {
    char magic[2] = {};
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    const bool windows = std::fread(magic, 1, sizeof magic, file) == sizeof magic && magic[0] == 'M' && magic[1] == 'Z';
    std::fclose(file);
    return windows;
}

// The loader's reason without the path it starts with, which the message
// names already.
std::string loaderReason(const PluginLibrary& library) {
    std::string text = library.error();
    const std::string prefix = library.loaderPath() + ": ";
    if (text.compare(0, prefix.size(), prefix) == 0) text.erase(0, prefix.size());
    return text;
}

// A path that does not exist, or holds a Windows library, is reported as
// such, not as the loader's guess.
const std::string& loadablePath(const std::string& path) {
    if (access(path.c_str(), F_OK) != 0) {
        throw RenderError("cannot load plug-in " + path + ": " + std::strerror(errno));
    }
    if (isWindowsLibrary(path)) {
        throw RenderError("cannot load plug-in " + path + ": it is a Windows plug-in, and this build loads Linux ones");
    }
    return path;
}

}  // namespace

PluginModule::PluginModule(const std::string& path) : libraryPath(path), library(loadablePath(path)) {
    if (!library.loaded()) throw RenderError("cannot load plug-in " + path + ": " + loaderReason(library));
    const PluginEntry entry = library.entry();
    if (entry == nullptr) {
        throw RenderError(path + " is not a VST 2 plug-in: it exports neither VSTPluginMain nor main");
    }
    AEffect* record = state.open(entry);
    if (record == nullptr) throw RenderError(path + ": the plug-in's entry point returned no effect");
    if (record->magic != kEffectMagic || !state.routes()) {
        // Not a record we can talk to, so not one we can close either: the
        // library stays loaded until the process ends.
        const VstInt32 magic = record->magic;
        state.abandon();
        library.keepLoaded();
        if (magic != kEffectMagic) {
            throw RenderError(path + ": the entry point returned a record with magic " + hex32(magic) +
                              " instead of 'VstP' (" + hex32(kEffectMagic) + ")");
        }
        throw RenderError(path + ": the plug-in keeps a value of its own in the record's user field, which is the "
                                 "host's");
    }
}

PluginModule::~PluginModule() {
    // Before the library goes.
    if (state.routes()) state.close();
}

std::string PluginModule::text(VstInt32 opcode, VstInt32 index) {
    char buffer[512] = {};
    dispatch(opcode, index, 0, buffer);
    buffer[sizeof buffer - 1] = '\0';
    return buffer;
}
