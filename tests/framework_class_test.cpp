// The framework's classes and the effect's object, driven directly where a
// host has no way in: the base layers' own defaults, flag setters, host calls
// and the effect's generator and out-of-memory paths.
#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <vector>

#include "effect/quillbeat_effect.h"
#include "host/effect_base_ext.h"
#include "tests/support/recording_callback.h"

namespace {

// ---- allocation failure on demand ---------------------------------------
// The effect allocates with nothrow new; these replacements fail while the
// switch is on, so the out-of-memory paths can be walked.
bool failNothrowAllocations = false;


class MinimalEffect : public EffectBaseExt {
public:
    MinimalEffect(audioMasterCallback callback, VstInt32 programs, VstInt32 parameters, int* destroyed = nullptr)
        : EffectBaseExt(callback, programs, parameters), destroyed(destroyed) {}
    ~MinimalEffect() override {
        if (destroyed != nullptr) ++*destroyed;
    }
    void processReplacing(float**, float**, VstInt32) override {}
    void close() override { ++closeCalls; }
    int closeCalls = 0;

private:
    int* destroyed;
};

class FrameworkClass : public ::testing::Test {
protected:
    void SetUp() override {
        hostCalls.clear();
        hostAnswer = 0;
    }
};

TEST_F(FrameworkClass, ExtensionLayerRecordDefaults) {
    MinimalEffect effect(recordingHost, 3, 5);
    const AEffect* record = effect.getAeffect();
    EXPECT_EQ(record->numPrograms, 3);
    EXPECT_EQ(record->numParams, 5);
    EXPECT_EQ(record->numInputs, 1);
    EXPECT_EQ(record->numOutputs, 2);
    EXPECT_EQ(record->uniqueID, 0x4E6F4566);
    EXPECT_EQ(record->flags, 0x10);
    EXPECT_EQ(record->object, &effect);
    EXPECT_EQ(effect.getSampleRate(), 44100.0f);
    EXPECT_EQ(effect.getBlockSize(), 1024);
    EXPECT_EQ(effect.getProgram(), 0);
    EXPECT_EQ(effect.getEditor(), nullptr);
    EXPECT_EQ(record->getParameter(const_cast<AEffect*>(record), 2), 0.0f);
    EXPECT_TRUE(hostCalls.empty());
}

TEST_F(FrameworkClass, FlagSettersTouchOnlyTheirBit) {
    MinimalEffect effect(nullptr, 1, 1);
    struct Setter {
        void (MinimalEffect::*set)(bool);
        VstInt32 bit;
    };
    const Setter setters[] = {
        {&MinimalEffect::hasClip, 0x2},          {&MinimalEffect::hasVu, 0x4},
        {&MinimalEffect::canMono, 0x8},          {&MinimalEffect::programsAreChunks, 0x20},
        {&MinimalEffect::isSynth, 0x100},        {&MinimalEffect::noTail, 0x200},
        {&MinimalEffect::extIsAsync, 0x400},     {&MinimalEffect::extHasBuffer, 0x800},
        {&MinimalEffect::canDoubleReplacing, 0x1000},
    };
    for (const Setter& setter : setters) {
        (effect.*setter.set)(true);
        EXPECT_EQ(effect.getAeffect()->flags, 0x10 | setter.bit);
        (effect.*setter.set)(false);
        EXPECT_EQ(effect.getAeffect()->flags, 0x10);
    }
    effect.canProcessReplacing(false);
    EXPECT_EQ(effect.getAeffect()->flags, 0);
}

TEST_F(FrameworkClass, CloseThroughTheRecordDestroysOnce) {
    int destroyed = 0;
    auto* effect = new MinimalEffect(nullptr, 1, 1, &destroyed);
    AEffect* record = effect->getAeffect();
    EXPECT_EQ(record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f), 1);
    EXPECT_EQ(destroyed, 1);
}

TEST_F(FrameworkClass, MasterVersion) {
    MinimalEffect withoutHost(nullptr, 1, 1);
    EXPECT_EQ(withoutHost.getMasterVersion(), 1);
    MinimalEffect effect(recordingHost, 1, 1);
    hostAnswer = 0;
    EXPECT_EQ(effect.getMasterVersion(), 1);
    hostAnswer = 2400;
    EXPECT_EQ(effect.getMasterVersion(), 2400);
    ASSERT_EQ(hostCalls.size(), 2u);
    EXPECT_EQ(hostCalls[1].effect, effect.getAeffect());
    EXPECT_EQ(hostCalls[1].opcode, audioMasterVersion);
}

