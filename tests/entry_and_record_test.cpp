// The plug-in as a host first meets it: the exported entry, the record it
// returns, its fixed identity answer, the close request and the process
// functions it does not use. Its fields: framework_class_test.cpp.
#include <gtest/gtest.h>

#include "tests/support/test_host.h"

namespace {

TEST(EntryPoint, HostWithoutVersionGetsNothingAndIsAskedOnce) {
    TestHost host;
    host.versionAnswer = 0;
    EXPECT_EQ(host.open(), nullptr);
    const auto calls = host.calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].effect, nullptr);
    EXPECT_EQ(calls[0].opcode, audioMasterVersion);
    EXPECT_EQ(calls[0].index, 0);
    EXPECT_EQ(calls[0].value, 0);
    EXPECT_EQ(calls[0].ptr, nullptr);
    EXPECT_EQ(calls[0].opt, 0.0f);
}

TEST(EntryPoint, BothEntryNamesCreateIndependentEffects) {
    TestHost first;
    TestHost second;
    AEffect* a = first.open("VSTPluginMain");
    AEffect* b = second.open("main");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    EXPECT_NE(a->object, b->object);
    // Independent state: a parameter set on one is not seen by the other.
    first.setParameter(3, 0.75f);
    EXPECT_EQ(second.getParameter(3), 0.0f);
    // Each effect's time request reaches the host that opened it.
    StereoBuffer block(1);
    first.processAt(0.0, block);
    EXPECT_EQ(first.callCount(audioMasterGetTime), 1u);
    EXPECT_EQ(second.callCount(audioMasterGetTime), 0u);
}

TEST(EffectRecord, IdentifyRequestAnswersTheFixedCode) {
    TestHost host;
    ASSERT_NE(host.open(), nullptr);
    EXPECT_EQ(host.dispatch(effIdentify), 0x4E764566);
}

TEST(EffectRecord, CloseAnswersOneAndMakesNoHostCall) {
    TestHost host;
    ASSERT_NE(host.open(), nullptr);
    host.clearCalls();
    EXPECT_EQ(host.close(), 1);
    EXPECT_TRUE(host.calls().empty());
}

TEST(EffectRecord, OldAccumulatingProcessLeavesOutputsAlone) {
    TestHost host;
    AEffect* record = host.open();
    ASSERT_NE(record, nullptr);
    StereoBuffer input(16, 0.5f);
    StereoBuffer output(16, -3.0f);
    record->process(record, input.channels(), output.channels(), 16);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(output.left[i], -3.0f);
        EXPECT_EQ(output.right[i], -3.0f);
    }
}

TEST(EffectRecord, DoublePrecisionProcessLeavesOutputsAlone) {
    TestHost host;
    AEffect* record = host.open();
    ASSERT_NE(record, nullptr);
    std::vector<double> in(8, 0.25), outL(8, 7.0), outR(8, 7.0);
    double* inputs[2] = {in.data(), in.data()};
    double* outputs[2] = {outL.data(), outR.data()};
    record->processDoubleReplacing(record, inputs, outputs, 8);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(outL[i], 7.0);
        EXPECT_EQ(outR[i], 7.0);
    }
}

}  // namespace
