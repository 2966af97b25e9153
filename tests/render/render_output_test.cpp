// What the tool writes: the same samples as the same blocks processed by the
// effect inside this process, and every output format it offers.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "presets/factory_preset_files.h"
#include "tests/render/support/sound_files.h"
#include "tests/render/support/tool_runner.h"
#include "tests/support/test_host.h"
#include "tools/quillbeat-render/audio_file.h"
#include "tools/quillbeat-render/container_size.h"
#include "tools/quillbeat-render/demo_signal.h"
#include "tools/quillbeat-render/pending_file.h"
#include "tools/quillbeat-render/render_error.h"

namespace {

struct ParameterValue {
    const char* name;  // as the tool is given it
    VstInt32 index;    // as the in-process host sets it
    const char* value;
};

struct RenderSetup {
    int blockSize = 512;
    std::int64_t start = 0;
    bool timeInfo = true;
    std::optional<int> program;
    std::vector<ParameterValue> parameters;
    const FactoryPreset* preset = nullptr;  // given to the tool as a file
};

// Drives the effect as the tool promises to: open, rate, block size,
// program, preset, parameters, resume, start; then one block after another
// at the position the timeline has reached. A mono input feeds both inputs.
Sound processInProcess(const Sound& input, const RenderSetup& setup) {
    TestHost host;
    EXPECT_NE(host.open(), nullptr);
    host.answerTimeInfo = setup.timeInfo;
    host.timeInfo.sampleRate = input.sampleRate;
    host.dispatch(effOpen);
    host.dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(input.sampleRate));
    host.dispatch(effSetBlockSize, 0, setup.blockSize);
    if (setup.program) {
        host.dispatch(effBeginSetProgram);
        host.dispatch(effSetProgram, 0, *setup.program);
        host.dispatch(effEndSetProgram);
    }
    if (setup.preset) {
        const auto values = setup.preset->values.inParameterOrder();
        for (int i = 0; i < kParameterCount; ++i) host.setParameter(i, values[static_cast<std::size_t>(i)]);
    }
    for (const ParameterValue& p : setup.parameters) host.setParameter(p.index, static_cast<float>(std::stod(p.value)));
    host.dispatch(effMainsChanged, 0, 1);
    host.dispatch(effStartProcess);

    Sound output{2, input.sampleRate, 0, {}};
    for (std::int64_t done = 0; done < input.frames(); done += setup.blockSize) {
        const int frames = static_cast<int>(std::min<std::int64_t>(setup.blockSize, input.frames() - done));
        StereoBuffer in(frames);
        StereoBuffer out(frames);
        for (int i = 0; i < frames; ++i) {
            in.left[static_cast<std::size_t>(i)] = input.at(done + i, 0);
            in.right[static_cast<std::size_t>(i)] = input.at(done + i, input.channels > 1 ? 1 : 0);
        }
        host.processAt(static_cast<double>(setup.start + done), in, out);
        for (int i = 0; i < frames; ++i) {
            output.samples.push_back(out.left[static_cast<std::size_t>(i)]);
            output.samples.push_back(out.right[static_cast<std::size_t>(i)]);
        }
    }
    host.dispatch(effStopProcess);
    host.dispatch(effMainsChanged, 0, 0);
    return output;
}

// A preset goes last on the command line: the tool applies it before the
// parameters all the same.
std::vector<std::string> toolArguments(const RenderSetup& setup, const ScratchFolder& folder) {
    std::vector<std::string> arguments{"--block", std::to_string(setup.blockSize), "--start",
                                       std::to_string(setup.start)};
    if (!setup.timeInfo) arguments.push_back("--no-time-info");
    if (setup.program) arguments.insert(arguments.end(), {"--program", std::to_string(*setup.program)});
    for (const ParameterValue& p : setup.parameters) {
        arguments.insert(arguments.end(), {"--param", std::string(p.name) + "=" + p.value});
    }
    if (setup.preset) {
        const std::string file = folder.file(factoryPresetFileName(*setup.preset));
        writeFxpFile(file, factoryPresetFile(*setup.preset));
        arguments.insert(arguments.end(), {"--preset", file});
    }
    return arguments;
}

void expectSameBits(const Sound& tool, const Sound& reference) {
    ASSERT_EQ(tool.channels, reference.channels);
    ASSERT_EQ(tool.sampleRate, reference.sampleRate);
    ASSERT_EQ(tool.samples.size(), reference.samples.size());
    for (std::size_t i = 0; i < tool.samples.size(); ++i) {
        std::uint32_t a;
        std::uint32_t b;
        std::memcpy(&a, &tool.samples[i], sizeof a);
        std::memcpy(&b, &reference.samples[i], sizeof b);
        ASSERT_EQ(a, b) << "sample " << i / 2 << " channel " << i % 2;
    }
}

