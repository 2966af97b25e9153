#include "tests/support/test_host.h"

TestHost::TestHost(PluginLibrary& library) : library(library) {}

TestHost::~TestHost() {
    if (record != nullptr) close();
}

AEffect* TestHost::open(const char* entryName) {
    PluginEntry entry = library.entry(entryName);
    if (entry == nullptr) return nullptr;
    record = openRoutedEffect(entry, *this);
    return record;
}

VstIntPtr TestHost::answer(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                           float opt) {
    const HostCall call{effect, opcode, index, value, ptr, opt};
    {
        std::lock_guard<std::mutex> lock(callsMutex);
        recordedCalls.push_back(call);
    }
    switch (call.opcode) {
        case audioMasterVersion: return versionAnswer;
        case audioMasterGetTime: return answerTimeInfo ? reinterpret_cast<VstIntPtr>(&timeInfo) : 0;
        default: return answerOther ? answerOther(call) : 0;
    }
}

std::vector<HostCall> TestHost::calls() const {
    std::lock_guard<std::mutex> lock(callsMutex);
    return recordedCalls;
}

std::size_t TestHost::callCount(VstInt32 opcode) const {
    std::lock_guard<std::mutex> lock(callsMutex);
    std::size_t count = 0;
    for (const HostCall& call : recordedCalls) count += call.opcode == opcode ? 1 : 0;
    return count;
}

void TestHost::clearCalls() {
    std::lock_guard<std::mutex> lock(callsMutex);
    recordedCalls.clear();
}

VstIntPtr TestHost::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    return record->dispatcher(record, opcode, index, value, ptr, opt);
}

void TestHost::processAt(double samplePos, StereoBuffer& buffer) {
    timeInfo.samplePos = samplePos;
    float** channels = buffer.channels();
    process(channels, channels, buffer.frames());
}

void TestHost::processAt(double samplePos, StereoBuffer& input, StereoBuffer& output) {
    timeInfo.samplePos = samplePos;
    process(input.channels(), output.channels(), input.frames());
}

std::string TestHost::text(VstInt32 opcode, VstInt32 index, VstIntPtr value) {
    char buffer[256] = {};
    dispatch(opcode, index, value, buffer);
    return std::string(buffer);
}

VstIntPtr TestHost::close() {
    AEffect* closing = record;
    forgetEffect(closing);
    record = nullptr;
    return closing->dispatcher(closing, effClose, 0, 0, nullptr, 0.0f);
}
