// The speaker-arrangement records the framework makes, copies, matches and
// releases. Run under AddressSanitizer too: it knows each record's exact size
// and sees any write past it or any record left behind.
#include <gtest/gtest.h>
#include <malloc.h>

#include <cstring>
#include <string>

#include "host/effect_base_ext.h"

#if defined(__SANITIZE_ADDRESS__)
extern "C" std::size_t __sanitizer_get_allocated_size(const volatile void* p);
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

class ArrangingEffect : public EffectBaseExt {
public:
    ArrangingEffect() : EffectBaseExt(nullptr, 1, 1) {}
    void processReplacing(float**, float**, VstInt32) override {}
};

// Bytes the heap hands out at the moment.
std::size_t heapInUse() {
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

// A record made by allocateArrangement is exactly as long as its entries;
// the sanitizer knows the exact size, the plain heap at least a bound.
void expectRecordSize(const VstSpeakerArrangement* record, std::size_t bytes) {
#if defined(__SANITIZE_ADDRESS__)
    EXPECT_EQ(__sanitizer_get_allocated_size(record), bytes);
#else
    EXPECT_GE(malloc_usable_size(const_cast<VstSpeakerArrangement*>(record)), bytes);
#endif
}

bool allZeroExceptChannelCount(const VstSpeakerArrangement* record, std::size_t bytes) {
    const auto* byte = reinterpret_cast<const unsigned char*>(record);
    for (std::size_t i = 0; i < bytes; ++i) {
        const bool countField = i >= offsetof(VstSpeakerArrangement, numChannels) && i < 8;
        if (!countField && byte[i] != 0) return false;
    }
    return true;
}

VstSpeakerProperties* entry(VstSpeakerArrangement* record, int i) {
    return reinterpret_cast<VstSpeakerProperties*>(reinterpret_cast<char*>(record) + 8) + i;
}

TEST(SpeakerArrangement, RecordsHoldExactlyTheirEntriesAllZero) {
    ArrangingEffect effect;
    for (const VstInt32 channels : {2, 0, 3}) {
        SCOPED_TRACE(channels);
        const std::size_t bytes = 8 + 112 * static_cast<std::size_t>(channels);
        VstSpeakerArrangement* record = nullptr;
        // Leave a used block of the same size behind, so zeros are not luck.
        ASSERT_TRUE(effect.allocateArrangement(&record, channels));
        std::memset(record, 0xAB, bytes);
        ASSERT_TRUE(effect.allocateArrangement(&record, channels));
        ASSERT_NE(record, nullptr);
        expectRecordSize(record, bytes);
        EXPECT_EQ(record->type, 0);
        EXPECT_EQ(record->numChannels, channels);
        EXPECT_TRUE(allZeroExceptChannelCount(record, bytes));
        EXPECT_TRUE(effect.deallocateArrangement(&record));
        EXPECT_EQ(record, nullptr);
    }
    VstSpeakerArrangement* none = nullptr;
    EXPECT_TRUE(effect.deallocateArrangement(&none));
    EXPECT_TRUE(effect.deallocateArrangement(nullptr));
    EXPECT_FALSE(effect.allocateArrangement(&none, -1));
    EXPECT_EQ(none, nullptr);
}

TEST(SpeakerArrangement, ANewRecordReleasesTheOneHeldBefore) {
    ArrangingEffect effect;
    VstSpeakerArrangement* source = nullptr;
    ASSERT_TRUE(effect.allocateArrangement(&source, 2));
    VstSpeakerArrangement* held = nullptr;
    ASSERT_TRUE(effect.allocateArrangement(&held, 8));
    const std::size_t before = heapInUse();
    for (int i = 0; i < 1000; ++i) {
        ASSERT_TRUE(effect.allocateArrangement(&held, 8));
        ASSERT_TRUE(effect.matchArrangement(&held, source));
        ASSERT_TRUE(effect.allocateArrangement(&held, 8));
    }
    // Each round made three records of 232 to 904 bytes, so a leak would add
    // hundreds of kilobytes; the allocator's per-thread cache of freed
    // blocks, which counts as in use, stays far below the bound.
    EXPECT_LT(heapInUse(), before + 64 * 1024);
    effect.deallocateArrangement(&held);
    effect.deallocateArrangement(&source);
}

TEST(SpeakerArrangement, CopyCutsTheNameAndKeepsEveryOtherField) {
    ArrangingEffect effect;
    VstSpeakerProperties from;
    std::memset(&from, 0, sizeof(from));
    from.azimuth = 0.5f;
    from.elevation = -0.25f;
    from.radius = 2.0f;
    from.reserved = 7.0f;
    from.type = 5;
    for (std::size_t i = 0; i < sizeof(from.future); ++i) from.future[i] = static_cast<char>(i + 1);
    const std::string longName(64, 'N');
    for (const std::string& name : {longName, std::string("L")}) {
        std::memset(from.name, 0, sizeof(from.name));
        std::memcpy(from.name, name.data(), name.size());
        VstSpeakerProperties to;
        std::memset(&to, 0xAB, sizeof(to));
        ASSERT_TRUE(effect.copySpeaker(&to, &from));
        const std::size_t kept = name.size() < 63 ? name.size() : 63;
        EXPECT_EQ(std::string(to.name, kept), name.substr(0, kept));
        for (std::size_t i = kept; i < sizeof(to.name); ++i) EXPECT_EQ(to.name[i], '\0') << i;
        VstSpeakerProperties expected = from;
        std::memcpy(expected.name, to.name, sizeof(to.name));
        EXPECT_EQ(std::memcmp(&to, &expected, sizeof(to)), 0);
    }
    EXPECT_FALSE(effect.copySpeaker(nullptr, &from));
    EXPECT_FALSE(effect.copySpeaker(&from, nullptr));
    std::memcpy(from.name, longName.data(), longName.size());
    ASSERT_TRUE(effect.copySpeaker(&from, &from));  // onto itself: the name is cut in place
    EXPECT_EQ(std::string(from.name), std::string(63, 'N'));
}

TEST(SpeakerArrangement, MatchMakesAnEqualRecord) {
    ArrangingEffect effect;
    VstSpeakerArrangement* from = nullptr;
    ASSERT_TRUE(effect.allocateArrangement(&from, 3));
    from->type = 5;
    for (int i = 0; i < 3; ++i) {
        std::memset(entry(from, i)->name, 'a' + i, 64);  // no terminator
        entry(from, i)->type = 10 + i;
        entry(from, i)->azimuth = 0.1f * static_cast<float>(i);
    }
    VstSpeakerArrangement* to = nullptr;
    ASSERT_TRUE(effect.allocateArrangement(&to, 1));
    ASSERT_TRUE(effect.matchArrangement(&to, from));
    ASSERT_NE(to, from);
    EXPECT_EQ(to->type, 5);
    ASSERT_EQ(to->numChannels, 3);
    expectRecordSize(to, 8 + 3 * 112);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(std::string(entry(to, i)->name), std::string(63, static_cast<char>('a' + i)));
        EXPECT_EQ(entry(to, i)->type, 10 + i);
        EXPECT_EQ(entry(to, i)->azimuth, entry(from, i)->azimuth);
    }
    VstSpeakerArrangement* const kept = to;
    EXPECT_FALSE(effect.matchArrangement(&to, nullptr));
    EXPECT_EQ(to, kept);
    // Matching a record to itself must not release it first.
    EXPECT_TRUE(effect.matchArrangement(&to, to));
    EXPECT_EQ(to, kept);
    EXPECT_EQ(to->numChannels, 3);
    effect.deallocateArrangement(&to);
    effect.deallocateArrangement(&from);
}

}  // namespace
