// Values outside what the interface intends: parameter values beyond 0 to 1,
// host positions that are not numbers or do not fit 32 bits, frame counts of
// zero and below. The effect stores what it is given and stays defined; each
// case here behaves exactly like a named ordinary one.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/stream.h"
#include "tests/support/text_probe.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// "MANUAL" with short steps and several starts per step, so the note counts,
// rates and levels all show in the output.
constexpr Settings kBase = {{0.6f, 0.3f, 0.4f, 0.1f, 0.3f, 0.7f, 0.2f, 0.5f, 0.05f, 0.2f, kManual, 1.0f}};

constexpr int kFrames = 30000;

Render renderWith(int parameter, float value) {
    TestHost host;
    if (host.open() == nullptr) return {};
    kBase.applyTo(host);
    host.setParameter(parameter, value);
    return renderStream(host, kFrames, 1500.0, fixedBlocks(1000));
}

std::string displayOf(int parameter, float value) {
    TestHost host;
    if (host.open() == nullptr) return "";
    host.setParameter(parameter, value);
    TextProbe probe;
    probe.request(host, effGetParamDisplay, parameter);
    return probe.text();
}

struct Equivalence {
    int parameter;
    float hostile;
    float ordinary;
    bool sameText;  // the value text agrees too
    const char* why;
};

const Equivalence kEquivalences[] = {
    {pVNotes, -0.1f, 0.0f, true, "a trigger count below one counts as one"},
    {pVNotes, -5.0f, 0.0f, true, "a trigger count below one counts as one"},
    {pFNotes, -1e30f, 0.0f, true, "a trigger count below one counts as one"},
    {pVNotes, kNaN, 0.0f, true, "a count that is not a number counts as one"},
    {pVNotes, 1e10f, kInf, true, "a count too large for 32 bits stops at its top"},
    {pTempo, kNaN, 0.0f, true, "a tempo that is not a number is the slowest, 120 beats"},
    {pTempo, -0.24f, 0.24f, true, "the tempo enters squared"},
    {pTempo, 1e30f, kInf, true, "beats per minute too large for 32 bits stop at the top: one frame per step"},
    {pTempo, 100.0f, kInf, false, "both give steps of one frame"},
    {pRndSw, kNaN, kManual, true, "a switch that is not a number is MANUAL"},
    {pRndSw, -1.0f, kManual, true, "a switch below 0 is MANUAL"},
    {pRndSw, 1.2f, kManual, true, "a switch past AUTO is MANUAL"},
    {pRndSw, kInf, kManual, true, "a switch past AUTO is MANUAL"},
    {pVA, kNaN, 0.0f, false, "a rate that is not a number moves nothing"},
    {pVD2, kNaN, 0.0f, false, "a rate that is not a number moves nothing"},
    {pFD1, kNaN, 0.0f, false, "a rate that is not a number moves nothing"},
    {pVA, -0.5f, 0.5f, false, "a rate enters squared"},
};

TEST(HostileParameters, BehaveLikeTheirOrdinaryCounterparts) {
    for (const Equivalence& e : kEquivalences) {
        SCOPED_TRACE(std::string("parameter ") + std::to_string(e.parameter) + " " + std::to_string(e.hostile) +
                     ": " + e.why);
        const Render hostile = renderWith(e.parameter, e.hostile);
        const Render ordinary = renderWith(e.parameter, e.ordinary);
        EXPECT_TRUE(processed(ordinary));
        EXPECT_EQ(firstDifference(hostile, ordinary), "");
        if (e.sameText) {
            EXPECT_EQ(displayOf(e.parameter, e.hostile), displayOf(e.parameter, e.ordinary));
        }
    }
}

// ---- bad values, in every mode ---------------------------------------------------

// A value that the audio path must survive: in the input samples, or held in
// one parameter (set again before every block, so that in "RANDOM" and "AUTO"
// it stands until the next step's choice).
constexpr int kInput = -1;
struct BadValue {
    int where;  // kInput or a parameter
    float value;
};

