// What the host shows, asked through the record's dispatcher: the effect's
// identity, parameter names, labels and value texts, and program names.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

#include "effect/parameters.h"
#include "tests/support/canary_buffer.h"
#include "tests/support/test_host.h"

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr const char* kNames[12] = {"vA", "vD1", "vS", "vD2", "vnotes", "fA",
                                    "fD1", "fS", "fD2", "fnotes", "RndSw", "Tempo"};

class DisplayTexts : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(host.open(), nullptr); }
    // The whole buffer after one text request.
    std::string ask(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, VstIntPtr* answer = nullptr) {
        CanaryBuffer buffer;
        const VstIntPtr result = host.dispatch(opcode, index, value, buffer.data());
        if (answer != nullptr) *answer = result;
        return buffer.contents();
    }
    std::string display(VstInt32 index, float value) {
        host.setParameter(index, value);
        return ask(effGetParamDisplay, index);
    }
    void rename(const char* name) { host.dispatch(effSetProgramName, 0, 0, const_cast<char*>(name)); }
    TestHost host;
};

TEST_F(DisplayTexts, IdentityFillsItsWholeField) {
    const struct { VstInt32 opcode; const char* text; std::size_t limit; } rows[] = {
        {effGetEffectName, "Quillbeat", 32},
        {effGetVendorString, "Orvane", 64},
        {effGetProductString, "Quillbeat", 64}};
    for (const auto& row : rows) {
        VstIntPtr answer = 0;
        EXPECT_EQ(ask(row.opcode, 0, 0, &answer), CanaryBuffer::bounded(row.text, row.limit)) << row.opcode;
        EXPECT_EQ(answer, 1);
    }
    EXPECT_EQ(host.dispatch(effGetVendorVersion), 2);
}

TEST_F(DisplayTexts, NamesAndLabelsFillNineBytesAndOnlyInRange) {
    for (VstInt32 i = 0; i < 12; ++i) {
        EXPECT_EQ(ask(effGetParamName, i), CanaryBuffer::bounded(kNames[i], 8)) << i;
        EXPECT_EQ(ask(effGetParamLabel, i), CanaryBuffer::bounded("  ", 8)) << i;
    }
    for (VstInt32 i : {12, -1, std::numeric_limits<VstInt32>::min()})
        for (VstInt32 opcode : {effGetParamName, effGetParamLabel, effGetParamDisplay})
            EXPECT_EQ(ask(opcode, i), CanaryBuffer::untouched()) << opcode << " index " << i;
}

TEST_F(DisplayTexts, NumbersFollowTheEightCharacterForm) {
    const struct { float value; const char* text; } rows[] = {
        {0.0f, "0.000000"}, {-0.0f, "0.000000"}, {0.5f, "0.500000"}, {1.0f, "1.000000"}, {-0.25f, "-0.25000"},
        {-1.5f, "-1.50000"}, {0.7f, "0.699999"}, {0.999999f, "0.999998"}, {0.00001f, "0.000009"},
        {12.5f, "12.50000"}, {123.456f, "123.4560"}, {1234.5678f, "1234.567"}, {1234567.0f, "1234567."},
        {9999999.0f, "9999999."}, {-123456.0f, "-123456."}, {-999999.9f, "-999999."}, {1e8f, "Huge!"},
        {1e9f, "Huge!"}, {-1e7f, "Huge!"}, {kInf, "Huge!"}, {-kInf, "Huge!"}, {1e7f, "Huge!"},
        {99999992.0f, "Huge!"}, {-1e6f, "Huge!"}, {std::numeric_limits<float>::quiet_NaN(), "NaN"}};
    for (const auto& row : rows) EXPECT_EQ(display(0, row.value), CanaryBuffer::bounded(row.text, 8)) << row.value;
}

// The text is the exact decimal value of the float, cut after eight
// characters; glibc prints that exact value given enough digits.
TEST_F(DisplayTexts, NumbersAreTheirExactDigitsTruncated) {
    const struct { std::uint32_t from, to; } ranges[] = {{0x00000001, 0x4B189680}, {0x80000001, 0xC9742400}};
    for (const auto& range : ranges) {
        for (std::uint64_t bits = range.from; bits < range.to; bits += 4099) {
            const float value = std::bit_cast<float>(static_cast<std::uint32_t>(bits));
            char exact[256];
            std::snprintf(exact, sizeof exact, "%.160f", static_cast<double>(value));
            ASSERT_EQ(display(0, value), CanaryBuffer::bounded(std::string(exact, 8), 8)) << exact;
        }
    }
}

