// The framework's classes and the effect's object, driven directly where a
// host has no way in: the base layers' own defaults, flag setters, host calls
// and the effect's generator and out-of-memory paths.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <new>
#include <vector>

#include "effect/quillbeat_effect.h"
#include "host/effect_base_ext.h"
#include "tests/support/block_helpers.h"
#include "tests/support/test_host.h"

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
    TestHost host;
};

// Every field of the record the host receives: as the base layers leave it,
// for an effect of 3 programs and 5 parameters, and as the product leaves it,
// created through its entry point. Pointers read as 0 when null, 1 when set;
// floats as their bits; the reserved bytes as how many of them are not zero.
TEST_F(FrameworkClass, RecordFieldsAfterBaseAndAfterProduct) {
    constexpr std::int64_t kSet = 1;
    using Read = std::int64_t (*)(const AEffect&);
    const struct {
        const char* field;
        Read read;
        std::int64_t afterBase;
        std::int64_t afterProduct;
    } fields[] = {
        {"magic", [](const AEffect& r) -> std::int64_t { return r.magic; }, 0x56737450, 0x56737450},
        {"dispatcher", [](const AEffect& r) -> std::int64_t { return r.dispatcher != nullptr; }, kSet, kSet},
        {"process", [](const AEffect& r) -> std::int64_t { return r.process != nullptr; }, kSet, kSet},
        {"setParameter", [](const AEffect& r) -> std::int64_t { return r.setParameter != nullptr; }, kSet,
         kSet},
        {"getParameter", [](const AEffect& r) -> std::int64_t { return r.getParameter != nullptr; }, kSet,
         kSet},
        {"numPrograms", [](const AEffect& r) -> std::int64_t { return r.numPrograms; }, 3, 16},
        {"numParams", [](const AEffect& r) -> std::int64_t { return r.numParams; }, 5, 12},
        {"numInputs", [](const AEffect& r) -> std::int64_t { return r.numInputs; }, 1, 2},
        {"numOutputs", [](const AEffect& r) -> std::int64_t { return r.numOutputs; }, 2, 2},
        {"flags", [](const AEffect& r) -> std::int64_t { return r.flags; }, 0x10, 0x10},
        {"resvd1", [](const AEffect& r) -> std::int64_t { return r.resvd1; }, 0, 0},
        {"resvd2", [](const AEffect& r) -> std::int64_t { return r.resvd2; }, 0, 0},
        {"initialDelay", [](const AEffect& r) -> std::int64_t { return r.initialDelay; }, 0, 0},
        {"realQualities", [](const AEffect& r) -> std::int64_t { return r.realQualities; }, 0, 0},
        {"offQualities", [](const AEffect& r) -> std::int64_t { return r.offQualities; }, 0, 0},
        {"ioRatio", [](const AEffect& r) -> std::int64_t { return bitsOf(r.ioRatio); }, 0x3F800000, 0x3F800000},
        {"object", [](const AEffect& r) -> std::int64_t { return r.object != nullptr; }, kSet, kSet},
        // Each holds its host's mark, as both left it null (see routes() below).
        {"user", [](const AEffect& r) -> std::int64_t { return r.user != nullptr; }, kSet, kSet},
        {"uniqueID", [](const AEffect& r) -> std::int64_t { return r.uniqueID; }, 0x4E6F4566, 0x516C6274},
        {"version", [](const AEffect& r) -> std::int64_t { return r.version; }, 1, 1},
        {"processReplacing", [](const AEffect& r) -> std::int64_t { return r.processReplacing != nullptr; },
         kSet, kSet},
        {"processDoubleReplacing",
         [](const AEffect& r) -> std::int64_t { return r.processDoubleReplacing != nullptr; }, kSet, kSet},
        {"future", [](const AEffect& r) -> std::int64_t { return std::count_if(std::begin(r.future), std::end(r.future),
                                                                               [](char c) { return c != 0; }); },
         0, 0},
    };
    MinimalEffect& base = host.build<MinimalEffect>(3, 5);
    TestHost productHost;
    const AEffect* product = productHost.open();
    ASSERT_NE(product, nullptr);
    for (const auto& f : fields) {
        EXPECT_EQ(f.read(*base.getAeffect()), f.afterBase) << std::hex << f.field << " after base";
        EXPECT_EQ(f.read(*product), f.afterProduct) << std::hex << f.field << " after product";
    }
    EXPECT_EQ(base.getAeffect()->object, &base);
    // A host marks only a record whose user field the effect left null.
    EXPECT_TRUE(host.routes());
    EXPECT_TRUE(productHost.routes());
    EXPECT_TRUE(host.calls().empty());
}

TEST_F(FrameworkClass, ExtensionLayerDefaults) {
    MinimalEffect& effect = host.build<MinimalEffect>(3, 5);
    AEffect* record = effect.getAeffect();
    EXPECT_EQ(effect.getSampleRate(), 44100.0f);
    EXPECT_EQ(effect.getBlockSize(), 1024);
    EXPECT_EQ(effect.getProgram(), 0);
    EXPECT_EQ(effect.getEditor(), nullptr);
    EXPECT_EQ(record->getParameter(record, 2), 0.0f);
    EXPECT_TRUE(host.calls().empty());
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
    MinimalEffect& effect = host.build<MinimalEffect>(1, 1);
    host.versionAnswer = 0;
    EXPECT_EQ(effect.getMasterVersion(), 1);
    host.versionAnswer = 2400;
    EXPECT_EQ(effect.getMasterVersion(), 2400);
    const auto calls = host.calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].effect, effect.getAeffect());
    EXPECT_EQ(calls[1].opcode, audioMasterVersion);
}

TEST_F(FrameworkClass, TimeInfoAndEventRequests) {
    MinimalEffect withoutHost(nullptr, 1, 1);
    EXPECT_EQ(withoutHost.getTimeInfo(0xfe00), nullptr);
    withoutHost.wantEvents(1);

    MinimalEffect& effect = host.build<MinimalEffect>(1, 1);
    EXPECT_EQ(effect.getTimeInfo(0x1234), &host.timeInfo);
    effect.wantEvents(1);
    const auto calls = host.calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].effect, effect.getAeffect());
    EXPECT_EQ(calls[0].opcode, audioMasterGetTime);
    EXPECT_EQ(calls[0].index, 0);
    EXPECT_EQ(calls[0].value, 0x1234);
    EXPECT_EQ(calls[1].opcode, audioMasterWantMidi);
    EXPECT_EQ(calls[1].index, 0);
    EXPECT_EQ(calls[1].value, 1);
}

TEST_F(FrameworkClass, SampleRateAndBlockSizeAreStoredOnly) {
    MinimalEffect& effect = host.build<MinimalEffect>(1, 1);
    effect.setSampleRate(48000.0f);
    effect.setBlockSize(512);
    EXPECT_EQ(effect.getSampleRate(), 48000.0f);
    EXPECT_EQ(effect.getBlockSize(), 512);
    EXPECT_TRUE(host.calls().empty());
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
    EffectBase* effect = createEffect(nullptr);
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
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(bitsOf(effect->getParameter(i)), bitsOf(kInitialValues[i])) << "parameter " << i;
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
