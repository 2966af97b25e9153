// The LV2 bundle against the VST 2 build where LV2 alone has something to
// say: transport messages as a host's own transport sends them, inside
// blocks, at other speeds, and from hosts that do not count; a host without
// a URID map; and the presets. (Sessions through the host library's one
// interface, for all three formats: tests/hosting.) Every output sample and
// every value in use must agree to the bit.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "effect/factory_presets.h"
#include "hosting/lv2_instance.h"
#include "hosting/vst2_instance.h"
#include "tests/support/stream.h"

namespace {

// A small generator of our own, so a session is the same on every library.
struct Dice {
    std::uint32_t state;
    std::uint32_t next() { return state = state * 1664525u + 1013904223u, state >> 8; }
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint32_t>(n)); }
    float unit() { return static_cast<float>(next() & 0xFFFF) / 65535.0f; }
};

// A transport message: where in the block, and what it says.
struct Message {
    std::uint32_t at;
    std::optional<double> frame;
    std::optional<double> speed;
    // The host names the frame it named in the block before, yet its
    // transport has moved on: it does not count (the effect is to count on).
    bool hostNotCounting = false;
};

constexpr double kRate = 44100.0;

// The VST 2 side of the session: the transport as its host reports it to
// the effect at every process call.
struct Vst2Side {
    Vst2Instance effect{QUILLBEAT_PLUGIN_PATH};
    bool positionKnown = false;
    double position = 0.0;
    double speed = 1.0;

    Vst2Side() { effect.activate(kRate, 4096); }
    void processPart(StereoBuffer& block, int from, int to) {
        if (to <= from) return;
        float* channels[2] = {block.left.data() + from, block.right.data() + from};
        const HostPosition at{position, 120.0, true};
        effect.play({channels, channels, static_cast<std::uint32_t>(to - from), positionKnown ? &at : nullptr, {}});
        if (positionKnown) position += (to - from) * speed;
    }
    // Messages are applied at their frames, the block cut there.
    void play(StereoBuffer& block, const std::vector<Message>& messages) {
        int done = 0;
        for (const Message& message : messages) {
            processPart(block, done, static_cast<int>(message.at));
            done = static_cast<int>(message.at);
            if (message.speed) speed = *message.speed;
            if (message.frame && !message.hostNotCounting) position = *message.frame, positionKnown = true;
        }
        processPart(block, done, block.frames());
    }
};

// A control port's value, as the LV2 host holds it.
struct Lv2Side {
    explicit Lv2Side(bool offerUridMap) : effect(QUILLBEAT_LV2_BUNDLE, offerUridMap) { effect.activate(kRate, 4096); }
    Lv2Instance effect;
    std::array<float, 12> controls{};
};

// `last`: the last message sent, if any, and whether it came in the block
// before this one.
std::vector<Message> transportMessages(Dice& dice, int frames, double current, const std::optional<Message>& last,
                                       bool lastInBlockBefore) {
    std::vector<Message> messages;
    // A host that does not count names one frame at the start of every block
    // while it rolls; a host that loops names its loop start again a loop
    // later; one that stops there names it with speed 0, and stands.
    const auto nameAgain = [&](double speed) {
        messages.push_back({0, last->frame, speed, lastInBlockBefore && speed != 0.0});
    };
    if (last && last->hostNotCounting && lastInBlockBefore && dice.below(8) != 0) nameAgain(1.0);
    if (!messages.empty() || dice.below(4) != 0) return messages;
    const auto at = [&] { return static_cast<std::uint32_t>(dice.below(3) == 0 ? dice.below(frames) : 0); };
    switch (dice.below(6)) {
        case 0: messages.push_back({at(), dice.below(40000000) - 100000.0, 1.0}); break;  // locate and play
        case 1: messages.push_back({at(), std::floor(current), 0.0}); break;            // stop, on a whole frame
        case 2: messages.push_back({at(), std::nullopt, 1.0}); break;                   // start again
        case 3: messages.push_back({0, 1000.0 * dice.below(4), std::nullopt}); break;  // the same few places
        case 4: messages.push_back({at(), dice.below(100000) * 1.0, dice.below(2) ? 0.5 : -1.0}); break;
        default:
            if (last && last->frame) nameAgain(dice.below(4) == 0 ? 0.0 : 1.0);
    }
    std::sort(messages.begin(), messages.end(), [](const Message& a, const Message& b) { return a.at < b.at; });
    return messages;
}

