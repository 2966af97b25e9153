// The factory presets against the plug-in: every value well inside its range
// by the plug-in's own value texts, every tempo one that does not drift, the
// plug-in's version in the files; and the files' layout, byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "presets/factory_presets.h"
#include "presets/factory_preset_files.h"
#include "tests/support/test_host.h"

namespace {

std::string shown(TestHost& host, int index, float value) {
    host.setParameter(index, value);
    return host.text(effGetParamDisplay, index);
}

// How far a value may move, by a host's rounding or a nudge, and still show
// the same: well under half of the narrowest range that shows one text (a
// note count spans 1/15, a mode about 1/3, a tempo at least 1/720).
float safeMargin(ValueText kind) {
    switch (kind) {
        case ValueText::TriggerCount: return 0.02f;
        case ValueText::SwitchMode: return 0.1f;
        case ValueText::BeatsPerMinute: return 0.001f;
        case ValueText::Number: break;
    }
    return 0.0f;
}

TEST(FactoryPresets, EveryValueSitsWellInsideItsRange) {
    TestHost host;
    ASSERT_NE(host.open(), nullptr);
    for (const FactoryPreset& preset : kFactoryPresets) {
        const auto values = preset.values.inParameterOrder();
        for (int i = 0; i < kParameterCount; ++i) {
            SCOPED_TRACE(std::string(preset.slug) + " " + std::string(kParameterTable[i].name));
            const float value = values[static_cast<std::size_t>(i)];
            EXPECT_TRUE(value >= 0.0f && value <= 1.0f) << value;
            const float margin = safeMargin(kParameterTable[i].valueText);
            if (margin == 0.0f) continue;
            const std::string text = shown(host, i, value);
            EXPECT_EQ(shown(host, i, std::max(0.0f, value - margin)), text);
            EXPECT_EQ(shown(host, i, std::min(1.0f, value + margin)), text);
            // Sixteen notes show for exactly 1 alone.
            if (kParameterTable[i].valueText == ValueText::TriggerCount) {
                EXPECT_NE(text, "16");
            }
        }
    }
}

// A tempo whose step, 44100 x 120 / BPM samples, is whole: at 44.1 kHz the
// rhythm runs at exactly the tempo shown, and does not drift against a song.
TEST(FactoryPresets, TemposHaveStepsOfWholeSamples) {
    TestHost host;
    ASSERT_NE(host.open(), nullptr);
    for (const FactoryPreset& preset : kFactoryPresets) {
        const int bpm = std::stoi(shown(host, kTempo, preset.values.Tempo));
        EXPECT_EQ(44100 * 120 % bpm, 0) << preset.slug << " at " << bpm << " BPM";
    }
}

// The files carry the plug-in's version; render_output_test loads each into
// the plug-in, which checks their ID and parameter count.
TEST(FactoryPresets, FilesCarryThePluginsVersion) {
    TestHost host;
    ASSERT_NE(host.open(), nullptr);
    EXPECT_EQ(factoryPresetFile(kFactoryPresets.front()).pluginVersion, host.effect()->version);
}

// The common layout as hosts read it: big-endian words, the name in 28
// zero-padded bytes, then the values.
TEST(FxpFile, WritesTheCommonLayoutAndReadsItBack) {
    const FxpPreset preset{fourCharacterCode("Qlbt"), 1, "Pump", {1.0f, 0.5f, -2.0f}};
    using namespace std::string_literals;
    const std::string expected = "CcnK"s + "\0\0\0\x3C"s + "FxCk"s + "\0\0\0\1"s + "Qlbt"s + "\0\0\0\1"s +
                                 "\0\0\0\3"s + "Pump"s + std::string(24, '\0') + "\x3F\x80\0\0"s + "\x3F\0\0\0"s +
                                 "\xC0\0\0\0"s;
    const std::string bytes = encodeFxp(preset);
    EXPECT_EQ(bytes, expected);

    const FxpPreset back = decodeFxp(bytes);
    EXPECT_EQ(back.pluginId, preset.pluginId);
    EXPECT_EQ(back.pluginVersion, preset.pluginVersion);
    EXPECT_EQ(back.name, preset.name);
    EXPECT_EQ(back.values, preset.values);

    // A name fills at most 27 bytes: the 28th is its terminator.
    const FxpPreset longName{0, 0, std::string(30, 'x'), {}};
    EXPECT_EQ(encodeFxp(longName).substr(28, 28), std::string(27, 'x') + '\0');
    EXPECT_EQ(decodeFxp(encodeFxp(longName)).name, std::string(27, 'x'));
}

}  // namespace
