// Parameters and programs, seen through the record's parameter functions and
// the program requests.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tests/support/block_helpers.h"

namespace {

class EffectObject : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(host.open(), nullptr); }
    void expectInitialEnvelopeValues() {
        for (int i = 0; i < 10; ++i)
            EXPECT_EQ(bitsOf(host.getParameter(i)), bitsOf(kInitialValues[i])) << "parameter " << i;
    }
    TestHost host;
};

TEST_F(EffectObject, StartsWithInitialValuesAndProgramZero) {
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(bitsOf(host.getParameter(i)), bitsOf(kInitialValues[i])) << "parameter " << i;
    EXPECT_EQ(host.dispatch(effGetProgram), 0);
}

TEST_F(EffectObject, IndicesOutsideTheRangeAreIgnoredAndReadAsOne) {
    for (int index : {12, 13, -1, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()}) {
        host.setParameter(index, 0.3f);
        EXPECT_EQ(host.getParameter(index), 1.0f) << "index " << index;
    }
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(bitsOf(host.getParameter(i)), bitsOf(kInitialValues[i])) << "parameter " << i;
}

TEST_F(EffectObject, ValuesAreStoredUnclamped) {
    const float values[] = {1.7f, -0.5f, 1e30f, -std::numeric_limits<float>::infinity(),
                            std::numeric_limits<float>::denorm_min()};
    for (int index = 0; index < 12; ++index) {
        for (float value : values) {
            host.setParameter(index, value);
            EXPECT_EQ(host.getParameter(index), value) << "parameter " << index;
        }
    }
    host.setParameter(2, std::numeric_limits<float>::quiet_NaN());
    EXPECT_TRUE(std::isnan(host.getParameter(2)));
}

TEST_F(EffectObject, ProgramChangeRestoresEnvelopeValuesOnly) {
    for (int i = 0; i < 12; ++i) host.setParameter(i, 0.8f);
    host.dispatch(effSetProgram, 0, 3);
    EXPECT_EQ(host.dispatch(effGetProgram), 3);
    expectInitialEnvelopeValues();
    // The switch and the tempo keep what the host set.
    EXPECT_EQ(host.getParameter(10), 0.8f);
    EXPECT_EQ(host.getParameter(11), 0.8f);
}

TEST_F(EffectObject, BankHoldsNoEdits) {
    host.setParameter(1, 0.8f);
    host.dispatch(effSetProgram, 0, 5);
    host.setParameter(4, 0.9f);
    host.dispatch(effSetProgram, 0, 0);
    expectInitialEnvelopeValues();
    host.dispatch(effSetProgram, 0, 5);
    expectInitialEnvelopeValues();
}

TEST_F(EffectObject, ProgramNumbersOutsideTheBankChangeNothing) {
    host.dispatch(effSetProgram, 0, 7);
    host.setParameter(0, 0.4f);
    for (VstIntPtr program : {VstIntPtr{16}, VstIntPtr{100}, VstIntPtr{-1}, VstIntPtr{-100}}) {
        EXPECT_EQ(host.dispatch(effSetProgram, 0, program), 0);
        EXPECT_EQ(host.dispatch(effGetProgram), 7) << "program " << program;
        EXPECT_EQ(host.getParameter(0), 0.4f) << "program " << program;
    }
    host.dispatch(effSetProgram, 0, 15);
    EXPECT_EQ(host.dispatch(effGetProgram), 15);
}

}  // namespace