// The effect must have changed the sound, or the comparison proves little.
void expectAudibleEffect(const Sound& input, const Sound& output) {
    std::size_t changed = 0;
    for (std::int64_t i = 0; i < output.frames(); ++i) changed += output.at(i, 0) != input.at(i, 0) ? 1 : 0;
    EXPECT_GT(changed, static_cast<std::size_t>(output.frames() / 10));
    EXPECT_GT(rms(output.samples), 0.01);
}

struct FileCase {
    const char* name;
    int channels;
    int sampleRate;
    std::int64_t frames;
    RenderSetup setup;
};

TEST(RenderOutput, FileRendersMatchInProcessBlocksBitForBit) {
    const FileCase cases[] = {
        {"defaults (AUTO)", 2, 44100, 3 * 44100, {}},
        {"short last block, late start, RANDOM", 2, 48000, 100000, {333, 123456, true, std::nullopt,
                                                                  {{"RndSw", 10, "0.5"}, {"Tempo", 11, "0.8"}}}},
        {"mono input, program then parameters", 1, 44100, 90000, {1024, 0, true, 5, {{"vnotes", 4, "0.6"}}}},
        {"MANUAL with envelope, by index", 2, 22050, 50000,
         {200, 7, true, std::nullopt, {{"10", 10, "0"}, {"vD1", 1, "0.3"}, {"vnotes", 4, "0.4"}}}},
        {"no time information", 2, 44100, 60000, {256, 0, false, std::nullopt, {}}},
        {"program, preset, then parameters", 2, 44100, 90000,
         {512, 37800, true, 3, {{"vnotes", 4, "0.5"}, {"Tempo", 11, "0.3"}}, &kFactoryPresets.front()}},
    };
    for (const FileCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder folder;
        const Sound input = testSignal(c.channels, c.sampleRate, c.frames);
        writeSound(folder.file("in.wav"), input);
        std::vector<std::string> arguments = toolArguments(c.setup, folder);
        arguments.insert(arguments.end(), {folder.file("in.wav"), folder.file("out.wav")});
        const ToolRun run = runTool(arguments);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const Sound rendered = readSound(folder.file("out.wav"));
        EXPECT_EQ(rendered.format, SF_FORMAT_WAVEX | SF_FORMAT_FLOAT);
        expectSameBits(rendered, processInProcess(input, c.setup));
        if (c.channels == 2) expectAudibleEffect(input, rendered);
    }
}

// Each factory preset, written as a file and read back, renders as its
// twelve values given one by one do.
TEST(RenderOutput, EveryFactoryPresetRendersAsItsValues) {
    ScratchFolder folder;
    writeSound(folder.file("in.wav"), testSignal(2, 44100, 44100));
    for (const FactoryPreset& preset : kFactoryPresets) {
        SCOPED_TRACE(std::string(preset.slug));
        const std::string file = folder.file(factoryPresetFileName(preset));
        writeFxpFile(file, factoryPresetFile(preset));
        const FxpPreset back = readFxpFile(file);
        const auto values = preset.values.inParameterOrder();
        EXPECT_EQ(back.name, preset.name);
        EXPECT_EQ(back.values, std::vector<float>(values.begin(), values.end()));

        std::vector<std::string> byValues{"--start", "5292000", folder.file("in.wav"), folder.file("values.wav")};
        for (int i = 0; i < kParameterCount; ++i) {
            char text[32];
            const float value = values[static_cast<std::size_t>(i)];
            *std::to_chars(text, text + sizeof text - 1, value).ptr = '\0';
            ASSERT_EQ(static_cast<float>(std::stod(text)), value) << text;
            byValues.insert(byValues.begin(), {"--param", std::to_string(i) + "=" + text});
        }
        const ToolRun fromValues = runTool(byValues);
        ASSERT_EQ(fromValues.exitCode, 0) << fromValues.err;
        const ToolRun fromFile =
            runTool({"--start", "5292000", "--preset", file, folder.file("in.wav"), folder.file("preset.wav")});
        ASSERT_EQ(fromFile.exitCode, 0) << fromFile.err;
        expectSameBits(readSound(folder.file("preset.wav")), readSound(folder.file("values.wav")));
    }
}

