// What hosts and plug-in validators expect at the binary interface:
// instances come and go cleanly and share nothing, the output does not
// depend on how the host cuts the stream into blocks, on its sample rate or
// on suspend and resume, every parameter shows a bounded text over its whole
// range, program changes mid-stream do only what they should, sessions
// repeat to the last bit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>

#include "player/built_plugin.h"
#include "tests/support/stream.h"
#include "tests/support/text_probe.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kLeave = kNaN;

// A busy "MANUAL" setting: short steps (tempo 1 gives 11025 frames), eight
// amplitude and five filter starts per step, every envelope stage in use.
constexpr Settings kBusyManual = {{0.6f, 0.3f, 0.4f, 0.1f, 0.5f, 0.7f, 0.2f, 0.5f, 0.05f, 0.3f, kManual, 1.0f}};

// Eight different settings, one per instance, across all three modes.
constexpr Settings kEightSettings[8] = {
    {{kLeave, kLeave, kLeave, kLeave, kLeave, kLeave, kLeave, kLeave, kLeave, kLeave, kLeave, kLeave}},
    kBusyManual,
    {{kLeave, kLeave, kLeave, kLeave, kLeave, kLeave, kLeave, kLeave, kLeave, kLeave, kRandom, 1.0f}},
    {{kLeave, kLeave, kLeave, kLeave, kLeave, kLeave, kLeave, kLeave, kLeave, kLeave, kAuto, 1.0f}},
    {{1.0f, 1.0f, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, kManual, 0.0f}},
    {{0.1f, 0.0f, 0.0f, 0.0f, 0.0f, 0.05f, 0.0f, 0.0f, 0.0f, 0.0f, kManual, 0.24f}},
    {{kLeave, kLeave, kLeave, kLeave, kLeave, kLeave, kLeave, kLeave, kLeave, kLeave, kRandom, 0.5f}},
    {{kLeave, kLeave, kLeave, kLeave, kLeave, kLeave, kLeave, kLeave, kLeave, kLeave, kAuto, 0.7f}},
};

std::unique_ptr<TestHost> openWith(const Settings& settings) {
    auto host = std::make_unique<TestHost>();
    if (host->open() == nullptr) return nullptr;
    settings.applyTo(*host);
    return host;
}

// ---- instances ---------------------------------------------------------------

TEST(Instances, AThousandCreatedAndClosed) {
    // Under LeakSanitizer (the sanitizer run) anything an instance fails to
    // release is reported when the test program ends.
    for (int i = 0; i < 1000; ++i) {
        TestHost host;
        AEffect* effect = host.open();
        ASSERT_NE(effect, nullptr) << "instance " << i;
        // Each starts afresh, whatever the previous one went through.
        ASSERT_EQ(bitsOf(host.getParameter(pTempo)), bitsOf(kInitialValues[pTempo])) << "instance " << i;
        ASSERT_EQ(host.dispatch(effGetProgram), 0) << "instance " << i;
        host.dispatch(effOpen);
        host.setParameter(pRndSw, (i % 3) * 0.5f);
        host.setParameter(pTempo, 1.0f);
        char name[] = "Touched";
        host.dispatch(effSetProgramName, 0, 0, name);
        host.dispatch(effMainsChanged, 0, 1);
        StereoBuffer block = testSignal(64, i);
        host.processAt(11000.0 + i, block);
        host.processAt(11064.0 + i, block);
        host.dispatch(effMainsChanged, 0, 0);
        ASSERT_EQ(host.close(), 1) << "instance " << i;
    }
}

TEST(Instances, NullCallbackGetsNoEffect) {
    const PluginEntry entry = quillbeatLibrary().entry("VSTPluginMain");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry(nullptr), nullptr);
}

