// The command line: what each form of every option sets, and the one-line
// reason given for each mistake.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tools/quillbeat-render/command_line.h"
#include "tools/quillbeat-render/render_error.h"

namespace {

RenderOptions parse(const std::vector<const char*>& arguments) { return parseCommandLine(arguments); }

TEST(CommandLine, OutputAloneRendersTheDemoWithDefaults) {
    const RenderOptions options = parse({"out.wav"});
    EXPECT_FALSE(options.input.has_value());
    EXPECT_EQ(options.output, "out.wav");
    EXPECT_EQ(options.pluginPath, "");
    EXPECT_EQ(options.blockSize, 512);
    EXPECT_FALSE(options.seconds.has_value());
    EXPECT_EQ(options.demoSeconds(), 10.0);
    EXPECT_EQ(options.start, 0);
    EXPECT_EQ(options.hostBpm, 120.0);
    EXPECT_TRUE(options.timeInfo);
    EXPECT_FALSE(options.bits.has_value());
    EXPECT_FALSE(options.program.has_value());
    EXPECT_TRUE(options.parameters.empty());
    EXPECT_FALSE(options.info || options.quiet || options.help || options.version);
}

struct ValidCase {
    std::vector<const char*> arguments;
    std::function<void(const RenderOptions&)> check;
};

TEST(CommandLine, ReadsEveryOptionInBothSpellings) {
    const ValidCase cases[] = {
        {{"in.flac", "out.wav"},
         [](const RenderOptions& o) {
             EXPECT_EQ(o.input.value_or(""), "in.flac");
             EXPECT_EQ(o.output, "out.wav");
         }},
        {{"--block", "256", "--seconds=2.5", "--start", "-9007199254740992", "--host-bpm=90", "--no-time-info",
          "--bits", "24", "-q", "--plugin=/x/y.so", "--waveform", "w.png", "o.wav"},
         [](const RenderOptions& o) {
             EXPECT_EQ(o.blockSize, 256);
             EXPECT_EQ(o.demoSeconds(), 2.5);
             EXPECT_EQ(o.start, -9007199254740992);
             EXPECT_EQ(o.hostBpm, 90.0);
             EXPECT_FALSE(o.timeInfo);
             EXPECT_EQ(o.bits.value_or(0), 24);
             EXPECT_TRUE(o.quiet);
             EXPECT_EQ(o.pluginPath, "/x/y.so");
             EXPECT_EQ(o.waveform.value_or(""), "w.png");
         }},
        {{"--param", "vA=0.5", "--param=Tempo=1", "--param", "3=0", "--program", "3", "--preset", "p.fxp", "o.wav"},
         [](const RenderOptions& o) {
             EXPECT_EQ(o.preset.value_or(""), "p.fxp");
             ASSERT_EQ(o.parameters.size(), 3u);
             EXPECT_EQ(o.parameters[0].name, "vA");
             EXPECT_EQ(o.parameters[0].value, 0.5f);
             EXPECT_EQ(o.parameters[1].name, "Tempo");
             EXPECT_EQ(o.parameters[1].value, 1.0f);
             EXPECT_EQ(o.parameters[2].name, "3");
             EXPECT_EQ(o.parameters[2].value, 0.0f);
             EXPECT_EQ(o.program.value_or(-1), 3);
         }},
        // A name may itself hold '=': the value is what follows the last one.
        {{"--param", "a=b=0.25", "o.wav"},
         [](const RenderOptions& o) {
             ASSERT_EQ(o.parameters.size(), 1u);
             EXPECT_EQ(o.parameters[0].name, "a=b");
             EXPECT_EQ(o.parameters[0].value, 0.25f);
         }},
        {{"--info", "--program", "2"},
         [](const RenderOptions& o) {
             EXPECT_TRUE(o.info);
             EXPECT_EQ(o.output, "");
         }},
        {{"--", "-odd.wav"}, [](const RenderOptions& o) { EXPECT_EQ(o.output, "-odd.wav"); }},
        {{"-h"}, [](const RenderOptions& o) { EXPECT_TRUE(o.help); }},
        {{"--version"}, [](const RenderOptions& o) { EXPECT_TRUE(o.version); }},
        {{"--start", "9007199254740992", "in.wav", "o.wav"},
         [](const RenderOptions& o) { EXPECT_EQ(o.start, 9007199254740992); }},
        // The shortest demo: 0.5 / 44100 s rounds to one frame.
        {{"--seconds", "0.0000114", "o.wav"},
         [](const RenderOptions& o) { EXPECT_EQ(o.demoSeconds(), 0.0000114); }},
        // The last of a repeated setting wins.
        {{"--block", "64", "--block", "128", "o.wav"}, [](const RenderOptions& o) { EXPECT_EQ(o.blockSize, 128); }},
    };
    for (const ValidCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::vector<std::string>(c.arguments.begin(), c.arguments.end())));
        c.check(parse(c.arguments));
    }
}