TEST(RenderOutput, DemoRenderMatchesInProcessBlocksBitForBit) {
    ScratchFolder folder;
    const ToolRun run = runTool({"--seconds", "2.5", "--param", "RndSw=0.5", folder.file("demo.wav")});
    ASSERT_EQ(run.exitCode, 0) << run.err;

    DemoSignal demo(2.5, 2);
    Sound input{2, 44100, 0, {}};
    const std::int64_t frames = demo.frames().value_or(0);
    std::vector<float> left(static_cast<std::size_t>(frames));
    std::vector<float> right(left.size());
    float* channels[] = {left.data(), right.data()};
    ASSERT_EQ(demo.read(channels, static_cast<int>(frames)), frames);
    for (std::size_t i = 0; i < left.size(); ++i) input.samples.insert(input.samples.end(), {left[i], right[i]});

    const Sound rendered = readSound(folder.file("demo.wav"));
    EXPECT_EQ(rendered.frames(), 110250);
    expectSameBits(rendered, processInProcess(input, {512, 0, true, std::nullopt, {{"RndSw", 10, "0.5"}}}));
    expectAudibleEffect(input, rendered);
}

struct FormatCase {
    const char* file;
    std::vector<std::string> options;
    int format;
    double tolerance;  // largest difference from the input; negative: exact
};

TEST(RenderOutput, FormatFollowsTheExtension) {
    const FormatCase cases[] = {
        {"out.wav", {}, SF_FORMAT_WAVEX | SF_FORMAT_FLOAT, -1},
        {"out.WAV", {"--bits", "16"}, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2.0 / 32768},
        {"out.wav", {"--bits", "24"}, SF_FORMAT_WAV | SF_FORMAT_PCM_24, 2.0 / 8388608},
        {"out.aiff", {}, SF_FORMAT_AIFF | SF_FORMAT_FLOAT, -1},
        {"out.aif", {"--bits=16"}, SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 2.0 / 32768},
        {"out.flac", {}, SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 2.0 / 8388608},
        {"out.flac", {"--bits", "16"}, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2.0 / 32768},
        {"out.ogg", {}, SF_FORMAT_OGG | SF_FORMAT_VORBIS, 0.1},
    };
    ScratchFolder folder;
    const Sound input = testSignal(2, 48000, 24000);
    writeSound(folder.file("in.wav"), input);
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(c.file);
        std::vector<std::string> arguments{"--plugin", fakePlugin("fake_gain")};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        arguments.insert(arguments.end(), {folder.file("in.wav"), folder.file(c.file)});
        const ToolRun run = runTool(arguments);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const Sound output = readSound(folder.file(c.file));
        EXPECT_EQ(output.format, c.format);
        EXPECT_EQ(output.channels, 2);
        EXPECT_EQ(output.sampleRate, 48000);
        ASSERT_EQ(output.frames(), input.frames());
        if (c.tolerance < 0) {
            EXPECT_EQ(output.samples, input.samples);
        } else if (c.format == (SF_FORMAT_OGG | SF_FORMAT_VORBIS)) {
            // Lossy: the level survives, the samples do not.
            EXPECT_NEAR(rms(output.samples), rms(input.samples), c.tolerance * rms(input.samples));
        } else {
            for (std::size_t i = 0; i < input.samples.size(); ++i) {
                ASSERT_NEAR(output.samples[i], input.samples[i], c.tolerance) << "sample " << i;
            }
        }
    }
}

