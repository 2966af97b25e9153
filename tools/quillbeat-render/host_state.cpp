#include "tools/quillbeat-render/host_state.h"

#include <cstring>
#include <string_view>

namespace {

constexpr std::string_view kVendor = "Quillbeat";
constexpr std::string_view kProduct = "quillbeat-render";
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

VstIntPtr canDo(const HostState& state, const char* what) {
    if (what == nullptr) return 0;
    for (const CanDoAnswer& answer : kCanDo) {
        if (answer.what != what) continue;
        if (answer.needsTimeInfo && !state.answerTimeInfo) return 0;
        return 1;
    }
    return 0;
}

}  // namespace

VstIntPtr HostState::answer(const HostCall& call) {
    void* const ptr = call.ptr;
    timeAnswer = answerTimeInfo ? &timeline.current() : nullptr;
    switch (call.opcode) {
        case audioMasterVersion:
        case audioMasterGetTime: return EffectHost::answer(call);
        case audioMasterGetSampleRate: return static_cast<VstIntPtr>(sampleRate);
        case audioMasterGetBlockSize: return blockSize;
        case audioMasterGetCurrentProcessLevel: return kProcessLevelOffline;
        case audioMasterGetAutomationState: return kAutomationOff;
        case audioMasterGetLanguage: return kLanguageEnglish;
        case audioMasterGetVendorString: return writeText(ptr, kVendor, kVstMaxVendorStrLen);
        case audioMasterGetProductString: return writeText(ptr, kProduct, kVstMaxProductStrLen);
        case audioMasterGetVendorVersion: return kVendorVersion;
        case audioMasterCanDo: return canDo(*this, static_cast<const char*>(ptr));
        default: return 0;
    }
}