TEST_F(DisplayTexts, CountsTempoAndSwitchAtTheirEdges) {
    const struct { VstInt32 index; float value; const char* text; } rows[] = {
        {4, 0.0f, "1"}, {4, 0.5f, "8"}, {4, 1.0f, "16"}, {4, std::bit_cast<float>(0x3D888889u), "2"},
        {9, 0.4f, "7"}, {11, 0.24f, "140"}, {11, 0.0f, "120"}, {11, 0.5f, "210"}, {11, 1.0f, "480"},
        {11, std::bit_cast<float>(0x3D98A61Fu), "122"}, {10, 0.0f, "MANUAL"}, {10, 0.5f, "RANDOM"},
        {10, 1.0f, "AUTO"}, {10, 1.5f, "MANUAL"}, {10, -0.5f, "MANUAL"},
        {10, std::bit_cast<float>(0x3EB08D3Du), "MANUAL"}, {10, std::bit_cast<float>(0x3EB08D3Eu), "RANDOM"},
        {10, std::bit_cast<float>(0x3F308D3Du), "RANDOM"}, {10, std::bit_cast<float>(0x3F308D3Eu), "AUTO"}};
    for (const auto& row : rows) {
        // A switch word is written with its terminator and nothing else.
        const std::size_t limit = row.index == 10 ? std::strlen(row.text) : 8;
        EXPECT_EQ(display(row.index, row.value), CanaryBuffer::bounded(row.text, limit))
            << row.index << " " << row.value;
    }
}

// The other formats describe the switch by the table's scale points: each
// value must select the mode it is labelled with.
TEST_F(DisplayTexts, EverySwitchScalePointShowsItsLabel) {
    for (const ScalePoint& point : kParameterTable[kRndSw].scalePoints)
        EXPECT_EQ(display(kRndSw, point.value), CanaryBuffer::bounded(std::string(point.label), point.label.size()));
}

TEST_F(DisplayTexts, UnnamedProgramsAreNumberedOnlyAsCurrent) {
    for (VstIntPtr p = 0; p < 16; ++p) {
        host.dispatch(effSetProgram, 0, p);
        const std::string numbered = "Init " + std::to_string(p + 1);
        EXPECT_EQ(ask(effGetProgramName), CanaryBuffer::bounded(numbered, numbered.size()));
        VstIntPtr answer = 0;
        EXPECT_EQ(ask(effGetProgramNameIndexed, static_cast<VstInt32>(p), 0, &answer),
                  CanaryBuffer::bounded("Init", 4));
        EXPECT_EQ(answer, 1);
    }
    for (VstInt32 p : {16, -1}) {
        VstIntPtr answer = 1;
        EXPECT_EQ(ask(effGetProgramNameIndexed, p, 0, &answer), CanaryBuffer::untouched()) << p;
        EXPECT_EQ(answer, 0);
    }
}

TEST_F(DisplayTexts, RenamingTouchesOnlyTheCurrentProgram) {
    const struct { const char* given; const char* shown; } rows[] = {
        {"Bass", "Bass"}, {"init", "init"}, {"INIT", "INIT"}, {"Init ", "Init "}, {"", ""},
        {"A name of well over twenty-three characters", "A name of well over twe"}, {"Init", "Init 3"}};
    for (const auto& row : rows) {
        host.dispatch(effSetProgram, 0, 2);
        rename(row.given);
        const std::string stored = std::string(row.given).substr(0, 23);
        EXPECT_EQ(ask(effGetProgramName), CanaryBuffer::bounded(row.shown, std::strlen(row.shown))) << row.given;
        EXPECT_EQ(ask(effGetProgramNameIndexed, 2), CanaryBuffer::bounded(stored, stored.size())) << row.given;
        EXPECT_EQ(ask(effGetProgramNameIndexed, 3), CanaryBuffer::bounded("Init", 4));
        host.dispatch(effSetProgram, 0, 3);
        EXPECT_EQ(ask(effGetProgramName), CanaryBuffer::bounded("Init 4", 6));
    }
}

TEST_F(DisplayTexts, NullTextWritesNothing) {
    rename(nullptr);
    for (VstInt32 opcode : {effGetProgramName, effGetParamLabel, effGetParamDisplay, effGetParamName,
                            effGetProgramNameIndexed, effGetEffectName, effGetVendorString, effGetProductString})
        host.dispatch(opcode, 0, 0, nullptr);
    EXPECT_EQ(ask(effGetProgramName), CanaryBuffer::bounded("Init 1", 6));
}

}  // namespace
