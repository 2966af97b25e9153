#include "tools/quillbeat-render/host_state.h"

#include <cmath>
#include <cstring>
#include <string_view>

void HostTimeline::reset(double sampleRate, double bpm, double startPosition) {
    info = VstTimeInfo{};
    info.sampleRate = sampleRate;
    info.tempo = bpm;
    info.timeSigNumerator = 4;
    info.timeSigDenominator = 4;
    start = startPosition;
    framesDone = 0;
    fill();
}

void HostTimeline::advance(std::int32_t frames) {
    framesDone += frames;
    fill();
}

void HostTimeline::fill() {
    info.samplePos = start + static_cast<double>(framesDone);
    // Quarter notes since the timeline's zero, and the start of the 4/4 bar
    // that holds the position.
    info.ppqPos = info.samplePos / info.sampleRate * info.tempo / 60.0;
    info.barStartPos = std::floor(info.ppqPos / 4.0) * 4.0;
    info.flags = kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstTimeSigValid;
    // Like a DAW that has just pressed play: the first block says so.
    if (framesDone == 0) info.flags |= kVstTransportChanged;
}

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

VstIntPtr HostState::answer(AEffect* /*effect*/, VstInt32 opcode, VstInt32 /*index*/, VstIntPtr /*value*/, void* ptr,
                            float /*opt*/) {
    switch (opcode) {
        case audioMasterVersion: return kHostVersion;
        case audioMasterGetTime:
            if (!answerTimeInfo) return 0;
            return reinterpret_cast<VstIntPtr>(&timeline.current());
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
