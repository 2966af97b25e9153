#include "tests/support/test_host.h"

VstIntPtr TestHost::answer(const HostCall& call) {
    {
        std::lock_guard<std::mutex> lock(callsMutex);
        recordedCalls.push_back(call);
    }
    timeAnswer = answerTimeInfo ? &timeInfo : nullptr;
    if (answerOther && call.opcode != audioMasterVersion && call.opcode != audioMasterGetTime) {
        ++counts.other;
        return answerOther(call);
    }
    return EffectHost::answer(call);
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