void playSession(std::uint32_t seed, bool offerUridMap) {
    Dice dice{seed};
    Lv2Side lv2(offerUridMap);
    Vst2Side vst2;
    for (std::size_t i = 0; i < 12; ++i) lv2.controls[i] = static_cast<float>(lv2.effect.valueInUse(i));
    const float modes[] = {kManual, kRandom, kAuto};

    bool processedSomewhere = false;
    std::optional<Message> lastMessage;
    int lastMessageBlock = -2;
    for (int block = 0; block < 300; ++block) {
        // A control changes at most once between two blocks, and only to a
        // value the host does not show already.
        bool changed[12] = {};
        for (int change = dice.below(4) == 0 ? 1 + dice.below(3) : 0; change > 0; --change) {
            const int parameter = dice.below(12);
            const float value = parameter == pRndSw && dice.below(2) ? modes[dice.below(3)] : dice.unit();
            if (changed[parameter] || bitsOf(value) == bitsOf(lv2.controls[parameter])) continue;
            changed[parameter] = true;
            lv2.controls[parameter] = value;
            lv2.effect.setValue(parameter, value);
            vst2.effect.setValue(parameter, value);
        }
        const int frames = dice.below(3) == 0 ? 1 + dice.below(16) : 1 + dice.below(2048);
        const std::vector<Message> messages =
            transportMessages(dice, frames, vst2.position, lastMessage, lastMessageBlock == block - 1);
        if (!messages.empty()) lastMessage = messages.back(), lastMessageBlock = block;
        for (const Message& message : messages) {
            const auto frame = message.frame ? std::optional(static_cast<std::int64_t>(*message.frame)) : std::nullopt;
            const auto speed = message.speed ? std::optional(static_cast<float>(*message.speed)) : std::nullopt;
            lv2.effect.queueTimeMessage({message.at, frame, speed});
        }
        if (!offerUridMap) vst2.positionKnown = false;

        StereoBuffer viaLv2 = testSignal(frames, block + 1);
        StereoBuffer viaVst2 = viaLv2;
        float* lv2Channels[2] = {viaLv2.left.data(), viaLv2.right.data()};
        lv2.effect.play({lv2Channels, lv2Channels, static_cast<std::uint32_t>(frames), nullptr, {}});
        vst2.play(viaVst2, offerUridMap ? messages : std::vector<Message>{});
        processedSomewhere |= viaVst2.left != testSignal(frames, block + 1).left;

        std::string where = "seed " + std::to_string(seed) + ", block " + std::to_string(block) + " of " +
                            std::to_string(frames) + " frames";
        for (const Message& m : messages)
            where += ", message at " + std::to_string(m.at) + ": frame " + (m.frame ? std::to_string(*m.frame) : "-") +
                     ", speed " + (m.speed ? std::to_string(*m.speed) : "-");
        ASSERT_EQ(firstDifference({viaLv2.left, viaLv2.right}, {viaVst2.left, viaVst2.right}), "") << where;
        for (std::size_t i = 0; i < 12; ++i)
            ASSERT_EQ(bitsOf(static_cast<float>(lv2.effect.valueInUse(i))),
                      bitsOf(static_cast<float>(vst2.effect.valueInUse(i))))
                << lv2.effect.description().parameters[i].id << ", " << where;
    }
    EXPECT_TRUE(processedSomewhere) << "the session only passed its input through";
}

TEST(Lv2MatchesVst2, RandomisedSessions) {
    for (std::uint32_t seed = 1; seed <= 40; ++seed) playSession(seed, true);
}

TEST(Lv2MatchesVst2, WithoutUridMapTheEffectRunsOnItsOwnClock) { playSession(99, false); }

// A preset for each program sets what the program sets and is named as the
// program is; a preset for each factory preset sets its twelve values.
TEST(Lv2MatchesVst2, PresetsAreTheProgramsAndTheFactoryPresets) {
    Lv2Instance lv2(QUILLBEAT_LV2_BUNDLE);
    std::map<std::string, std::map<std::string, float>> presets;
    for (const auto& [label, values] : lv2.presets()) presets[label].insert(values.begin(), values.end());
    TestHost vst2;
    vst2.open();
    ASSERT_EQ(presets.size(), static_cast<std::size_t>(vst2.effect()->numPrograms) + kFactoryPresets.size());
    for (int program = 0; program < vst2.effect()->numPrograms; ++program) {
        for (int i = 0; i < 12; ++i) vst2.setParameter(i, -1.0f);
        vst2.dispatch(effSetProgram, 0, program);
        const std::string name = vst2.text(effGetProgramName);
        ASSERT_EQ(presets.count(name), 1u) << name;
        const auto& values = presets.at(name);
        for (int i = 0; i < 12; ++i) {
            const std::string symbol = vst2.text(effGetParamName, i);
            const bool set = vst2.getParameter(i) != -1.0f;
            ASSERT_EQ(values.count(symbol), set ? 1u : 0u) << name << " " << symbol;
            if (set) {
                EXPECT_EQ(bitsOf(values.at(symbol)), bitsOf(vst2.getParameter(i))) << name << " " << symbol;
            }
        }
    }
    for (const FactoryPreset& preset : kFactoryPresets) {
        const std::string name(preset.name);
        ASSERT_EQ(presets.count(name), 1u) << name;
        const auto& values = presets.at(name);
        ASSERT_EQ(values.size(), static_cast<std::size_t>(kParameterCount)) << name;
        const auto expected = preset.values.inParameterOrder();
        for (int i = 0; i < kParameterCount; ++i) {
            const std::string symbol = vst2.text(effGetParamName, i);
            EXPECT_EQ(bitsOf(values.at(symbol)), bitsOf(expected[static_cast<std::size_t>(i)])) << name << " " << symbol;
        }
    }
}

}  // namespace
