// The requests an effect makes of its host: what the host sees of each, how
// each reads the host's answer, and what each gives without a host.
#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <vector>

#include "host/effect_base_ext.h"
#include "tests/support/test_host.h"

namespace {


// The records behind the services' pointers are the host's business; one
// scratch area stands in for all of them.
char scratch[64];
template <typename T>
T* P() {
    return reinterpret_cast<T*>(scratch);
}

class ServiceEffect : public EffectBaseExt {
public:
    explicit ServiceEffect(audioMasterCallback host) : EffectBaseExt(host, 1, 4) {}
    void processReplacing(float**, float**, VstInt32) override {}
    // What ran before the host heard of it, and what the host could read back.
    void setParameter(VstInt32 index, float value) override { stored.push_back({index, value}); }
    float getParameter(VstInt32) override { return 0.875f; }
    void setSampleRate(float) override { ADD_FAILURE() << "updateSampleRate goes around setSampleRate"; }
    void setBlockSize(VstInt32) override { ADD_FAILURE() << "updateBlockSize goes around setBlockSize"; }
    struct Stored {
        VstInt32 index;
        float value;
    };
    std::vector<Stored> stored;
};

// How a service turns the host's answer into its result.
enum class Reads { Answer, NonZero, IsZero, ZeroOrOne, Nothing };

// The service's result as the integer the host's answer is compared with.
template <typename Call>
VstIntPtr resultOf(Call call) {
    using Result = decltype(call());
    if constexpr (std::is_void_v<Result>) return call(), 0;
    else if constexpr (std::is_pointer_v<Result>) return reinterpret_cast<VstIntPtr>(call());
    else return static_cast<VstIntPtr>(call());
}
#define CALL(expr) #expr, [](ServiceEffect& e) { return resultOf([&] { return e.expr; }); }

// What the host must see besides the record, which is always the effect's.
struct Seen {
    VstInt32 opcode;
    VstInt32 index = 0;
    VstIntPtr value = 0;
    void* ptr = nullptr;
    float opt = 0.0f;
};

struct Service {
    const char* name;
    VstIntPtr (*call)(ServiceEffect&);
    Seen seen;
    Reads reads;
    VstIntPtr withoutHost = 0;
};

const Service kServices[] = {
    {CALL(setParameterAutomated(3, 0.25f)), {0, 3, 0, nullptr, 0.25f}, Reads::Nothing},
    {CALL(getCurrentUniqueId()), {2}, Reads::Answer},
    {CALL(masterIdle()), {3}, Reads::Nothing},
    {CALL(isInputConnected(1)), {4, 1, 0}, Reads::IsZero, 1},
    {CALL(isOutputConnected(1)), {4, 1, 1}, Reads::IsZero, 1},
    {CALL(beginEdit(3)), {43, 3}, Reads::NonZero},
    {CALL(endEdit(3)), {44, 3}, Reads::NonZero},
    {CALL(ioChanged()), {13}, Reads::NonZero},
    {CALL(getInputLatency()), {18}, Reads::Answer},
    {CALL(getOutputLatency()), {19}, Reads::Answer},
    {CALL(getCurrentProcessLevel()), {23}, Reads::Answer},
    {CALL(getAutomationState()), {24}, Reads::Answer},
    {CALL(getHostVendorString(P<char>())), {32, 0, 0, scratch}, Reads::NonZero},
    {CALL(getHostProductString(P<char>())), {33, 0, 0, scratch}, Reads::NonZero},
    {CALL(getHostVendorVersion()), {34}, Reads::Answer},
    {CALL(hostVendorSpecific(4, 5, scratch, 0.75f)), {35, 4, 5, scratch, 0.75f}, Reads::Answer},
    {CALL(canHostDo(P<char>())), {37, 0, 0, scratch}, Reads::ZeroOrOne},
    {CALL(getHostLanguage()), {38}, Reads::Answer},
    {CALL(getDirectory()), {41}, Reads::Answer},
    {CALL(updateDisplay()), {42}, Reads::NonZero},
    {CALL(sizeWindow(640, 480)), {15, 640, 480}, Reads::NonZero},
    {CALL(openFileSelector(P<VstFileSelect>())), {45, 0, 0, scratch}, Reads::NonZero},
    {CALL(closeFileSelector(P<VstFileSelect>())), {46, 0, 0, scratch}, Reads::NonZero},
    {CALL(offlineRead(P<VstOfflineTask>(), 2, true)), {26, 1, 2, scratch}, Reads::NonZero},
    {CALL(offlineRead(P<VstOfflineTask>(), 2, false)), {26, 0, 2, scratch}, Reads::NonZero},
    {CALL(offlineWrite(P<VstOfflineTask>(), 2)), {27, 0, 2, scratch}, Reads::NonZero},
    {CALL(offlineStart(P<VstAudioFile>(), 4, 1)), {25, 1, 4, scratch}, Reads::NonZero},
    {CALL(offlineGetCurrentPass()), {28}, Reads::ZeroOrOne},
    {CALL(offlineGetCurrentMetaPass()), {29}, Reads::ZeroOrOne},
    {CALL(tempoAt(1234)), {10, 0, 1234}, Reads::Answer},
    {CALL(getNumAutomatableParameters()), {11}, Reads::Answer},
    {CALL(getParameterQuantization()), {12}, Reads::Answer},
    {CALL(needIdle()), {14}, Reads::NonZero},
    {CALL(getPreviousPlug(5)), {20}, Reads::Answer},
    {CALL(getNextPlug(5)), {21}, Reads::Answer},
    {CALL(willProcessReplacing()), {22}, Reads::Answer},
    {CALL(setOutputSampleRate(48000.0f)), {30, 0, 0, nullptr, 48000.0f}, Reads::Nothing},
    {CALL(getInputSpeakerArrangement()), {49}, Reads::Answer},
    {CALL(getOutputSpeakerArrangement()), {31}, Reads::Answer},
    {CALL(openWindow(P<VstWindow>())), {39, 0, 0, scratch}, Reads::Answer},
    {CALL(closeWindow(P<VstWindow>())), {40, 0, 0, scratch}, Reads::NonZero},
    {CALL(getChunkFile(scratch)), {48, 0, 0, scratch}, Reads::NonZero},
};
#undef CALL

VstIntPtr expectedResult(Reads reads, VstIntPtr answer) {
    switch (reads) {
        case Reads::Answer: return answer;
        case Reads::NonZero: return answer != 0;
        case Reads::IsZero: return answer == 0;
        case Reads::ZeroOrOne: return answer != 0 ? 1 : 0;
        case Reads::Nothing: return 0;
    }
    return 0;
}

TEST(HostServices, EachPassesItsPartsAndReadsTheAnswerItsWay) {
    for (const Service& service : kServices) {
        SCOPED_TRACE(service.name);
        for (const VstIntPtr answer : {VstIntPtr{0}, VstIntPtr{1}, VstIntPtr{-1}}) {
            TestHost host;
            ServiceEffect& effect = host.build<ServiceEffect>();
            host.answerOther = [answer](const HostCall&) { return answer; };
            EXPECT_EQ(service.call(effect), expectedResult(service.reads, answer)) << "host answer " << answer;
            const auto calls = host.calls();
            ASSERT_EQ(calls.size(), 1u);
            const HostCall& seen = calls[0];
            EXPECT_EQ(seen.effect, effect.getAeffect());
            EXPECT_EQ(seen.opcode, service.seen.opcode);
            EXPECT_EQ(seen.index, service.seen.index);
            EXPECT_EQ(seen.value, service.seen.value);
            EXPECT_EQ(seen.ptr, service.seen.ptr);
            EXPECT_EQ(seen.opt, service.seen.opt);
        }
        ServiceEffect withoutHost(nullptr);
        EXPECT_EQ(service.call(withoutHost), service.withoutHost) << "without a host";
    }
}

TEST(HostServices, FileRequestsWithoutARecordAskNothing) {
    TestHost host;
    ServiceEffect& effect = host.build<ServiceEffect>();
    host.answerOther = [](const HostCall&) { return VstIntPtr{1}; };
    EXPECT_FALSE(effect.openFileSelector(nullptr));
    EXPECT_FALSE(effect.closeFileSelector(nullptr));
    EXPECT_FALSE(effect.getChunkFile(nullptr));
    EXPECT_TRUE(host.calls().empty());
}

TEST(HostServices, AutomationStoresThePassedValueBeforeTellingTheHost) {
    TestHost host;
    ServiceEffect& effect = host.build<ServiceEffect>();
    std::size_t storedWhenTold = 0;
    host.answerOther = [&](const HostCall&) {
        storedWhenTold = effect.stored.size();
        return VstIntPtr{0};
    };
    ServiceEffect withoutHost(nullptr);
    for (ServiceEffect* automated : {&effect, &withoutHost}) {
        automated->setParameterAutomated(3, 0.25f);
        ASSERT_EQ(automated->stored.size(), 1u);
        EXPECT_EQ(automated->stored[0].index, 3);
        EXPECT_EQ(automated->stored[0].value, 0.25f);
    }
    EXPECT_EQ(storedWhenTold, 1u);
    const auto calls = host.calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].opt, 0.25f);  // not what getParameter reads back
}

