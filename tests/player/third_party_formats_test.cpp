// A check that is not ours: Debian's zam-plugins ship the same effects as
// VST 2, LV2 and CLAP, built from one source. Rendered through the host
// library's three hosts at the same settings, they give the same bytes
// wherever the plug-in's own formats agree; the table says where they do,
// so a host that feeds one format differently (a channel, a position, a
// value out of place) shows up as a changed row.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "player/clap_instance.h"
#include "player/lv2_instance.h"
#include "player/vst2_instance.h"

namespace {

constexpr double kRate = 44100.0;
constexpr std::uint32_t kBlock = 512;
constexpr int kBlocks = 96;

// Every output sample of every channel, block after block, as raw bits.
using Rendered = std::vector<std::uint32_t>;

// Renders noise through `instance` with parameter `moved` (if any) at its
// maximum, the transport playing from 0.
Rendered render(PluginInstance& instance, std::optional<std::size_t> moved) {
    const InstanceDescription& about = instance.description();
    if (moved) instance.setValue(*moved, about.parameters[*moved].maximum);
    EXPECT_TRUE(instance.activate(kRate, kBlock));
    std::vector<std::vector<float>> inputs(static_cast<std::size_t>(about.inputs), std::vector<float>(kBlock));
    std::vector<std::vector<float>> outputs(static_cast<std::size_t>(about.outputs), std::vector<float>(kBlock));
    std::vector<const float*> in;
    std::vector<float*> out;
    for (auto& channel : inputs) in.push_back(channel.data());
    for (auto& channel : outputs) out.push_back(channel.data());
    std::uint32_t noise = 1;
    HostPosition position{0.0, 120.0, true};
    Rendered rendered;
    for (int block = 0; block < kBlocks; ++block) {
        for (auto& channel : inputs) {
            for (float& sample : channel) {
                noise = noise * 1664525u + 1013904223u;
                sample = static_cast<float>(static_cast<std::int32_t>(noise >> 8) - 8388608) / 16777216.0f;
            }
        }
        EXPECT_TRUE(instance.play({in.data(), out.data(), kBlock, &position, {}, {}}));
        position.sample += kBlock;
        for (const auto& channel : outputs) {
            for (const float sample : channel) {
                std::uint32_t bits;
                std::memcpy(&bits, &sample, sizeof bits);
                rendered.push_back(bits);
            }
        }
    }
    instance.deactivate();
    return rendered;
}

struct ThirdParty {
    const char* name;
    const char* moved;  // a parameter set to its maximum in the second render
    bool lv2MatchesVst2;
    bool clapMatchesVst2;
};

constexpr ThirdParty kPlugins[] = {
    {"ZaMaximX2", "Release", true, true},
    {"ZaMultiComp", "Attack1", true, true},
    {"ZaMultiCompX2", "Attack1", true, true},
    {"ZamAutoSat", "", true, true},
    {"ZamComp", "Makeup", true, true},
    {"ZamCompX2", "Attack", true, true},
    {"ZamDelay", "Invert", true, true},
    {"ZamDynamicEQ", "Attack", true, true},
    {"ZamEQ2", "Boost/Cut 1", true, true},
    {"ZamGEQ31", "Master Gain", true, true},
    {"ZamGate", "Attack", true, true},
    {"ZamGateX2", "Attack", true, true},
    {"ZamGrains", "Grains", true, true},
    // Its CLAP edition starts its convolution otherwise than the other two,
    // whose hosts tell the largest block as soon as it is asked.
    {"ZamHeadX2", "Azimuth", true, false},
    {"ZamPhono", "Reproduction/Production", true, true},
    {"ZamTube", "Tube Drive", true, true},
};

class ThirdPartyFormats : public testing::TestWithParam<ThirdParty> {};

// Each format at the same settings: VST 2 and CLAP as the plug-in starts,
// LV2 with every control set to the value the CLAP plug-in starts with (an
// LV2 host sets the defaults the plug-in declares, which some plug-ins do
// not start with in their other formats). The moved parameter is found by
// its LV2 name; the plug-ins list their parameters in one order in all
// three formats (VST 2 names are cut short).
TEST_P(ThirdPartyFormats, AgreeWhereThePluginAgrees) {
    const ThirdParty& plugin = GetParam();
    const std::string name = plugin.name;
    const std::string vst2Path = "/usr/lib/vst/" + name + "-vst.so";
    const std::string lv2Path = "/usr/lib/lv2/" + name + ".lv2";
    const std::string clapPath = "/usr/lib/clap/" + name + ".clap";
    for (const std::string& path : {vst2Path, lv2Path, clapPath})
        if (!std::filesystem::exists(path)) GTEST_SKIP() << "zam-plugins is not installed: no " << path;
    for (const bool move : {false, true}) {
        if (move && *plugin.moved == '\0') continue;
        Vst2Instance vst2(vst2Path);
        Lv2Instance lv2(lv2Path);
        ClapInstance clap(clapPath);
        ASSERT_EQ(lv2.parameterCount(), clap.parameterCount());
        ASSERT_EQ(lv2.parameterCount(), vst2.parameterCount());
        for (std::size_t i = 0; i < lv2.parameterCount(); ++i) lv2.setValue(i, clap.valueInUse(i));
        std::optional<std::size_t> moved;
        if (move) {
            moved = lv2.findParameter(plugin.moved);
            ASSERT_TRUE(moved.has_value()) << plugin.moved;
        }
        const Rendered viaVst2 = render(vst2, moved);
        const Rendered viaLv2 = render(lv2, moved);
        const Rendered viaClap = render(clap, moved);
        const std::string setting = move ? std::string(plugin.moved) + " at its maximum" : "as it starts";
        EXPECT_EQ(viaLv2 == viaVst2, plugin.lv2MatchesVst2) << "LV2 against VST 2, " << setting;
        EXPECT_EQ(viaClap == viaVst2, plugin.clapMatchesVst2) << "CLAP against VST 2, " << setting;
    }
}

INSTANTIATE_TEST_SUITE_P(ZamPlugins, ThirdPartyFormats, testing::ValuesIn(kPlugins),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