TEST(Instances, EightInterleavedEqualEachAlone) {
    constexpr int kFrames = 30000;
    // Blocks of a size that shares no factor with the step lengths.
    const BlockSizes sizes = fixedBlocks(331);
    std::vector<std::unique_ptr<TestHost>> hosts;
    for (const Settings& settings : kEightSettings) {
        hosts.push_back(openWith(settings));
        ASSERT_NE(hosts.back(), nullptr);
    }
    // All eight advance together, one block each in turn, each with its own
    // signal and start.
    std::vector<Render> together(8, Render{std::vector<float>(kFrames), std::vector<float>(kFrames)});
    std::vector<StereoBuffer> inputs;
    for (int k = 0; k < 8; ++k) inputs.push_back(testSignal(kFrames, k + 1));
    for (int done = 0; done < kFrames; done += 331) {
        const int size = std::min(331, kFrames - done);
        for (int k = 0; k < 8; ++k) {
            StereoBuffer buffer(size);
            std::copy_n(inputs[k].left.begin() + done, size, buffer.left.begin());
            std::copy_n(inputs[k].right.begin() + done, size, buffer.right.begin());
            hosts[k]->processAt(5000.0 * (k + 1) + done, buffer);
            std::copy_n(buffer.left.begin(), size, together[k].left.begin() + done);
            std::copy_n(buffer.right.begin(), size, together[k].right.begin() + done);
        }
    }
    for (int k = 0; k < 8; ++k) {
        auto alone = openWith(kEightSettings[k]);
        ASSERT_NE(alone, nullptr);
        const Render single = renderStream(*alone, kFrames, 5000.0 * (k + 1), sizes, {}, k + 1);
        EXPECT_TRUE(processed(single, k + 1)) << "instance " << k;
        EXPECT_EQ(firstDifference(together[k], single), "") << "instance " << k;
        for (int p = 0; p < 12; ++p)
            EXPECT_EQ(bitsOf(hosts[k]->getParameter(p)), bitsOf(alone->getParameter(p)))
                << "instance " << k << " parameter " << p;
    }
}

// ---- block sizes ----------------------------------------------------------------

// 0 stands for a size that changes with every block.
std::vector<int> blockSizesToTry() {
    std::vector<int> sizes;
    for (int size = 1; size <= 64; ++size) sizes.push_back(size);
    for (int size = 128; size <= 8192; size *= 2) sizes.push_back(size);
    sizes.push_back(0);
    return sizes;
}

BlockSizes cutFor(int size) {
    if (size != 0) return fixedBlocks(size);
    // Small and large, odd and even, one frame now and then.
    return [](int block) { return 1 + (block * 7919) % 1500; };
}

class BlockSize : public ::testing::TestWithParam<int> {
protected:
    static constexpr int kFrames = 36000;  // a little over three steps
    static constexpr double kStart = 1000.0;

    // The same stream as one block: what every cut must give.
    static const Render& reference() {
        static const Render render = [] {
            auto host = openWith(kBusyManual);
            return renderStream(*host, kFrames, kStart, fixedBlocks(kFrames));
        }();
        return render;
    }
};

TEST_P(BlockSize, OutputDoesNotDependOnHowTheStreamIsCut) {
    // In "MANUAL" nothing is drawn per block, so any cut of a stream whose
    // positions follow each other must give the very same samples.
    auto host = openWith(kBusyManual);
    ASSERT_NE(host, nullptr);
    const Render render = renderStream(*host, kFrames, kStart, cutFor(GetParam()));
    ASSERT_TRUE(processed(reference()));
    EXPECT_EQ(firstDifference(render, reference()), "");
}

INSTANTIATE_TEST_SUITE_P(Sizes, BlockSize, ::testing::ValuesIn(blockSizesToTry()),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return info.param == 0 ? std::string("Changing") : "Frames" + std::to_string(info.param);
                         });

// ---- sample rate, suspend and resume ---------------------------------------------------

constexpr int kSessionFrames = 40000;

TEST(SampleRate, EveryRateFrom8000To384000GivesTheSameAudio) {
    // The step clock counts with the rate the effect was built with; the rate
    // a host announces changes nothing in the audio, before the stream or in
    // the middle of it.
    auto plain = openWith(kBusyManual);
    const Render reference = renderStream(*plain, kSessionFrames, 2000.0, fixedBlocks(512));
    ASSERT_TRUE(processed(reference));
    for (float rate : {8000.0f, 11025.0f, 16000.0f, 22050.0f, 32000.0f, 44100.0f, 48000.0f, 88200.0f, 96000.0f,
                       176400.0f, 192000.0f, 352800.0f, 384000.0f}) {
        auto host = openWith(kBusyManual);
        ASSERT_NE(host, nullptr);
        host->dispatch(effSetSampleRate, 0, 0, nullptr, rate);
        host->dispatch(effSetBlockSize, 0, 512);
        host->dispatch(effMainsChanged, 0, 1);
        const Render render = renderStream(*host, kSessionFrames, 2000.0, fixedBlocks(512), [&](int block, int) {
            if (block == 40) {
                host->dispatch(effMainsChanged, 0, 0);
                host->dispatch(effSetSampleRate, 0, 0, nullptr, 384000.0f - rate + 8000.0f);
                host->dispatch(effMainsChanged, 0, 1);
            }
        });
        EXPECT_EQ(firstDifference(render, reference), "") << "rate " << rate;
    }
}