TEST(HostServices, HostRateAndBlockSizeReplaceOnlyWithPositiveAnswers) {
    struct Case {
        VstIntPtr answer;
        float sampleRate;
        VstInt32 blockSize;
    };
    std::vector<Case> cases = {{48000, 48000.0f, 48000}, {512, 512.0f, 512}, {0, 44100.0f, 1024},
                               {-1, 44100.0f, 1024}};
    // A block size past the 32-bit range is no block size.
    if (sizeof(VstIntPtr) > 4) cases.push_back({VstIntPtr{1} << 32 | 512, 4294967808.0f, 1024});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        TestHost host;
        ServiceEffect& effect = host.build<ServiceEffect>();
        host.answerOther = [&c](const HostCall&) { return c.answer; };
        EXPECT_EQ(effect.updateSampleRate(), c.sampleRate);
        EXPECT_EQ(effect.updateBlockSize(), c.blockSize);
        EXPECT_EQ(effect.getSampleRate(), c.sampleRate);
        EXPECT_EQ(effect.getBlockSize(), c.blockSize);
        const auto calls = host.calls();
        ASSERT_EQ(calls.size(), 2u);
        EXPECT_EQ(calls[0].opcode, audioMasterGetSampleRate);
        EXPECT_EQ(calls[1].opcode, audioMasterGetBlockSize);
        for (const HostCall& call : calls) {
            EXPECT_EQ(call.index, 0);
            EXPECT_EQ(call.value, 0);
            EXPECT_EQ(call.ptr, nullptr);
            EXPECT_EQ(call.opt, 0.0f);
        }
    }
    ServiceEffect withoutHost(nullptr);
    EXPECT_EQ(withoutHost.updateSampleRate(), 44100.0f);
    EXPECT_EQ(withoutHost.updateBlockSize(), 1024);
}

}  // namespace
