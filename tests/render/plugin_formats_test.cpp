// The tool through each plug-in format: Quillbeat's VST 2 library, its CLAP
// file, its LV2 bundle and the same bundle by URI render the same samples and
// describe the same plug-in; the options that only VST 2 has are refused by
// name for the others.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
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

// At the edges of what the tool takes for a CLAP render: the furthest
// --start either way whose blocks a CLAP transport carries (2^32 s less a
// frame; 4410 frames in blocks of 512 start their last 4096 frames on), and
// a tempo beyond any song's, where the beats no longer fit.
TEST(PluginFormats, RenderTheSameSamplesAtTheEdgesOfTheTransport) {
    const std::int64_t reach = (std::int64_t{1} << 32) * 44100 - 1;
    const std::vector<std::string> edges[] = {
        {"--start", std::to_string(reach - 4096)},
        {"--start", std::to_string(-reach)},
        {"--host-bpm", "1e300", "--start", "37800"},
        {"--host-bpm", "1e300", "--start", std::to_string(reach - 4096)},
    };
    ScratchFolder folder;
    for (const std::vector<std::string>& edge : edges) {
        std::vector<float> first;
        for (const Format& format : kFormats) {
            SCOPED_TRACE(testing::Message() << format.name << " " << edge[0] << " " << edge[1]);
            const std::string out = folder.file(std::string(format.name) + ".wav");
            std::vector<std::string> arguments{"-q", "--seconds", "0.1", out};
            arguments.insert(arguments.begin(), edge.begin(), edge.end());
            const ToolRun run = runWith(format.plugin, arguments);
            ASSERT_EQ(run.exitCode, 0) << run.err;
            const Sound sound = readSound(out);
            if (first.empty()) {
                first = sound.samples;
            } else {
                EXPECT_TRUE(sound.samples == first) << "differs from the VST 2 render";
            }
        }
    }
}

// A source of unknown length, a pipe, is checked block by block: the render
// stops at the first block beyond a CLAP transport's reach and leaves no
// file.
TEST(PluginFormats, ClapRenderFromAPipeStopsWhereTheTransportEnds) {
    ScratchFolder folder;
    writeSound(folder.file("in.wav"), testSignal(2, 44100, 4410));
    const std::int64_t reach = (std::int64_t{1} << 32) * 44100 - 1;
    // Blocks start 1000 and 488 frames before the reach, then 24 past it.
    const ToolRun run = runTool(ToolInvocation{{"-q", "--plugin", QUILLBEAT_CLAP_PATH, "--start",
                                                std::to_string(reach - 1000), "-", folder.file("out.wav")},
                                               {},
                                               {}},
                                {readWholeFile(folder.file("in.wav")), "/dev/null", StandardOutput::Captured});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "quillbeat-render: the render reached frame " + std::to_string(reach + 24) +
                           ", beyond the host positions a CLAP plug-in can be told: at 44100 Hz they reach " +
                           std::to_string(reach) + " frames (just under 2^32 seconds) either side of 0\n");
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"in.wav"});
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

// LV2 bundles whose library is missing, is no LV2 library, or holds other
// plug-ins: each refused with what is wrong, before any file is made.
TEST(PluginFormats, RefuseBrokenLv2Bundles) {
    struct Case {
        const char* bundle;
        const char* binary;  // the bundle's library; null: it names none
        std::string linkedTo;  // empty: no file there
        std::string message;   // after "quillbeat-render: {bundle}"
    };
    ScratchFolder folder;
    const Case cases[] = {
        {"missing.lv2", "plugin.so", "", ": its library " + folder.file("missing.lv2/plugin.so") + " is missing"},
        {"unnamed.lv2", nullptr, "", ": the bundle names no library for urn:quillbeat-tests:broken"},
        {"vst2.lv2", "plugin.so", fakePlugin("fake_gain"), ": its library has no lv2_descriptor"},
        {"other.lv2", "plugin.so", std::string(QUILLBEAT_LV2_BUNDLE) + "/quillbeat.so",
         ": its library holds no plug-in urn:quillbeat-tests:broken"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bundle);
        const std::string bundle = folder.file(c.bundle);
        std::filesystem::create_directory(bundle);
        // A mono effect, as a bundle would describe it but for its library.
        writeWholeFile(bundle + "/manifest.ttl",
                       std::string("@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
                                   "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
                                   "<urn:quillbeat-tests:broken> a lv2:Plugin ; doap:name \"Broken\" ;\n") +
                           (c.binary != nullptr ? std::string("  lv2:binary <") + c.binary + "> ;\n" : "") +
                           "  lv2:port [ a lv2:AudioPort , lv2:InputPort ; lv2:index 0 ; lv2:symbol \"in\" ; "
                           "lv2:name \"In\" ] ,\n"
                           "    [ a lv2:AudioPort , lv2:OutputPort ; lv2:index 1 ; lv2:symbol \"out\" ; "
                           "lv2:name \"Out\" ] .\n");
        if (!c.linkedTo.empty()) std::filesystem::create_symlink(c.linkedTo, bundle + "/" + c.binary);
        const ToolRun run = runTool({"-q", "--plugin", bundle, "--seconds", "0.1", folder.file("out.wav")});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err, "quillbeat-render: " + bundle + c.message + "\n");
        EXPECT_FALSE(std::filesystem::exists(folder.file("out.wav")));
    }
}

}  // namespace
