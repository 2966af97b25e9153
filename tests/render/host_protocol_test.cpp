// What a plug-in sees of the host: the order of requests, the time record of
// every block, how inputs are fed, and where the plug-in is looked for. The
// fake plug-in writes all it sees to a log that these tests read.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "abi/vst2_abi.h"
#include "presets/fxp_file.h"
#include "tests/render/support/sound_files.h"
#include "tests/render/support/tool_runner.h"

namespace {

struct LoggedRender {
    ToolRun run;
    std::vector<std::string> log;
};

// Renders through a fake plug-in whose log goes into the scratch folder.
LoggedRender renderLogged(const ScratchFolder& folder, const std::string& plugin, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"--plugin", fakePlugin(plugin)});
    const std::string logPath = folder.file("plugin.log");
    LoggedRender result{runTool(ToolInvocation{arguments, {{"FAKE_PLUGIN_LOG", logPath}}, {}}), {}};
    std::istringstream lines(readWholeFile(logPath));
    for (std::string line; std::getline(lines, line);) result.log.push_back(line);
    return result;
}

// The log without the queries, which only read.
std::vector<std::string> stateChanges(const std::vector<std::string>& log) {
    const std::set<int> queries{effGetParamName, effGetParamLabel, effGetParamDisplay, effGetProgramName,
                                effGetProgramNameIndexed, effGetProgram, effGetEffectName, effGetVendorString,
                                effGetVendorVersion};
    std::vector<std::string> kept;
    for (const std::string& line : log) {
        int opcode = -1;
        if (std::sscanf(line.c_str(), "dispatch %d", &opcode) == 1 && queries.count(opcode) != 0) continue;
        kept.push_back(line);
    }
    return kept;
}

struct TimeRecord {
    int frames = 0;
    bool present = false;
    double samplePos = 0, sampleRate = 0, tempo = 0, ppqPos = 0, barStartPos = 0;
    int numerator = 0, denominator = 0, flags = 0;
};

std::vector<TimeRecord> timeRecords(const std::vector<std::string>& log) {
    std::vector<TimeRecord> records;
    for (const std::string& line : log) {
        TimeRecord r;
        if (std::sscanf(line.c_str(), "process %d time %lf %lf %lf %lf %lf %d %d %d", &r.frames, &r.samplePos,
                        &r.sampleRate, &r.tempo, &r.ppqPos, &r.barStartPos, &r.numerator, &r.denominator,
                        &r.flags) == 9) {
            r.present = true;
            records.push_back(r);
        } else if (std::sscanf(line.c_str(), "process %d time null", &r.frames) == 1) {
            records.push_back(r);
        }
    }
    return records;
}

TEST(HostProtocol, DrivesThePluginAsADawDoes) {
    ScratchFolder folder;
    writeSound(folder.file("in.wav"), testSignal(2, 48000, 250));
    const LoggedRender render = renderLogged(
        folder, "fake_gain",
        {"--block", "100", "--program", "1", "--param", "Gain=0.25", folder.file("in.wav"), folder.file("out.wav")});
    ASSERT_EQ(render.run.exitCode, 0) << render.run.err;
    const std::vector<std::string> expected{
        "version 2400",
        "dispatch 0 0 0 0",      // open
        "dispatch 10 0 0 48000", // sample rate: the file's
        "dispatch 11 0 100 0",   // largest block
        "dispatch 67 0 0 0",     // program: begin, set, end
        "dispatch 2 0 1 0",
        "dispatch 68 0 0 0",
        "set 0 0.25",            // parameters after the program
        "dispatch 12 0 1 0",     // resume
        "dispatch 71 0 0 0",     // start processing
    };
    const std::vector<std::string> changes = stateChanges(render.log);
    ASSERT_GE(changes.size(), expected.size() + 6);
    EXPECT_EQ(std::vector<std::string>(changes.begin(), changes.begin() + 10), expected);
    const std::vector<TimeRecord> blocks = timeRecords(render.log);
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[0].frames, 100);
    EXPECT_EQ(blocks[1].frames, 100);
    EXPECT_EQ(blocks[2].frames, 50);
    EXPECT_EQ(std::vector<std::string>(changes.end() - 3, changes.end()),
              (std::vector<std::string>{"dispatch 72 0 0 0", "dispatch 12 0 0 0", "dispatch 1 0 0 0"}));

    // The parameter set last is the gain the audio went through.
    const Sound input = readSound(folder.file("in.wav"));
    const Sound output = readSound(folder.file("out.wav"));
    ASSERT_EQ(output.samples.size(), input.samples.size());
    for (std::size_t i = 0; i < input.samples.size(); ++i) ASSERT_EQ(output.samples[i], input.samples[i] * 0.25f);
}