std::vector<BadValue> badValues() {
    std::vector<BadValue> values;
    for (float sample : {kNaN, -kNaN, kInf, -kInf, std::numeric_limits<float>::denorm_min(),
                         -std::numeric_limits<float>::denorm_min(), 1e-39f, -1e-42f})
        values.push_back({kInput, sample});
    // Break levels and rates far outside 0 to 1 make the gain or the filter
    // coefficient huge or not a number.
    for (int parameter : {pVS, pFS, pVA, pFA, pVD1, pFD2})
        for (float value : {kInf, -kInf, kNaN, 3e38f, -3e38f, 1e20f}) values.push_back({parameter, value});
    return values;
}

TEST(BadValues, InEveryModeGiveZeroOrNormalOutputAndDoNoLastingHarm) {
    for (float mode : {kManual, kRandom, kAuto}) {
        for (const BadValue& bad : badValues()) {
            SCOPED_TRACE("mode " + std::to_string(mode) + ", " +
                         (bad.where == kInput ? std::string("input") : "parameter " + std::to_string(bad.where)) +
                         " " + std::to_string(bad.value));
            TestHost host;
            ASSERT_NE(host.open(), nullptr);
            kBase.applyTo(host);
            host.setParameter(pRndSw, mode);
            double position = 4000.0;
            for (int block = 0; block < 40; ++block) {
                StereoBuffer buffer = testSignal(512, block);
                // Half the blocks carry bad samples, some of them many in a row.
                if (bad.where != kInput) {
                    host.setParameter(bad.where, bad.value);
                } else if (block % 2 == 0) {
                    for (int i = block % 5; i < 512; i += (block % 4 == 0 ? 1 : 37))
                        (i % 2 ? buffer.left : buffer.right)[i] = bad.value;
                }
                const StereoBuffer input = buffer;
                host.processAt(position, buffer);
                position += 512;
                for (int i = 0; i < 512; ++i) {
                    for (auto [in, out] :
                         {std::pair{input.left[i], buffer.left[i]}, {input.right[i], buffer.right[i]}}) {
                        const int kind = std::fpclassify(out);
                        ASSERT_TRUE(kind == FP_ZERO || kind == FP_NORMAL) << "block " << block << " frame " << i;
                        // A sample that is not a number or infinite resets its
                        // channel's filter to +0.
                        if (!std::isfinite(in)) {
                            ASSERT_EQ(bitsOf(out), 0u) << "block " << block << " frame " << i;
                        }
                    }
                }
            }
            // Once the bad values stop, clean input is heard again: nothing
            // got stuck at silence or at a non-number.
            kBase.applyTo(host);
            StereoBuffer after = testSignal(4096, 99);
            host.processAt(position, after);
            bool heard = false;
            for (float sample : after.left) heard = heard || (sample != 0.0f && std::isfinite(sample));
            EXPECT_TRUE(heard);
        }
    }
}

// ---- host positions ------------------------------------------------------------

// A stream where block `odd` reports `position` instead of where it lies.
Render renderWithOddBlock(int odd, double position, bool timeInfo) {
    TestHost host;
    if (host.open() == nullptr) return {};
    kBase.applyTo(host);
    double next = 2500.0;
    Render out;
    for (int block = 0; block < 30; ++block) {
        StereoBuffer buffer = testSignal(700, block);
        host.answerTimeInfo = block != odd || timeInfo;
        host.processAt(block == odd ? position : next, buffer);
        next += 700;
        out.left.insert(out.left.end(), buffer.left.begin(), buffer.left.end());
        out.right.insert(out.right.end(), buffer.right.begin(), buffer.right.end());
    }
    return out;
}