// WAV and AIFF count bytes in 32 bits. The choice is made from the frames
// to come: a WAV that would pass 4 GiB, or whose length is unknown, becomes
// RF64; an AIFF known to be too long is refused, one of unknown length is
// stopped at the limit.
TEST(RenderOutput, ContainerFollowsTheLengthOfTheRender) {
    constexpr std::int64_t kLimitBytes = 0xFFFFFFFFLL - 64 * 1024;
    constexpr int kWavFloat = SF_FORMAT_WAVEX | SF_FORMAT_FLOAT;
    constexpr int kWav16 = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    constexpr int kWav24 = SF_FORMAT_WAV | SF_FORMAT_PCM_24;
    constexpr int kAiffFloat = SF_FORMAT_AIFF | SF_FORMAT_FLOAT;
    struct Case {
        int format;
        int channels;
        std::optional<std::int64_t> frames;
        ContainerPlan plan;
        int written;
        std::optional<std::int64_t> maxFrames;
    };
    const std::int64_t stereoFloat = kLimitBytes / 8;
    const Case cases[] = {
        {kWavFloat, 2, 441000, ContainerPlan::AsAsked, kWavFloat, stereoFloat},
        {kWavFloat, 2, stereoFloat, ContainerPlan::AsAsked, kWavFloat, stereoFloat},
        {kWavFloat, 2, stereoFloat + 1, ContainerPlan::Rf64, SF_FORMAT_RF64 | SF_FORMAT_FLOAT, std::nullopt},
        // 100 minutes at 96 kHz: 4.6 GB of stereo float.
        {kWavFloat, 2, 576000000, ContainerPlan::Rf64, SF_FORMAT_RF64 | SF_FORMAT_FLOAT, std::nullopt},
        {kWavFloat, 2, std::nullopt, ContainerPlan::Rf64, SF_FORMAT_RF64 | SF_FORMAT_FLOAT, std::nullopt},
        // Fewer bytes a sample, more frames; fewer channels, more.
        {kWav16, 2, 576000000, ContainerPlan::AsAsked, kWav16, kLimitBytes / 4},
        {kWav24, 2, kLimitBytes / 6, ContainerPlan::AsAsked, kWav24, kLimitBytes / 6},
        {kWav24, 2, kLimitBytes / 6 + 1, ContainerPlan::Rf64, SF_FORMAT_RF64 | SF_FORMAT_PCM_24, std::nullopt},
        {kAiffFloat, 1, kLimitBytes / 4, ContainerPlan::AsAsked, kAiffFloat, kLimitBytes / 4},
        {kAiffFloat, 2, stereoFloat + 1, ContainerPlan::TooLarge, kAiffFloat, stereoFloat},
        {kAiffFloat, 2, std::nullopt, ContainerPlan::AsAsked, kAiffFloat, stereoFloat},
        // FLAC has no 32-bit size to outgrow.
        {SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 2, 576000000, ContainerPlan::AsAsked, SF_FORMAT_FLAC | SF_FORMAT_PCM_24,
         std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.format << std::dec << ", " << c.channels << " channels, "
                                        << (c.frames ? std::to_string(*c.frames) : "unknown") << " frames");
        const ContainerChoice choice = chooseContainer(c.format, c.channels, c.frames);
        EXPECT_EQ(choice.plan, c.plan);
        EXPECT_EQ(choice.sndfileFormat, c.written);
        EXPECT_EQ(choice.maxFrames, c.maxFrames);
    }
}

TEST(RenderOutput, WriterStopsAtItsContainersLimitAndLeavesNothing) {
    ScratchFolder folder;
    {
        PendingFile file(folder.file("out.aiff"));
        const OutputFormat format{SF_FORMAT_AIFF | SF_FORMAT_FLOAT, "AIFF 32-bit float"};
        SoundFileWriter writer(file.descriptor(), folder.file("out.aiff"), format,
                               {ContainerPlan::AsAsked, format.sndfileFormat, 100}, 2, 44100);
        const std::vector<float> silence(64);
        const float* channels[] = {silence.data(), silence.data()};
        writer.write(channels, 64);
        try {
            writer.write(channels, 64);
            ADD_FAILURE() << "wrote past the limit";
        } catch (const RenderError& error) {
            EXPECT_EQ(std::string(error.what()),
                      "cannot write " + folder.file("out.aiff") +
                          ": AIFF 32-bit float holds at most 100 frames of this render (4 GiB)");
        }
    }
    EXPECT_TRUE(folder.entries().empty());
}

TEST(RenderOutput, FloatOutputKeepsOverloadsAndIntegerOutputClipsThem) {
    ScratchFolder folder;
    Sound input{2, 44100, 0, {1.5f, -1.5f, 0.5f, -0.5f, 2.0f, 0.25f}};
    writeSound(folder.file("loud.wav"), input);
    const std::string plugin = fakePlugin("fake_gain");
    ASSERT_EQ(runTool({"--plugin", plugin, folder.file("loud.wav"), folder.file("float.wav")}).exitCode, 0);
    ASSERT_EQ(runTool({"--plugin", plugin, "--bits", "16", folder.file("loud.wav"), folder.file("int.wav")}).exitCode,
              0);
    EXPECT_EQ(readSound(folder.file("float.wav")).samples, input.samples);
    const Sound clipped = readSound(folder.file("int.wav"));
    ASSERT_EQ(clipped.samples.size(), input.samples.size());
    EXPECT_NEAR(clipped.samples[0], 1.0f, 1e-4);
    EXPECT_NEAR(clipped.samples[1], -1.0f, 1e-4);
    EXPECT_NEAR(clipped.samples[2], 0.5f, 1e-4);
    EXPECT_NEAR(clipped.samples[4], 1.0f, 1e-4);
}

}  // namespace
