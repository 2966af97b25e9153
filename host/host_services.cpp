// Requests an effect makes of its host. Each is one callback call by the
// common convention (see EffectBase::callHost); the rows differ only in the
// opcode, what they pass and how the answer is read.
#include <cstdint>

#include "host/effect_base_ext.h"

namespace {
bool nonZero(VstIntPtr answer) { return answer != 0; }
VstInt32 zeroOrOne(VstIntPtr answer) { return answer != 0 ? 1 : 0; }
VstInt32 asInt32(VstIntPtr answer) { return static_cast<VstInt32>(answer); }
template <typename T>
T* asPointer(VstIntPtr answer) {
    return reinterpret_cast<T*>(answer);
}
}  // namespace

// ---- EffectBase ----------------------------------------------------------

void EffectBase::setParameterAutomated(VstInt32 index, float value) {
    setParameter(index, value);
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

VstInt32 EffectBase::getCurrentUniqueId() { return asInt32(callHost(audioMasterCurrentId)); }
void EffectBase::masterIdle() { callHost(audioMasterIdle); }

// The host answers 0 for a connected pin; without a host every pin counts as
// connected.
bool EffectBase::isInputConnected(VstInt32 input) {
    return callHost(audioMasterPinConnected, input, 0, nullptr, 0.0f, 0) == 0;
}
bool EffectBase::isOutputConnected(VstInt32 output) {
    return callHost(audioMasterPinConnected, output, 1, nullptr, 0.0f, 0) == 0;
}

// ---- EffectBaseExt -------------------------------------------------------

void EffectBaseExt::wantEvents(VstInt32 filter) { callHost(audioMasterWantMidi, 0, filter); }

VstTimeInfo* EffectBaseExt::getTimeInfo(VstInt32 filter) {
    return asPointer<VstTimeInfo>(callHost(audioMasterGetTime, 0, filter));
}

bool EffectBaseExt::beginEdit(VstInt32 index) { return nonZero(callHost(audioMasterBeginEdit, index)); }
bool EffectBaseExt::endEdit(VstInt32 index) { return nonZero(callHost(audioMasterEndEdit, index)); }
bool EffectBaseExt::ioChanged() { return nonZero(callHost(audioMasterIOChanged)); }

// A positive answer replaces the stored value; anything else keeps it. The
// field is written directly, as the host is reporting rather than setting.
float EffectBaseExt::updateSampleRate() {
    const VstIntPtr answer = callHost(audioMasterGetSampleRate);
    if (answer > 0) sampleRate.store(static_cast<float>(answer), std::memory_order_relaxed);
    return sampleRate.load(std::memory_order_relaxed);
}
// A block size beyond the 32-bit range is not one: cut to 32 bits it could
// come out as 0 or negative, so it keeps the stored value like any other
// answer that is not a positive count.
VstInt32 EffectBaseExt::updateBlockSize() {
    const VstIntPtr answer = callHost(audioMasterGetBlockSize);
    if (answer > 0 && answer <= INT32_MAX) blockSize.store(static_cast<VstInt32>(answer), std::memory_order_relaxed);
    return blockSize.load(std::memory_order_relaxed);
}

VstInt32 EffectBaseExt::getInputLatency() { return asInt32(callHost(audioMasterGetInputLatency)); }
VstInt32 EffectBaseExt::getOutputLatency() { return asInt32(callHost(audioMasterGetOutputLatency)); }
VstInt32 EffectBaseExt::getCurrentProcessLevel() { return asInt32(callHost(audioMasterGetCurrentProcessLevel)); }
VstInt32 EffectBaseExt::getAutomationState() { return asInt32(callHost(audioMasterGetAutomationState)); }

bool EffectBaseExt::getHostVendorString(char* text) {
    return nonZero(callHost(audioMasterGetVendorString, 0, 0, text));
}
bool EffectBaseExt::getHostProductString(char* text) {
    return nonZero(callHost(audioMasterGetProductString, 0, 0, text));
}
VstInt32 EffectBaseExt::getHostVendorVersion() { return asInt32(callHost(audioMasterGetVendorVersion)); }
VstIntPtr EffectBaseExt::hostVendorSpecific(VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    return callHost(audioMasterVendorSpecific, index, value, ptr, opt);
}
VstInt32 EffectBaseExt::canHostDo(char* text) { return zeroOrOne(callHost(audioMasterCanDo, 0, 0, text)); }
VstInt32 EffectBaseExt::getHostLanguage() { return asInt32(callHost(audioMasterGetLanguage)); }
void* EffectBaseExt::getDirectory() { return asPointer<void>(callHost(audioMasterGetDirectory)); }
bool EffectBaseExt::updateDisplay() { return nonZero(callHost(audioMasterUpdateDisplay)); }
bool EffectBaseExt::sizeWindow(VstInt32 width, VstInt32 height) {
    return nonZero(callHost(audioMasterSizeWindow, width, height));
}

bool EffectBaseExt::openFileSelector(VstFileSelect* selector) {
    return selector != nullptr && nonZero(callHost(audioMasterOpenFileSelector, 0, 0, selector));
}
bool EffectBaseExt::closeFileSelector(VstFileSelect* selector) {
    return selector != nullptr && nonZero(callHost(audioMasterCloseFileSelector, 0, 0, selector));
}

bool EffectBaseExt::offlineRead(VstOfflineTask* task, VstInt32 option, bool readSource) {
    return nonZero(callHost(audioMasterOfflineRead, readSource ? 1 : 0, option, task));
}
bool EffectBaseExt::offlineWrite(VstOfflineTask* task, VstInt32 option) {
    return nonZero(callHost(audioMasterOfflineWrite, 0, option, task));
}
bool EffectBaseExt::offlineStart(VstAudioFile* files, VstInt32 fileCount, VstInt32 newFileCount) {
    return nonZero(callHost(audioMasterOfflineStart, newFileCount, fileCount, files));
}
VstInt32 EffectBaseExt::offlineGetCurrentPass() { return zeroOrOne(callHost(audioMasterOfflineGetCurrentPass)); }
VstInt32 EffectBaseExt::offlineGetCurrentMetaPass() {
    return zeroOrOne(callHost(audioMasterOfflineGetCurrentMetaPass));
}

VstInt32 EffectBaseExt::tempoAt(VstInt32 position) { return asInt32(callHost(audioMasterTempoAt, 0, position)); }
VstInt32 EffectBaseExt::getNumAutomatableParameters() {
    return asInt32(callHost(audioMasterGetNumAutomatableParameters));
}
VstInt32 EffectBaseExt::getParameterQuantization() {
    return asInt32(callHost(audioMasterGetParameterQuantization));
}
bool EffectBaseExt::needIdle() { return nonZero(callHost(audioMasterNeedIdle)); }

// The pin number is not passed on: the host answers for the whole chain.
AEffect* EffectBaseExt::getPreviousPlug(VstInt32 /*input*/) {
    return asPointer<AEffect>(callHost(audioMasterGetPreviousPlug));
}
AEffect* EffectBaseExt::getNextPlug(VstInt32 /*output*/) {
    return asPointer<AEffect>(callHost(audioMasterGetNextPlug));
}

VstInt32 EffectBaseExt::willProcessReplacing() { return asInt32(callHost(audioMasterWillReplaceOrAccumulate)); }
void EffectBaseExt::setOutputSampleRate(float rate) { callHost(audioMasterSetOutputSampleRate, 0, 0, nullptr, rate); }

VstSpeakerArrangement* EffectBaseExt::getInputSpeakerArrangement() {
    return asPointer<VstSpeakerArrangement>(callHost(audioMasterGetInputSpeakerArrangement));
}
VstSpeakerArrangement* EffectBaseExt::getOutputSpeakerArrangement() {
    return asPointer<VstSpeakerArrangement>(callHost(audioMasterGetOutputSpeakerArrangement));
}

void* EffectBaseExt::openWindow(VstWindow* window) {
    return asPointer<void>(callHost(audioMasterOpenWindow, 0, 0, window));
}
bool EffectBaseExt::closeWindow(VstWindow* window) {
    return nonZero(callHost(audioMasterCloseWindow, 0, 0, window));
}
bool EffectBaseExt::getChunkFile(void* nativePath) {
    return nativePath != nullptr && nonZero(callHost(audioMasterGetChunkFile, 0, 0, nativePath));
}