TEST_F(FrameworkClass, TimeInfoAndEventRequests) {
    MinimalEffect withoutHost(nullptr, 1, 1);
    EXPECT_EQ(withoutHost.getTimeInfo(0xfe00), nullptr);
    withoutHost.wantEvents(1);

    MinimalEffect effect(recordingHost, 1, 1);
    VstTimeInfo info{};
    hostAnswer = reinterpret_cast<VstIntPtr>(&info);
    EXPECT_EQ(effect.getTimeInfo(0x1234), &info);
    effect.wantEvents(1);
    ASSERT_EQ(hostCalls.size(), 2u);
    EXPECT_EQ(hostCalls[0].effect, effect.getAeffect());
    EXPECT_EQ(hostCalls[0].opcode, audioMasterGetTime);
    EXPECT_EQ(hostCalls[0].index, 0);
    EXPECT_EQ(hostCalls[0].value, 0x1234);
    EXPECT_EQ(hostCalls[1].opcode, audioMasterWantMidi);
    EXPECT_EQ(hostCalls[1].index, 0);
    EXPECT_EQ(hostCalls[1].value, 1);
}

TEST_F(FrameworkClass, SampleRateAndBlockSizeAreStoredOnly) {
    MinimalEffect effect(recordingHost, 1, 1);
    effect.setSampleRate(48000.0f);
    effect.setBlockSize(512);
    EXPECT_EQ(effect.getSampleRate(), 48000.0f);
    EXPECT_EQ(effect.getBlockSize(), 512);
    EXPECT_TRUE(hostCalls.empty());
}

TEST_F(FrameworkClass, BaseTextRequestsWriteOneZeroByte) {
    MinimalEffect effect(nullptr, 1, 1);
    using Request = void (*)(MinimalEffect&, char*);
    const Request requests[] = {
        [](MinimalEffect& e, char* t) { e.getProgramName(t); },
        [](MinimalEffect& e, char* t) { e.getParameterLabel(0, t); },
        [](MinimalEffect& e, char* t) { e.getParameterDisplay(0, t); },
        [](MinimalEffect& e, char* t) { e.getParameterName(0, t); },
    };
    for (Request request : requests) {
        char buffer[4] = {'x', 'y', 'z', 'w'};
        request(effect, buffer);
        EXPECT_EQ(buffer[0], '\0');
        EXPECT_EQ(std::memcmp(buffer + 1, "yzw", 3), 0);
    }
}

TEST_F(FrameworkClass, GeneratorStartsAtTheKnownSequence) {
    QuillbeatEffect effect(nullptr);
    const std::uint32_t expected[] = {0, 7, 66, 597, 5373};
    for (std::uint32_t value : expected) EXPECT_EQ(effect.nextRandom(), value);
}

TEST_F(FrameworkClass, NoMemoryForTheEffectGivesNull) {
    failNothrowAllocations = true;
    EffectBase* effect = createEffect(recordingHost);
    failNothrowAllocations = false;
    EXPECT_EQ(effect, nullptr);
}

TEST_F(FrameworkClass, NoMemoryForTheBankLeavesProgramsInert) {
    QuillbeatEffect* effect = nullptr;
    {
        // Only the bank is allocated with nothrow new[] during construction.
        failNothrowAllocations = true;
        effect = new QuillbeatEffect(nullptr);
        failNothrowAllocations = false;
    }
    // The initial values are the ones program 0 would have applied.
    const float initial[12] = {1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.24f};
    for (int i = 0; i < 12; ++i) EXPECT_EQ(effect->getParameter(i), initial[i]) << "parameter " << i;
    effect->setParameter(1, 0.5f);
    effect->setProgram(3);
    EXPECT_EQ(effect->getProgram(), 0);
    EXPECT_EQ(effect->getParameter(1), 0.5f);
    char name[] = "Renamed";
    effect->setProgramName(name);
    char buffer[32] = "untouched";
    effect->getProgramName(buffer);
    EXPECT_STREQ(buffer, "untouched");
    EXPECT_FALSE(effect->getProgramNameIndexed(0, 0, buffer));
    EXPECT_STREQ(buffer, "untouched");
    delete effect;
}

}  // namespace

// Forwarding to the throwing forms keeps every allocation paired with the
// usual delete.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (failNothrowAllocations) return nullptr;
    try {
        return ::operator new(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    if (failNothrowAllocations) return nullptr;
    try {
        return ::operator new[](size);
    } catch (...) {
        return nullptr;
    }
}