struct TimelineCase {
    int sampleRate;
    int frames;
    int block;
    double start;
    double bpm;
};

TEST(HostProtocol, TimeRecordMovesOnByEachBlockFromTheStart) {
    const TimelineCase cases[] = {
        {44100, 2048, 512, 0.0, 120.0},
        {48000, 1000, 64, 1001.0, 87.5},
        {96000, 3000, 1000, 96000.0 * 7, 174.0},
        {22050, 700, 333, -441.0, 60.0},
    };
    for (const TimelineCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.sampleRate << " Hz, block " << c.block << ", start " << c.start);
        ScratchFolder folder;
        writeSound(folder.file("in.wav"), testSignal(2, c.sampleRate, c.frames));
        char start[64];
        char bpm[64];
        std::snprintf(start, sizeof start, "%.17g", c.start);
        std::snprintf(bpm, sizeof bpm, "%.17g", c.bpm);
        const LoggedRender render =
            renderLogged(folder, "fake_gain",
                         {"--block", std::to_string(c.block), "--start", start, "--host-bpm", bpm,
                          folder.file("in.wav"), folder.file("out.wav")});
        ASSERT_EQ(render.run.exitCode, 0) << render.run.err;
        const std::vector<TimeRecord> blocks = timeRecords(render.log);
        ASSERT_EQ(blocks.size(), static_cast<std::size_t>((c.frames + c.block - 1) / c.block));
        for (std::size_t k = 0; k < blocks.size(); ++k) {
            const TimeRecord& r = blocks[k];
            ASSERT_TRUE(r.present);
            const double position = c.start + static_cast<double>(k) * c.block;
            const double ppq = position / c.sampleRate * c.bpm / 60.0;
            EXPECT_EQ(r.samplePos, position) << "block " << k;
            EXPECT_EQ(r.sampleRate, c.sampleRate);
            EXPECT_EQ(r.tempo, c.bpm);
            EXPECT_EQ(r.ppqPos, ppq);
            EXPECT_EQ(r.barStartPos, std::floor(ppq / 4.0) * 4.0);
            EXPECT_EQ(r.numerator, 4);
            EXPECT_EQ(r.denominator, 4);
            const int playing = kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid | kVstBarsValid |
                                kVstTimeSigValid;
            EXPECT_EQ(r.flags, k == 0 ? (playing | kVstTransportChanged) : playing) << "block " << k;
        }
    }
}

TEST(HostProtocol, NoTimeInfoAnswersNullAndStillProcesses) {
    ScratchFolder folder;
    writeSound(folder.file("in.wav"), testSignal(2, 44100, 1500));
    const LoggedRender render = renderLogged(
        folder, "fake_gain",
        {"--no-time-info", "--param", "Gain=0.5", folder.file("in.wav"), folder.file("out.wav")});
    ASSERT_EQ(render.run.exitCode, 0) << render.run.err;
    const std::vector<TimeRecord> blocks = timeRecords(render.log);
    ASSERT_EQ(blocks.size(), 3u);
    for (const TimeRecord& r : blocks) EXPECT_FALSE(r.present);
    EXPECT_NEAR(rms(readSound(folder.file("out.wav")).samples),
                0.5 * rms(readSound(folder.file("in.wav")).samples), 1e-6);
}

TEST(HostProtocol, MonoInputFeedsEveryInput) {
    ScratchFolder folder;
    const Sound input = testSignal(1, 44100, 5000);
    writeSound(folder.file("mono.wav"), input);
    for (const char* plugin : {"fake_gain", "fake_gain_mono"}) {
        SCOPED_TRACE(plugin);
        const LoggedRender render = renderLogged(folder, plugin, {folder.file("mono.wav"), folder.file("out.wav")});
        ASSERT_EQ(render.run.exitCode, 0) << render.run.err;
        const Sound output = readSound(folder.file("out.wav"));
        ASSERT_EQ(output.channels, 2);
        EXPECT_EQ(output.channel(0), input.samples);
        EXPECT_EQ(output.channel(1), input.samples);
    }
}

