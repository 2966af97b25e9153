// The entry has the interface's calling convention, cdecl, which matters on
// 32-bit Windows.
#include "host/entry_point.h"

#include "host/effect_base.h"

AEffect* VST2_CALLBACK VSTPluginMain(audioMasterCallback hostCallback) {
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
