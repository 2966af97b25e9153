// Long randomised sessions rendered through the loaded plug-in and through the
// straightforward reference model of its audio path, compared bit for bit:
// every output sample and all twelve parameter values after every block.
//
// The sessions move, stand and jump (within and across steps, to negative
// positions and to the ends of the 32-bit position range), drop the time
// information, switch modes, change parameters and programs between blocks,
// use odd block sizes and now and then feed non-finite or subnormal samples.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <sstream>
#include <vector>

#include "tests/support/block_helpers.h"
#include "tests/support/reference_gate.h"

namespace {

// The session's own choices (not the effect's generator): splitmix64, so a
// seed gives the same session on every platform and standard library.
class SessionRandom {
public:
    explicit SessionRandom(std::uint64_t seed) : state(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15u);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        return z ^ (z >> 31);
    }
    // 0 to n - 1.
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
    int between(int low, int high) { return low + below(high - low + 1); }
    bool chance(double p) { return unit() < p; }
    // 0 to 1, 1 excluded, on the float grid.
    float unit() { return static_cast<float>(next() >> 40) * (1.0f / 16777216.0f); }
    template <typename T, std::size_t N>
    T pick(const T (&choices)[N]) {
        return choices[below(static_cast<int>(N))];
    }

private:
    std::uint64_t state;
};

// How wild a session is.
struct SessionPlan {
    std::uint64_t seed;
    int blocks;
    // Parameter values outside 0 to 1 (the effect stores what it is sent).
    bool valuesOutsideTheRange;
};

// Values that sit on the edges of the arithmetic: the ends of the range,
// negative zero, the tempo and note values of the tables, 20 x 0.01 rounded
// one step below 0.2, and values close to a switch boundary.
constexpr float kEdgeValues[] = {0.0f, 1.0f, -0.0f, 0.5f, 0.24f, 0.0666666f, 0.06666667f, 0.2f,
                                 0.19999998807907104f, 0.74f, 1e-4f, 0.999999f, 0.3448276f, 0.6896552f};
constexpr float kOutsideValues[] = {-0.5f, 1.5f, 7.0f, -3.0f, 1e30f, -1e30f, 1e-40f,
                                    std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                                    std::numeric_limits<float>::quiet_NaN()};
constexpr float kSwitchValues[] = {kManual, kRandom, kAuto, 0.3f, 0.68f, 0.69f, 0.35f};
constexpr float kOddSamples[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                                 -std::numeric_limits<float>::infinity(), std::numeric_limits<float>::denorm_min(),
                                 -std::numeric_limits<float>::min() / 4, -0.0f, 1e30f, -3e38f};

class Session {
public:
    explicit Session(const SessionPlan& plan) : plan(plan), random(plan.seed) {}

    ::testing::AssertionResult run() {
        if (host.open() == nullptr) return ::testing::AssertionFailure() << "the plug-in did not open";
        for (block = 0; block < plan.blocks; ++block) {
            changeParametersAndPrograms();
            const int frames = chooseFrames();
            const std::optional<double> position = choosePosition();
            StereoBuffer input = chooseInput(frames > 0 ? frames : 0);
            if (auto result = renderAndCompare(position, input, frames); !result) return result;
            if (block % 256 == 0) host.clearCalls();
        }
        return ::testing::AssertionSuccess();
    }

    // What a session covered, so a change of the plan that stops reaching a
    // case shows.
    int processedFrames = 0;
    int standingBlocks = 0;
    int blocksWithoutTime = 0;
    int modeChanges = 0;

private:
    void setBoth(int index, float value) {
        host.setParameter(index, value);
        reference.setParameter(index, value);
    }

    float parameterValue(int index) {
        if (plan.valuesOutsideTheRange && random.chance(0.3)) return random.pick(kOutsideValues);
        if (index == pRndSw) return random.chance(0.7) ? random.pick(kSwitchValues) : random.unit();
        if (random.chance(0.3)) return random.pick(kEdgeValues);
        // Small rates are common in real settings and keep stages long.
        return random.chance(0.3) ? random.unit() * 0.2f : random.unit();
    }

    void changeParametersAndPrograms() {
        if (random.chance(0.2)) {
            const int count = random.between(1, 3);
            for (int i = 0; i < count; ++i) {
                const int index = random.chance(0.15) ? random.pick({pRndSw, pTempo}) : random.below(12);
                modeChanges += index == pRndSw ? 1 : 0;
                setBoth(index, parameterValue(index));
            }
        }
        if (random.chance(0.01)) {
            const int program = random.below(16);
            host.dispatch(effSetProgram, 0, program);
            reference.setProgram(program);
        }
    }

    int chooseFrames() {
        const int kind = random.below(100);
        if (kind < 4) return 0;
        if (kind < 8) return 1;
        if (kind < 9) return -random.between(1, 7);
        if (kind < 12) return random.pick({64, 512, 4096});
        if (kind < 40) return random.between(2, 64);
        if (kind < 85) return random.between(65, 1024);
        return random.between(1025, 4096);
    }