TEST(HostilePositions, NonFinitePositionsAreTakenAsMissingTimeInformation) {
    // Without a usable position a block follows the previous call.
    const Render missing = renderWithOddBlock(12, 0.0, false);
    const Render following = renderWithOddBlock(12, 2500.0 + 12 * 700, true);
    EXPECT_EQ(firstDifference(missing, following), "");
    for (double position : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                            -std::numeric_limits<double>::infinity()}) {
        EXPECT_EQ(firstDifference(renderWithOddBlock(12, position, true), missing), "") << position;
    }
}

TEST(HostilePositions, PositionsBeyond32BitsWrapAroundIt) {
    const double wrap = 4294967296.0;
    TestHost reference;
    ASSERT_NE(reference.open(), nullptr);
    kBase.applyTo(reference);
    const Render plain = renderStream(reference, kFrames, 1500.0, fixedBlocks(999));
    ASSERT_TRUE(processed(plain));
    // A whole negative position rounds up by one (0.5 is added, then cut
    // toward zero), so a stream shifted below zero starts one frame earlier.
    for (double shift : {wrap, 5 * wrap, 256.0 * wrap, -wrap - 1, -3 * wrap - 1}) {
        TestHost host;
        ASSERT_NE(host.open(), nullptr);
        kBase.applyTo(host);
        const Render shifted = renderStream(host, kFrames, 1500.0 + shift, fixedBlocks(999));
        EXPECT_EQ(firstDifference(shifted, plain), "") << "shifted by " << shift;
    }
}

TEST(HostilePositions, StreamAcrossTheEndOfThe32BitRangeStaysFinite) {
    for (double start : {2147483647.0 - 20000.0, -2147483648.0 + 100.0, 4294967296.0 - 15000.0}) {
        TestHost host;
        ASSERT_NE(host.open(), nullptr);
        host.setParameter(pTempo, 1.0f);
        const Render render = renderStream(host, 40000, start, fixedBlocks(512));
        ASSERT_TRUE(processed(render)) << start;
        for (std::size_t i = 0; i < render.left.size(); ++i)
            ASSERT_TRUE(std::isfinite(render.left[i]) && std::isfinite(render.right[i])) << start << " " << i;
    }
}

// ---- frame counts ----------------------------------------------------------------

TEST(HostileFrameCounts, ZeroAndNegativeCountsTouchNoBuffer) {
    TestHost host;
    ASSERT_NE(host.open(), nullptr);
    float* none[2] = {nullptr, nullptr};
    for (VstInt32 frames : {0, -1, -512, std::numeric_limits<VstInt32>::min()}) {
        host.timeInfo.samplePos = 1000.0 - frames;
        host.process(none, none, frames);
    }
    // And the effect goes on as usual afterwards.
    StereoBuffer block = testSignal(256);
    host.processAt(50000.0, block);
    for (float sample : block.left) ASSERT_TRUE(std::isfinite(sample));
}

TEST(HostileFrameCounts, MissingBuffersAreNotTouched) {
    TestHost host;
    ASSERT_NE(host.open(), nullptr);
    std::vector<float> channel(64, 0.5f);
    float* none[2] = {nullptr, nullptr};
    float* half[2] = {channel.data(), nullptr};
    float* whole[2] = {channel.data(), channel.data()};
    const struct {
        float** inputs;
        float** outputs;
    } cases[] = {{nullptr, whole}, {whole, nullptr}, {none, whole}, {whole, none}, {half, whole}, {whole, half}};
    double position = 1000.0;
    for (const auto& c : cases) {
        host.timeInfo.samplePos = position;
        host.process(c.inputs, c.outputs, 64);
        position += 64;
    }
    for (float sample : channel) ASSERT_EQ(sample, 0.5f);
    // The blocks counted: a following block at the last position stands still.
    StereoBuffer block = testSignal(64);
    const StereoBuffer input = block;
    host.processAt(position - 64, block);
    EXPECT_EQ(block.left, input.left);
}

}  // namespace
