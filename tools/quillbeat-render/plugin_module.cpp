#include "tools/quillbeat-render/plugin_module.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "tools/quillbeat-render/render_error.h"

namespace {

using EntryPoint = AEffect* (*)(audioMasterCallback);

// Plug-ins have exported the entry under both names over the years.
constexpr const char* kEntryNames[] = {"VSTPluginMain", "main"};

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
std::string loaderReason(const std::string& loadPath) {
    const char* reason = dlerror();
    std::string text = reason != nullptr ? reason : "unknown error";
    const std::string prefix = loadPath + ": ";
    if (text.compare(0, prefix.size(), prefix) == 0) text.erase(0, prefix.size());
    return text;
}

}  // namespace

PluginModule::PluginModule(const std::string& path) : libraryPath(path) {
    if (access(path.c_str(), F_OK) != 0) {
        throw RenderError("cannot load plug-in " + path + ": " + std::strerror(errno));
    }
    if (isWindowsLibrary(path)) {
        throw RenderError("cannot load plug-in " + path + ": it is a Windows plug-in, and this build loads Linux ones");
    }
    // A name without a slash would send the loader searching the library
    // path; the user means the file in the working directory.
    const std::string loadPath = path.find('/') == std::string::npos ? "./" + path : path;
    handle = dlopen(loadPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) throw RenderError("cannot load plug-in " + path + ": " + loaderReason(loadPath));
    EntryPoint entry = nullptr;
    for (const char* name : kEntryNames) {
        entry = reinterpret_cast<EntryPoint>(dlsym(handle, name));
        if (entry != nullptr) break;
    }
    if (entry == nullptr) {
        dlclose(handle);
        throw RenderError(path + " is not a VST 2 plug-in: it exports neither VSTPluginMain nor main");
    }
    {
        OpeningScope opening(&state);
        record = entry(&hostCallback);
    }
    if (record == nullptr) {
        dlclose(handle);
        throw RenderError(path + ": the plug-in's entry point returned no effect");
    }
    if (record->magic != kEffectMagic) {
        // Not a record we can talk to, so not one we can close either: the
        // library stays loaded until the process ends.
        const VstInt32 magic = record->magic;
        record = nullptr;
        throw RenderError(path + ": the entry point returned a record with magic " + hex32(magic) +
                          " instead of 'VstP' (" + hex32(kEffectMagic) + ")");
    }
    registerHostState(record, &state);
}

PluginModule::~PluginModule() {
    if (record != nullptr) {
        dispatch(effClose);
        unregisterHostState(record);
    }
    if (handle != nullptr) dlclose(handle);
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
