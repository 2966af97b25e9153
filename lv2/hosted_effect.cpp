#include "lv2/hosted_effect.h"

// The entry point of the effect library linked into this module.
extern "C" AEffect* VSTPluginMain(audioMasterCallback hostCallback);

namespace {
// The interface version a VST 2.4 host reports.
constexpr VstIntPtr kHostVersion = 2400;
}  // namespace

HostedEffect::~HostedEffect() {
    if (record != nullptr) record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f);
}

bool HostedEffect::open() {
    record = VSTPluginMain(&HostedEffect::answerHost);
    if (record == nullptr) return false;
    // The record's user field is the host's: it leads the callback back here.
    record->user = this;
    dispatch(effOpen);
    return true;
}

VstIntPtr VST2_CALLBACK HostedEffect::answerHost(AEffect* effect, VstInt32 opcode, VstInt32 /*index*/,
                                                 VstIntPtr /*value*/, void* /*ptr*/, float /*opt*/) {
    switch (opcode) {
        case audioMasterVersion: return kHostVersion;
        case audioMasterGetTime: {
            // The version request comes before there is a record.
            const auto* host = effect != nullptr ? static_cast<const HostedEffect*>(effect->user) : nullptr;
            return host != nullptr ? reinterpret_cast<VstIntPtr>(host->timeAnswer) : 0;
        }
        default: return 0;
    }
}
