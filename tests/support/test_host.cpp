#include "tests/support/test_host.h"

#include <map>

namespace {
// The callback carries no user data: each call is routed to its host by the
// record's address. During creation there is no record yet, and the call goes
// to the host that is opening.
std::mutex routingMutex;
std::map<AEffect*, TestHost*>& hostsByRecord() {
    static std::map<AEffect*, TestHost*> hosts;
    return hosts;
}
TestHost* openingHost = nullptr;

TestHost* hostFor(AEffect* effect) {
    std::lock_guard<std::mutex> lock(routingMutex);
    const auto found = hostsByRecord().find(effect);
    if (found != hostsByRecord().end()) return found->second;
    return openingHost;
}
}  // namespace

TestHost::TestHost(PluginLibrary& library) : library(library) {
    timeInfo.sampleRate = 44100.0;
    timeInfo.tempo = 120.0;
    timeInfo.timeSigNumerator = 4;
    timeInfo.timeSigDenominator = 4;
    timeInfo.flags = kVstTransportPlaying | kVstTempoValid | kVstTimeSigValid;
}

TestHost::~TestHost() {
    if (record != nullptr) close();
}

AEffect* TestHost::open(const char* entryName) {
    PluginEntry entry = library.entry(entryName);
    if (entry == nullptr) return nullptr;
    {
        std::lock_guard<std::mutex> lock(routingMutex);
        openingHost = this;
    }
    record = entry(&TestHost::callback);
    std::lock_guard<std::mutex> lock(routingMutex);
    openingHost = nullptr;
    if (record != nullptr) hostsByRecord()[record] = this;
    return record;
}

VstIntPtr VST2_CALLBACK TestHost::callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                           void* ptr, float opt) {
    TestHost* host = hostFor(effect);
    if (host == nullptr) return 0;
    return host->answer(HostCall{effect, opcode, index, value, ptr, opt});
}

VstIntPtr TestHost::answer(const HostCall& call) {
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
    {
        std::lock_guard<std::mutex> lock(routingMutex);
        hostsByRecord().erase(closing);
    }
    record = nullptr;
    return closing->dispatcher(closing, effClose, 0, 0, nullptr, 0.0f);
}
