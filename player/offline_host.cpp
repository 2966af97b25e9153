#include "player/offline_host.h"

#include <cstring>
#include <string_view>

namespace {

constexpr std::string_view kVendor = "Quillbeat";
constexpr VstIntPtr kVendorVersion = 1;
// An offline render, as a DAW's export answers.
constexpr VstIntPtr kProcessLevelOffline = 4;
constexpr VstIntPtr kAutomationOff = 1;
constexpr VstIntPtr kLanguageEnglish = 1;

struct CanDoAnswer {
    std::string_view what;
    bool needsTimeInfo;  // answered yes only while time information is on
};
// What this host can do when a plug-in asks; anything else gets 0.
constexpr CanDoAnswer kCanDo[] = {
    {"sendVstTimeInfo", true},
    {"startStopProcess", false},
};

VstIntPtr writeText(void* ptr, std::string_view text, std::size_t maxLength) {
    if (ptr == nullptr) return 0;
    const std::size_t count = text.size() < maxLength ? text.size() : maxLength;
    std::memcpy(ptr, text.data(), count);
    static_cast<char*>(ptr)[count] = '\0';
    return 1;
}

VstIntPtr canDo(bool tellsTime, const char* what) {
    if (what == nullptr) return 0;
    for (const CanDoAnswer& answer : kCanDo) {
        if (answer.what != what) continue;
        return answer.needsTimeInfo && !tellsTime ? 0 : 1;
    }
    return 0;
}

}  // namespace

VstIntPtr OfflineHost::answer(const HostCall& call) {
    if (call.opcode == audioMasterVersion || call.opcode == audioMasterGetTime) return EffectHost::answer(call);
    ++counts.other;
    void* const ptr = call.ptr;
    switch (call.opcode) {
        // A rate no integer of the answer holds (or NaN) is not given.
        case audioMasterGetSampleRate: return sampleRate >= 1.0 && sampleRate < 0x1p31 ? static_cast<VstIntPtr>(sampleRate) : 0;
        case audioMasterGetBlockSize: return blockSize;
        case audioMasterGetCurrentProcessLevel: return kProcessLevelOffline;
        case audioMasterGetAutomationState: return kAutomationOff;
        case audioMasterGetLanguage: return kLanguageEnglish;
        case audioMasterGetVendorString: return writeText(ptr, kVendor, kVstMaxVendorStrLen);
        case audioMasterGetProductString: return writeText(ptr, product, kVstMaxProductStrLen);
        case audioMasterGetVendorVersion: return kVendorVersion;
        case audioMasterCanDo: return canDo(tellsTime, static_cast<const char*>(ptr));
        default: return 0;
    }
}