    // The host's transport: mostly moving on by the previous block, sometimes
    // standing or jumping; positions are whole numbers or on the rounding
    // edges of .5.
    std::optional<double> choosePosition() {
        host.answerTimeInfo = true;
        const int kind = random.below(100);
        if (kind < 3) {
            host.answerTimeInfo = false;
            ++blocksWithoutTime;
            transport += previousFrames;
            return std::nullopt;
        }
        if (kind < 4) {
            host.timeInfo.samplePos = random.chance(0.5) ? std::numeric_limits<double>::quiet_NaN()
                                                         : std::numeric_limits<double>::infinity();
            transport += previousFrames;
            return host.timeInfo.samplePos;
        }
        if (kind < 72) {
            transport += previousFrames;
        } else if (kind < 82) {
            ++standingBlocks;
        } else if (kind < 90) {
            transport += random.between(-3000, 3000);
        } else if (kind < 96) {
            transport = random.between(-3000000, 3000000);
        } else {
            // Near and beyond the ends of the 32-bit position range.
            const double edge = random.chance(0.5) ? 2147483648.0 : -2147483648.0;
            transport = edge + random.between(-20000, 20000) + (random.chance(0.2) ? 4294967296.0 * 3 : 0.0);
        }
        const double fractions[] = {0.0, 0.0, 0.0, 0.5, -0.5, 0.49999997, -0.7, 0.25};
        host.timeInfo.samplePos = transport + random.pick(fractions);
        return host.timeInfo.samplePos;
    }

    // Runs of noise, silence and steady signal, with odd samples sprinkled in.
    StereoBuffer chooseInput(int frames) {
        if (--inputRunLeft <= 0) {
            inputKind = random.below(10);
            inputRunLeft = random.between(1, 40);
        }
        StereoBuffer buffer(frames);
        for (int i = 0; i < frames; ++i) {
            if (inputKind < 6) {
                buffer.left[i] = random.unit() * 2.0f - 1.0f;
                buffer.right[i] = random.unit() * 2.0f - 1.0f;
            } else if (inputKind < 9) {
                buffer.left[i] = buffer.right[i] = 0.0f;
            } else {
                buffer.left[i] = 0.75f;
                buffer.right[i] = -0.25f;
            }
        }
        if (frames > 0 && random.chance(0.05)) {
            const int count = random.between(1, 4);
            for (int k = 0; k < count; ++k) {
                float& sample = random.chance(0.5) ? buffer.left[random.below(frames)] : buffer.right[random.below(frames)];
                sample = random.pick(kOddSamples);
            }
        }
        return buffer;
    }

    ::testing::AssertionResult renderAndCompare(std::optional<double> position, StereoBuffer& input, int frames) {
        const bool standing = position && previousPosition && *position == *previousPosition;
        StereoBuffer expected(input.frames());
        reference.process(position, input.left.data(), input.right.data(), expected.left.data(),
                          expected.right.data(), frames);
        StereoBuffer actual = input;
        if (random.chance(0.5)) {
            float** channels = actual.channels();
            host.process(channels, channels, frames);
        } else {
            StereoBuffer output(input.frames(), 123.0f);
            host.process(input.channels(), output.channels(), frames);
            actual = output;
        }
        processedFrames += frames > 0 && !standing ? frames : 0;
        previousFrames = frames > 0 ? frames : 0;
        previousPosition = position;

        for (int i = 0; i < input.frames(); ++i) {
            for (int channel = 0; channel < 2; ++channel) {
                const float want = channel == 0 ? expected.left[i] : expected.right[i];
                const float got = channel == 0 ? actual.left[i] : actual.right[i];
                if (bitsOf(want) != bitsOf(got))
                    return ::testing::AssertionFailure() << where() << " frame " << i << " channel " << channel
                                                         << ": plug-in " << describe(got) << ", reference "
                                                         << describe(want);
            }
        }
        for (int index = 0; index < 12; ++index) {
            const float want = reference.getParameter(index);
            const float got = host.getParameter(index);
            if (bitsOf(want) != bitsOf(got))
                return ::testing::AssertionFailure() << where() << " parameter " << index << ": plug-in "
                                                     << describe(got) << ", reference " << describe(want);
        }
        return ::testing::AssertionSuccess();
    }

    static std::string describe(float value) {
        std::ostringstream text;
        text.precision(9);
        text << value << " (0x" << std::hex << bitsOf(value) << ")";
        return text.str();
    }

    std::string where() const {
        std::ostringstream text;
        text << "seed " << plan.seed << " block " << block << " (position "
             << (previousPosition ? std::to_string(*previousPosition) : std::string("none")) << ", "
             << previousFrames << " frames)";
        return text.str();
    }

    SessionPlan plan;
    SessionRandom random;
    TestHost host;
    ReferenceGate reference;
    int block = 0;
    double transport = 0.0;
    int previousFrames = 0;
    std::optional<double> previousPosition = 0.0;
    int inputKind = 0;
    int inputRunLeft = 0;
};

TEST(Differential, RandomisedSessionsMatchTheReferenceBitForBit) {
    for (std::uint64_t seed : {1u, 2u, 3u, 4u}) {
        Session session({seed, 8000, false});
        ASSERT_TRUE(session.run());
        // The sessions reach what they are meant to: many steps of audio,
        // standing blocks, blocks without time information, mode changes.
        EXPECT_GT(session.processedFrames, 2000000) << seed;
        EXPECT_GT(session.standingBlocks, 100) << seed;
        EXPECT_GT(session.blocksWithoutTime, 50) << seed;
        EXPECT_GT(session.modeChanges, 20) << seed;
    }
}

TEST(Differential, HostValuesOutsideTheRangeMatchTheReference) {
    for (std::uint64_t seed : {11u, 12u}) {
        Session session({seed, 3000, true});
        ASSERT_TRUE(session.run());
    }
}

}  // namespace