TEST(SuspendResume, InTheMiddleOfAStreamChangesNothing) {
    for (const Settings& settings : {kBusyManual, kEightSettings[2], kEightSettings[3]}) {
        auto plain = openWith(settings);
        auto interrupted = openWith(settings);
        ASSERT_NE(plain, nullptr);
        ASSERT_NE(interrupted, nullptr);
        const Render reference = renderStream(*plain, kSessionFrames, 2000.0, fixedBlocks(512));
        ASSERT_TRUE(processed(reference));
        const Render render = renderStream(*interrupted, kSessionFrames, 2000.0, fixedBlocks(512),
                                           [&](int block, int) {
                                               if (block % 9 != 4) return;
                                               interrupted->dispatch(effStopProcess);
                                               interrupted->dispatch(effMainsChanged, 0, 0);
                                               interrupted->dispatch(effMainsChanged, 0, 1);
                                               interrupted->dispatch(effStartProcess);
                                           });
        EXPECT_EQ(firstDifference(render, reference), "") << "mode " << settings.values[pRndSw];
    }
}

// ---- parameter texts -----------------------------------------------------------------

enum class TextKind { Number, Count, Mode, Bpm };
constexpr TextKind kTextKinds[12] = {TextKind::Number, TextKind::Number, TextKind::Number, TextKind::Number,
                                     TextKind::Count,  TextKind::Number, TextKind::Number, TextKind::Number,
                                     TextKind::Number, TextKind::Count,  TextKind::Mode,   TextKind::Bpm};

bool printable(const std::string& text) {
    for (unsigned char c : text)
        if (!std::isprint(c)) return false;
    return true;
}

// Where a value text puts its value on a scale that must not fall as the
// parameter rises.
double rank(TextKind kind, const std::string& text) {
    switch (kind) {
        case TextKind::Mode: return text == "MANUAL" ? 0 : text == "RANDOM" ? 1 : text == "AUTO" ? 2 : -1;
        default: return std::strtod(text.c_str(), nullptr);
    }
}

TEST(ParameterSweep, EveryParameterOver101StepsShowsABoundedText) {
    TestHost host;
    ASSERT_NE(host.open(), nullptr);
    TextProbe probe;
    for (int p = 0; p < 12; ++p) {
        probe.request(host, effGetParamName, p);
        const std::string name = probe.text();
        double previous = -1e9;
        for (int k = 0; k <= 100; ++k) {
            const float value = static_cast<float>(k) / 100.0f;
            host.setParameter(p, value);
            ASSERT_EQ(bitsOf(host.getParameter(p)), bitsOf(value)) << "parameter " << p << " step " << k;

            probe.request(host, effGetParamDisplay, p);
            ASSERT_TRUE(probe.boundedTo(9)) << "parameter " << p << " step " << k;
            const std::string text = probe.text();
            EXPECT_FALSE(text.empty()) << "parameter " << p << " step " << k;
            EXPECT_TRUE(printable(text)) << "parameter " << p << " step " << k;
            const TextKind kind = kTextKinds[p];
            const double shown = rank(kind, text);
            EXPECT_GE(shown, previous) << "parameter " << p << " step " << k << ": " << text;
            previous = shown;
            if (kind == TextKind::Number) {
                // Six decimals, cut rather than rounded.
                EXPECT_LE(shown, value) << text;
                EXPECT_LT(value - shown, 1e-5) << text;
            }
            if (kind == TextKind::Count) {
                EXPECT_TRUE(shown >= 1 && shown <= 16) << text;
            } else if (kind == TextKind::Bpm) {
                EXPECT_TRUE(shown >= 120 && shown <= 480) << text;
            } else if (kind == TextKind::Mode) {
                EXPECT_GE(shown, 0) << text;
            }

            for (VstInt32 opcode : {effGetParamName, effGetParamLabel}) {
                probe.request(host, opcode, p);
                ASSERT_TRUE(probe.boundedTo(9)) << "parameter " << p << " opcode " << opcode;
            }
            probe.request(host, effGetParamName, p);
            EXPECT_EQ(probe.text(), name);
        }
    }
}

TEST(ParameterSweep, ValuesOutsideTheRangeAreStoredAndShownBounded) {
    TestHost host;
    ASSERT_NE(host.open(), nullptr);
    TextProbe probe;
    const float hostile[] = {-0.01f, 1.01f, -1.0f, 2.0f, 16.0f, 1e7f, -1e6f, 1e9f, -1e9f, 3e38f, -3e38f,
                             kInf, -kInf, kNaN, std::numeric_limits<float>::denorm_min(), -0.0f};
    for (int p = 0; p < 12; ++p) {
        for (float value : hostile) {
            host.setParameter(p, value);
            ASSERT_EQ(bitsOf(host.getParameter(p)), bitsOf(value)) << "parameter " << p << " value " << value;
            probe.request(host, effGetParamDisplay, p);
            EXPECT_TRUE(probe.boundedTo(9)) << "parameter " << p << " value " << value;
            EXPECT_TRUE(printable(probe.text())) << "parameter " << p << " value " << value;
        }
    }
}

