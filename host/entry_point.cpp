// The library's exported entry: the host passes its callback and gets the
// record of a new effect object, or null. It has the interface's calling
// convention, cdecl, which matters on 32-bit Windows.
#include "host/effect_base.h"

VST2_EXPORT AEffect* VST2_CALLBACK VSTPluginMain(audioMasterCallback hostCallback) {
    // A host that passes no callback cannot be asked its version, and an
    // effect could never reach it: it gets no effect rather than a crash.
    if (hostCallback == nullptr) return nullptr;
    // No record exists yet, so this one host call passes none.
    if (hostCallback(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
    // An effect class whose constructor throws gives the host null, as a
    // failed allocation does: no exception crosses into the host.
    EffectBase* effect = nullptr;
    try {
        effect = createEffect(hostCallback);
    } catch (...) {
        return nullptr;
    }
    return effect != nullptr ? effect->getAeffect() : nullptr;
}

#if !defined(_WIN32) && !defined(QUILLBEAT_NO_MAIN_ALIAS)
// Older hosts look the entry up as "main". A C++ program cannot declare a
// function of that name, so the alias gets it as its symbol name only. (The
// Windows build exports the alias through its module definition file; a
// program that links the entry point in, like the fuzzer, leaves it out.)
VST2_EXPORT AEffect* VSTPluginMainAlias(audioMasterCallback hostCallback) __asm__("main");
AEffect* VSTPluginMainAlias(audioMasterCallback hostCallback) { return VSTPluginMain(hostCallback); }
#endif
