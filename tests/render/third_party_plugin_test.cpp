// The host on plug-ins we did not write: Debian's dpf-plugins-vst effects
// (installed by scripts/install-deps.sh). The three-band equaliser splits the
// sound into bands that add up to the input again, so its gains have an
// effect that can be predicted.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/render/support/sound_files.h"
#include "tests/render/support/tool_runner.h"

namespace {

const std::string kEqualiser = "/usr/lib/vst/3BandEQ-vst.so";
const std::string kBitcrusher = "/usr/lib/vst/MaBitcrush-vst.so";

#define SKIP_WITHOUT(path)                                                                       \
    if (!std::filesystem::exists(path)) GTEST_SKIP() << path << " is missing: install dpf-plugins-vst"

Sound sine(double frequency, int sampleRate, std::int64_t frames, double level) {
    Sound sound{2, sampleRate, 0, {}};
    for (std::int64_t i = 0; i < frames; ++i) {
        const auto value = static_cast<float>(level * std::sin(6.283185307179586 * frequency * i / sampleRate));
        sound.samples.insert(sound.samples.end(), {value, value});
    }
    return sound;
}

// RMS level change in decibels from `input` to the equaliser's output, over
// the second half of the sound so the filters have settled.
double gainThroughEqualiser(const Sound& input, const std::vector<std::string>& settings) {
    ScratchFolder folder;
    writeSound(folder.file("in.wav"), input);
    std::vector<std::string> arguments{"--plugin", kEqualiser};
    for (const std::string& setting : settings) arguments.insert(arguments.end(), {"--param", setting});
    arguments.insert(arguments.end(), {folder.file("in.wav"), folder.file("out.wav")});
    const ToolRun run = runTool(arguments);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const Sound output = readSound(folder.file("out.wav"));
    EXPECT_EQ(output.frames(), input.frames());
    const auto secondHalf = [](const Sound& s) {
        const auto middle = s.samples.begin() + static_cast<std::ptrdiff_t>(s.samples.size() / 2);
        return std::vector<float>(middle, s.samples.end());
    };
    return 20.0 * std::log10(rms(secondHalf(output)) / rms(secondHalf(input)));
}

TEST(ThirdPartyPlugin, EqualiserReportsItsInfo) {
    SKIP_WITHOUT(kEqualiser);
    const ToolRun run = runTool({"--info", "--plugin", kEqualiser});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (const char* line : {"Name:        3 Band EQ\n", "Vendor:      DISTRHO\n", "Product:     3BandEQ\n",
                             "Unique ID:   'D3EQ' (0x44334551)\n", "Inputs:      2\n", "Outputs:     2\n",
                             "Parameters:  6\n", "Programs:    1\n", "    0  Default\n"}) {
        EXPECT_NE(run.out.find(line), std::string::npos) << line << " is not in:\n" << run.out;
    }
    for (const char* parameter : {"Low", "Mid", "High", "Master"}) {
        EXPECT_NE(run.out.find("  " + std::string(parameter) + " "), std::string::npos) << parameter;
    }
    EXPECT_NE(run.out.find("dB"), std::string::npos);
}

TEST(ThirdPartyPlugin, EqualiserAtItsDefaultsPassesTheSoundThrough) {
    SKIP_WITHOUT(kEqualiser);
    ScratchFolder folder;
    const Sound input = testSignal(2, 44100, 44100);
    writeSound(folder.file("in.wav"), input);
    const ToolRun run = runTool({"--plugin", kEqualiser, folder.file("in.wav"), folder.file("out.wav")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Sound output = readSound(folder.file("out.wav"));
    ASSERT_EQ(output.samples.size(), input.samples.size());
    for (std::size_t i = 0; i < input.samples.size(); ++i) ASSERT_NEAR(output.samples[i], input.samples[i], 1e-5);
}

TEST(ThirdPartyPlugin, EqualiserMasterAtMinimumLowersEverythingBy24Decibels) {
    SKIP_WITHOUT(kEqualiser);
    EXPECT_NEAR(gainThroughEqualiser(testSignal(2, 44100, 44100), {"Master=0"}), -24.0, 0.1);
}

TEST(ThirdPartyPlugin, EqualiserLowBandCutsBassAndSparesTreble) {
    SKIP_WITHOUT(kEqualiser);
    // The band edge is a gentle filter at 220 Hz, so 60 Hz keeps a little.
    EXPECT_LT(gainThroughEqualiser(sine(60.0, 44100, 44100, 0.5), {"Low=0"}), -8.0);
    EXPECT_GT(gainThroughEqualiser(sine(8000.0, 44100, 44100, 0.5), {"Low=0"}), -1.0);
}

TEST(ThirdPartyPlugin, OneInputEffectTakesTheDemoInMonoAndRefusesStereo) {
    SKIP_WITHOUT(kBitcrusher);
    ScratchFolder folder;
    const ToolRun run = runTool({"--plugin", kBitcrusher, "--seconds", "1", folder.file("out.wav")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Sound output = readSound(folder.file("out.wav"));
    EXPECT_EQ(output.channels, 2);
    EXPECT_EQ(output.frames(), 44100);
    EXPECT_GT(rms(output.samples), 0.01);

    writeSound(folder.file("stereo.wav"), testSignal(2, 44100, 1000));
    const ToolRun refused = runTool({"--plugin", kBitcrusher, folder.file("stereo.wav"), folder.file("no.wav")});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.oneLineError());
    EXPECT_FALSE(std::filesystem::exists(folder.file("no.wav")));
}

}  // namespace