// ---- programs while processing ---------------------------------------------------------

TEST(Programs, ChangesWhileProcessingDoOnlyWhatAProgramChangeDoes) {
    // A program change sets the ten envelope values and nothing else: the
    // same stream with those ten values set by hand instead is the same.
    auto changing = openWith(kBusyManual);
    auto byHand = openWith(kBusyManual);
    ASSERT_NE(changing, nullptr);
    ASSERT_NE(byHand, nullptr);
    auto every = [](int block) { return block % 11 == 5; };
    const Render withPrograms = renderStream(*changing, kSessionFrames, 3000.0, fixedBlocks(300), [&](int block, int) {
        kBusyManual.applyTo(*changing);
        if (!every(block)) return;
        const int program = (block * 5) % 16;
        changing->dispatch(effSetProgram, 0, program);
        EXPECT_EQ(changing->dispatch(effGetProgram), program);
    });
    const Render withValues = renderStream(*byHand, kSessionFrames, 3000.0, fixedBlocks(300), [&](int block, int) {
        kBusyManual.applyTo(*byHand);
        if (!every(block)) return;
        for (int i = 0; i < 10; ++i) byHand->setParameter(i, kInitialValues[i]);
    });
    EXPECT_TRUE(processed(withValues));
    EXPECT_EQ(firstDifference(withPrograms, withValues), "");
}

TEST(Programs, ChangesAndRenamesDuringAutoKeepTheStreamFinite) {
    TestHost host;
    ASSERT_NE(host.open(), nullptr);
    host.setParameter(pTempo, 1.0f);
    int blocksWithChosenValues = 0;
    int current = 0;
    const Render render = renderStream(host, kSessionFrames, 3000.0, fixedBlocks(256), [&](int block, int) {
        // "AUTO" goes on choosing between the program changes.
        for (int i = 0; i < 10; ++i)
            if (host.getParameter(i) != kInitialValues[i]) {
                ++blocksWithChosenValues;
                break;
            }
        if (block % 4 != 0) return;
        const int program = block % 17;
        host.dispatch(effSetProgram, 0, program);
        if (program < 16) current = program;  // 16 is refused
        char name[] = "Live";
        if (block % 3 == 0) host.dispatch(effSetProgramName, 0, 0, name);
        EXPECT_EQ(host.dispatch(effGetProgram), current) << block;
    });
    for (std::size_t i = 0; i < render.left.size(); ++i)
        ASSERT_TRUE(std::isfinite(render.left[i]) && std::isfinite(render.right[i])) << i;
    EXPECT_GT(blocksWithChosenValues, 0);
}

// ---- repeatability -----------------------------------------------------------------------

// A session that does a bit of everything: all modes, automation, program
// changes and renames, standing and jumping positions, blocks without time
// information, suspend and resume.
Render eventfulSession() {
    TestHost host;
    if (host.open() == nullptr) return {};
    Render out;
    for (int block = 0; block < 300; ++block) {
        host.setParameter(pRndSw, (block / 40 % 3) * 0.5f);
        host.setParameter(pTempo, (block % 50) / 49.0f);
        if (block % 13 == 0) host.setParameter(block % 10, (block % 7) / 6.0f);
        if (block % 29 == 0) host.dispatch(effSetProgram, 0, block % 16);
        if (block % 31 == 0) host.dispatch(effMainsChanged, 0, block % 2);
        host.answerTimeInfo = block % 17 != 0;
        const double position = block % 23 == 0 ? 1e6 + block : 700.0 * block + (block % 19 == 0 ? 0 : 5);
        StereoBuffer buffer = testSignal(1 + block * 37 % 700, block);
        host.processAt(position, buffer);
        out.left.insert(out.left.end(), buffer.left.begin(), buffer.left.end());
        out.right.insert(out.right.end(), buffer.right.begin(), buffer.right.end());
    }
    return out;
}

TEST(Repeatability, TheSameSessionTwiceIsBitIdentical) {
    const Render first = eventfulSession();
    ASSERT_FALSE(first.left.empty());
    // Another instance in between must not leave anything behind either.
    auto other = openWith(kEightSettings[3]);
    ASSERT_NE(other, nullptr);
    (void)renderStream(*other, kSessionFrames, 2000.0, fixedBlocks(512));
    const Render second = eventfulSession();
    EXPECT_EQ(firstDifference(first, second), "");
}

}  // namespace
