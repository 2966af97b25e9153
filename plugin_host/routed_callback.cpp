#include "plugin_host/routed_callback.h"

#include <map>
#include <mutex>

namespace {
std::mutex routingMutex;
std::map<AEffect*, HostAnswerer*>& answerersByRecord() {
    static std::map<AEffect*, HostAnswerer*> answerers;
    return answerers;
}
HostAnswerer* openingAnswerer = nullptr;
HostAnswerer* strayAnswerer = nullptr;

HostAnswerer* answererFor(AEffect* effect) {
    std::lock_guard<std::mutex> lock(routingMutex);
    const auto found = answerersByRecord().find(effect);
    if (found != answerersByRecord().end()) return found->second;
    return openingAnswerer != nullptr ? openingAnswerer : strayAnswerer;
}

VstIntPtr VST2_CALLBACK routedCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                       float opt) {
    HostAnswerer* answerer = answererFor(effect);
    return answerer != nullptr ? answerer->answer(effect, opcode, index, value, ptr, opt) : 0;
}
}  // namespace

AEffect* openRoutedEffect(PluginEntry entry, HostAnswerer& answerer) {
    {
        std::lock_guard<std::mutex> lock(routingMutex);
        openingAnswerer = &answerer;
    }
    AEffect* record = entry(&routedCallback);
    std::lock_guard<std::mutex> lock(routingMutex);
    openingAnswerer = nullptr;
    if (record != nullptr) answerersByRecord()[record] = &answerer;
    return record;
}

void forgetEffect(AEffect* effect) {
    std::lock_guard<std::mutex> lock(routingMutex);
    answerersByRecord().erase(effect);
}

void answerStrayCallsWith(HostAnswerer* answerer) {
    std::lock_guard<std::mutex> lock(routingMutex);
    strayAnswerer = answerer;
}