TEST(HostProtocol, DemoIsSummedToMonoForAOneInputPlugin) {
    ScratchFolder folder;
    const LoggedRender render = renderLogged(folder, "fake_gain_mono", {"--seconds", "0.5", folder.file("out.wav")});
    ASSERT_EQ(render.run.exitCode, 0) << render.run.err;
    const Sound output = readSound(folder.file("out.wav"));
    EXPECT_EQ(output.frames(), 22050);
    EXPECT_EQ(output.channel(0), output.channel(1));
    EXPECT_GT(rms(output.channel(0)), 0.01);
}

TEST(HostProtocol, EntryExportedOnlyAsMainIsFound) {
    ScratchFolder folder;
    const LoggedRender render = renderLogged(folder, "fake_main_only", {"--seconds", "0.1", folder.file("out.wav")});
    ASSERT_EQ(render.run.exitCode, 0) << render.run.err;
    EXPECT_FALSE(timeRecords(render.log).empty());
}

TEST(HostProtocol, PluginThatOnlyAccumulatesGetsClearedOutputs) {
    ScratchFolder folder;
    const Sound input = testSignal(2, 44100, 2000);
    writeSound(folder.file("in.wav"), input);
    const LoggedRender render = renderLogged(folder, "fake_accumulating",
                                             {"--block", "300", folder.file("in.wav"), folder.file("out.wav")});
    ASSERT_EQ(render.run.exitCode, 0) << render.run.err;
    EXPECT_EQ(readSound(folder.file("out.wav")).samples, input.samples);
}

TEST(HostProtocol, DefaultPluginIsBesideTheToolWhateverTheWorkingDirectory) {
    ScratchFolder folder;
    const ToolRun run = runTool(ToolInvocation{{"--info"}, {}, folder.path()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("Name:        Quillbeat\n"), std::string::npos) << run.out;
}

TEST(HostProtocol, PluginNamedWithoutAFolderIsTheOneInTheWorkingDirectory) {
    ScratchFolder folder;
    std::filesystem::copy_file(fakePlugin("fake_gain"), folder.file("fake_gain.so"));
    const ToolRun run = runTool(ToolInvocation{{"--info", "--plugin", "fake_gain.so"}, {}, folder.path()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("Name:        Fake Gain\n"), std::string::npos) << run.out;
}

// The program sets Gain to 0, the preset both values, the parameter Spare;
// the preset's name is shown without the control characters in it.
TEST(HostProtocol, InfoReportsEverythingAfterTheSettings) {
    ScratchFolder folder;
    writeFxpFile(folder.file("quiet.fxp"), {fourCharacterCode("FkGn"), 3, "Quiet\x1b[2J", {0.25f, 0.5f}});
    const LoggedRender render = renderLogged(
        folder, "fake_gain", {"--info", "--program", "2", "--preset", folder.file("quiet.fxp"), "--param", "Spare=0.75"});
    ASSERT_EQ(render.run.exitCode, 0) << render.run.err;
    EXPECT_EQ(render.run.out,
              "Name:        Fake Gain\n"
              "Vendor:      Quillbeat Tests\n"
              "Product:     Fake\n"
              "Version:     7 (plug-in version 3, VST 2400)\n"
              "Unique ID:   'FkGn' (0x466B476E)\n"
              "Inputs:      2\n"
              "Outputs:     2\n"
              "Flags:       0x00000010 (replacing)\n"
              "Parameters:  2\n"
              "    #  Name             Shown as             Value\n"
              "    0  Gain             0.250 x              0.25\n"
              "    1  Spare            0.750                0.75\n"
              "Programs:    3\n"
              "    0  Unity\n"
              "    1  Half\n"
              "    2  Silent\n"
              "Preset:      Quiet?[2J\n");
    EXPECT_EQ(render.run.err, "");
    // --info processes nothing.
    EXPECT_TRUE(timeRecords(render.log).empty());
}

TEST(HostProtocol, SuccessIsSilentWhenStandardErrorIsNotATerminal) {
    ScratchFolder folder;
    const ToolRun run = runTool({"--seconds", "1", "--waveform", folder.file("w.png"), folder.file("out.wav")});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"out.wav", "w.png"}));
}

}  // namespace
