// The tool through each plug-in format: Quillbeat's VST 2 library, its CLAP
// file, its LV2 bundle and the same bundle by URI render the same samples and
// describe the same plug-in; the options that only VST 2 has are refused by
// name for the others.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/render/support/sound_files.h"
#include "tests/render/support/tool_runner.h"

namespace {

struct Format {
    const char* name;
    std::string plugin;
    const char* formatLine;  // what --info says of the format
    const char* tempoLine;   // Tempo at 1, shown as the format shows it (LV2 has no value texts)
    const char* versionLine;  // the vendor's version 2, as each format writes it
};

const Format kFormats[] = {
    {"VST 2", QUILLBEAT_SO_PATH, "Unique ID:   'Qlbt'", "   11  Tempo            480                  1\n",
     "Version:     2 (plug-in version 1,"},
    {"CLAP", QUILLBEAT_CLAP_PATH, "Format:      CLAP\n", "   11  Tempo            480                  1 ",
     "Version:     2.0.0\n"},
    {"LV2 bundle", QUILLBEAT_LV2_BUNDLE, "Format:      LV2\n", "   11  Tempo            1                    1 ",
     "Version:     2.0\n"},
    {"LV2 URI", QUILLBEAT_LV2_URI, "Format:      LV2\n", "   11  Tempo            1                    1 ",
     "Version:     2.0\n"},
};

// LV2 plug-ins are found by URI on LV2_PATH.
ToolRun runWith(const std::string& plugin, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"--plugin", plugin});
    return runTool(ToolInvocation{arguments, {{"LV2_PATH", QUILLBEAT_LV2_PATH}}, {}});
}

TEST(PluginFormats, RenderTheSameSamples) {
    ScratchFolder folder;
    std::vector<float> first;
    for (const Format& format : kFormats) {
        SCOPED_TRACE(format.name);
        const std::string out = folder.file(std::string(format.name) + ".wav");
        const ToolRun run = runWith(format.plugin, {"-q", "--seconds", "2", "--block", "97", "--start", "37800",
                                                    "--param", "RndSw=0.5", "--param", "Tempo=0.6", out});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const Sound sound = readSound(out);
        ASSERT_EQ(sound.frames(), 88200);
        if (first.empty()) {
            first = sound.samples;
        } else {
            EXPECT_TRUE(sound.samples == first) << "differs from the VST 2 render";
        }
    }
}

TEST(PluginFormats, DescribeTheSamePlugin) {
    for (const Format& format : kFormats) {
        SCOPED_TRACE(format.name);
        const ToolRun run = runWith(format.plugin, {"--info", "--param", "Tempo=1"});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        for (const char* line : {"Name:        Quillbeat\n", "Vendor:      Orvane\n", "Inputs:      2\n",
                                 "Outputs:     2\n", "Parameters:  12\n", format.formatLine, format.tempoLine,
                                 format.versionLine}) {
            EXPECT_NE(run.out.find(line), std::string::npos) << line << " is not in:\n" << run.out;
        }
    }
}

TEST(PluginFormats, RefuseWhatOnlyVst2Has) {
    struct Case {
        std::vector<std::string> arguments;
        std::string message;
    };
    const std::string clap = QUILLBEAT_CLAP_PATH;
    const std::string lv2 = QUILLBEAT_LV2_BUNDLE;
    const Case cases[] = {
        {{"--plugin", clap, "--program", "3", "--info"}, "--program works with VST 2 plug-ins; " + clap + " is CLAP"},
        {{"--plugin", lv2, "--preset", "x.fxp", "--info"}, "--preset works with VST 2 plug-ins; " + lv2 + " is LV2"},
        {{"--plugin", clap, "--param", "vA=2", "--info"}, "--param vA=2 is outside 0 to 1"},
        {{"--plugin", lv2, "--param", "Volume=1", "--info"}, "unknown parameter 'Volume'; valid names: "},
        {{"--plugin", "urn:nobody:nothing", "--info"}, "urn:nobody:nothing is no LV2 plug-in"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const ToolRun run = runTool(c.arguments);
        EXPECT_NE(run.exitCode, 0);
        EXPECT_TRUE(run.oneLineError()) << run.err;
        EXPECT_EQ(run.err.rfind("quillbeat-render: " + c.message, 0), 0u) << run.err;
    }
}

}  // namespace