struct MistakeCase {
    std::vector<const char*> arguments;
    const char* message;  // the whole message the tool prints after its name
};

TEST(CommandLine, RejectsMistakesWithAOneLineReason) {
    const MistakeCase cases[] = {
        {{}, "missing OUTPUT (see --help)"},
        {{"a.wav", "b.wav", "c.wav"}, "too many files: expected [INPUT] OUTPUT"},
        {{"--info", "o.wav"}, "--info takes no INPUT or OUTPUT"},
        {{"--frobnicate", "o.wav"}, "unknown option '--frobnicate' (see --help)"},
        {{"--quiet=yes", "o.wav"}, "--quiet takes no value"},
        {{"o.wav", "--block"}, "--block expects FRAMES"},
        {{"--block", "0", "o.wav"}, "--block must be between 1 and 65536 frames"},
        {{"--block", "65537", "o.wav"}, "--block must be between 1 and 65536 frames"},
        {{"--block", "12x", "o.wav"}, "--block expects a whole number, not '12x'"},
        {{"--block", "", "o.wav"}, "--block expects a whole number, not ''"},
        {{"--block", "99999999999", "o.wav"}, "--block must be between 1 and 65536 frames"},
        {{"--seconds", "0", "o.wav"}, "--seconds must be at least one frame (1/44100) and at most 3600"},
        {{"--seconds", "0.00001", "o.wav"}, "--seconds must be at least one frame (1/44100) and at most 3600"},
        {{"--seconds", "3600.5", "o.wav"}, "--seconds must be at least one frame (1/44100) and at most 3600"},
        {{"--seconds", "nan", "o.wav"}, "--seconds expects a number, not 'nan'"},
        {{"--seconds", "2", "in.wav", "o.wav"}, "--seconds sets the length of the demo; it does not apply to an INPUT"},
        {{"--start", "inf", "o.wav"}, "--start expects a whole number, not 'inf'"},
        {{"--start", "1.5", "o.wav"}, "--start expects a whole number, not '1.5'"},
        {{"--start", "1e300", "o.wav"}, "--start expects a whole number, not '1e300'"},
        {{"--start", "9007199254740993", "o.wav"},
         "--start must be between -9007199254740992 and 9007199254740992 frames"},
        {{"--start", "18446744073709551615", "o.wav"},
         "--start must be between -9007199254740992 and 9007199254740992 frames"},
        {{"--plugin", "", "o.wav"}, "--plugin expects a path, not ''"},
        {{"--host-bpm", "0", "o.wav"}, "--host-bpm must be above 0"},
        {{"--host-bpm", "-120", "o.wav"}, "--host-bpm must be above 0"},
        {{"--bits", "8", "o.wav"}, "--bits must be 16 or 24"},
        {{"--bits", "32", "o.wav"}, "--bits must be 16 or 24"},
        {{"--program", "-1", "o.wav"}, "--program must be between 0 and 2147483647"},
        {{"--program", "99999999999", "o.wav"}, "--program must be between 0 and 2147483647"},
        {{"--param", "vA", "o.wav"}, "--param expects NAME=VALUE, not 'vA'"},
        {{"--param", "=0.5", "o.wav"}, "--param expects NAME=VALUE, not '=0.5'"},
        {{"--param", "vA=", "o.wav"}, "--param vA expects a number, not ''"},
        {{"--param", "vA=half", "o.wav"}, "--param vA expects a number, not 'half'"},
        {{"--param", "vA=nan", "o.wav"}, "--param vA=nan is not a number"},
        {{"--param", "vA=inf", "o.wav"}, "--param vA=inf is not a number"},
    };
    for (const MistakeCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::vector<std::string>(c.arguments.begin(), c.arguments.end())));
        try {
            parse(c.arguments);
            ADD_FAILURE() << "accepted";
        } catch (const UsageError& error) {
            EXPECT_EQ(std::string(error.what()), c.message);
        }
    }
}

}  // namespace
