// The VST 2 build, the LV2 bundle and the CLAP file against each other,
// through the host library's one interface: the same randomised sessions
// played through all three must give the same output bits and the same
// values in use after every block. A session changes parameters inside
// blocks (a VST 2 or LV2 host cuts the block there; the CLAP plug-in gets
// the event at its frame), moves its transport, stops it, jumps and loops,
// plays blocks of 1 to 4096 frames in every mode, and saves and loads the
// state in the middle.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "player/clap_instance.h"
#include "player/lv2_instance.h"
#include "player/vst2_instance.h"
#include "tests/support/dice.h"
#include "tests/support/stream.h"

namespace {

constexpr double kRate = 44100.0;
constexpr std::uint32_t kMaxFrames = 4096;

struct Formats {
    std::array<std::unique_ptr<PluginInstance>, 3> instances{
        std::make_unique<Vst2Instance>(QUILLBEAT_PLUGIN_PATH),
        std::make_unique<Lv2Instance>(QUILLBEAT_LV2_BUNDLE),
        std::make_unique<ClapInstance>(QUILLBEAT_CLAP_PATH),
    };
    Formats() {
        for (auto& instance : instances) instance->activate(kRate, kMaxFrames);
    }
};

// The host's transport, moved by the session block by block. Every position
// is a whole sample, which fixed-point seconds map back to exactly.
class Transport {
public:
    // None until the session first gives one: before, each plug-in runs on
    // its own clock.
    std::optional<HostPosition> now;

    void step(Dice& dice, std::uint32_t frames) {
        const double before = now ? now->sample : -1.0;
        move(dice, frames);
        // A rolling transport that names the frame it named at the block
        // before is what a host that does not count sends, and the LV2
        // edition counts on: a real jump back by one block is a frame
        // further.
        if (now && now->playing && now->sample == before) now->sample += 1.0;
    }

private:
    void move(Dice& dice, std::uint32_t frames) {
        if (now) {
            if (now->playing) now->sample += frames;
            // A loop longer than any block: its start comes back only after
            // at least two blocks.
            if (loopEnd && now->sample >= *loopEnd) now->sample = loopStart;
        }
        if (dice.below(8) != 0) return;
        switch (dice.below(6)) {
            case 0: now = HostPosition{static_cast<double>(dice.below(40000000) - 100000), 120.0, true}; break;
            case 1: if (now) now->playing = false; break;
            case 2: if (now) now->playing = true; break;
            case 3:  // the same few places, as a user who locates there again
                now = HostPosition{1000.0 * dice.below(4), now ? now->beatsPerMinute : 120.0, now && now->playing};
                break;
            case 4:
                if (now) loopStart = now->sample, loopEnd = now->sample + kMaxFrames + 1 + dice.below(20000);
                break;
            default: loopEnd.reset();
        }
    }

    double loopStart = 0.0;
    std::optional<double> loopEnd;
};

struct Session {
    std::uint32_t seed;
    int blocks = 300;
    int withoutTransport = 0;  // blocks before the transport first says where it is
};

// Values that differ from the last the host set, bit for bit: the LV2 and
// CLAP editions pass on only values that changed, since "RANDOM" and "AUTO"
// pick values of their own that a repeated one must not undo.
float newValue(Dice& dice, std::size_t parameter, float last, float avoid = -1.0f) {
    const float modes[] = {kManual, kRandom, kAuto};
    for (;;) {
        const float value = parameter == pRndSw && dice.below(2) ? modes[dice.below(3)] : dice.unit();
        if (bitsOf(value) != bitsOf(last) && bitsOf(value) != bitsOf(avoid)) return value;
    }
}

void play(const Session& session) {
    Dice dice{session.seed};
    Formats formats;
    std::array<float, 12> lastSet{};
    for (std::size_t i = 0; i < lastSet.size(); ++i)
        lastSet[i] = static_cast<float>(formats.instances[0]->description().parameters[i].defaultValue);
    Transport transport;
    bool processedSomewhere = false;
    std::vector<ParameterChange> changes;
    std::vector<std::vector<std::uint8_t>> saved;

    for (int block = 0; block < session.blocks; ++block) {
        const std::uint32_t frames = dice.below(4) == 0   ? 1 + dice.below(16)
                                     : dice.below(16) == 0 ? kMaxFrames
                                                           : 1 + dice.below(kMaxFrames);
        transport.step(dice, frames);
        const bool known = block >= session.withoutTransport && transport.now;

        // Up to three parameters change inside the block, each once, in the
        // first block in the switch's mode of this session.
        changes.clear();
        if (block == 0) changes.push_back({0, pRndSw, (session.seed % 3) * 0.5});
        for (int count = dice.below(3) == 0 ? 1 + dice.below(3) : 0; count > 0; --count) {
            const auto parameter = static_cast<std::uint32_t>(dice.below(12));
            if (std::any_of(changes.begin(), changes.end(), [&](auto& c) { return c.index == parameter; })) continue;
            const float value = newValue(dice, parameter, lastSet[parameter]);
            changes.push_back({static_cast<std::uint32_t>(dice.below(static_cast<int>(frames))), parameter, value});
        }
        // In the middle the state is saved; the next block moves every
        // value, and the state is loaded again before the block after it.
        if (block == session.blocks / 2) {
            saved.clear();
            for (auto& instance : formats.instances) saved.push_back(instance->saveState().value());
            changes.clear();
            for (std::uint32_t i = 0; i < 12; ++i) {
                const float inUse = static_cast<float>(formats.instances[0]->valueInUse(i));
                changes.push_back({0, i, newValue(dice, i, lastSet[i], inUse)});
            }
        }
        if (block == session.blocks / 2 + 1) {
            for (std::size_t f = 0; f < saved.size(); ++f) ASSERT_TRUE(formats.instances[f]->loadState(saved[f]));
            const auto values = valuesFromState(saved[0], 12).value();
            std::copy(values.begin(), values.end(), lastSet.begin());
        }
        std::sort(changes.begin(), changes.end(), [](auto& a, auto& b) { return a.frame < b.frame; });
        for (const ParameterChange& change : changes) lastSet[change.index] = static_cast<float>(change.value);

        const StereoBuffer input = testSignal(static_cast<int>(frames), block + 1);
        std::array<StereoBuffer, 3> outputs;
        for (std::size_t f = 0; f < outputs.size(); ++f) {
            outputs[f] = StereoBuffer(static_cast<int>(frames));
            const float* in[2] = {input.left.data(), input.right.data()};
            float* out[2] = {outputs[f].left.data(), outputs[f].right.data()};
            EXPECT_TRUE(formats.instances[f]->play({in, out, frames, known ? &*transport.now : nullptr, changes, {}}));
        }
        processedSomewhere |= outputs[0].left != input.left;

        std::string where = "seed " + std::to_string(session.seed) + ", block " + std::to_string(block) + " of " +
                            std::to_string(frames) + " frames";
        if (known)
            where += ", at " + std::to_string(transport.now->sample) + (transport.now->playing ? " playing" : " stopped");
        for (const ParameterChange& c : changes)
            where += ", " + std::to_string(c.index) + " = " + std::to_string(c.value) + " at " + std::to_string(c.frame);
        for (std::size_t f = 1; f < outputs.size(); ++f) {
            const char* name = formatName(formats.instances[f]->description().format);
            ASSERT_EQ(firstDifference({outputs[f].left, outputs[f].right}, {outputs[0].left, outputs[0].right}), "")
                << name << ", " << where;
            for (std::size_t i = 0; i < 12; ++i)
                ASSERT_EQ(bitsOf(static_cast<float>(formats.instances[f]->valueInUse(i))),
                          bitsOf(static_cast<float>(formats.instances[0]->valueInUse(i))))
                    << name << ", parameter " << i << ", " << where;
        }
    }
    EXPECT_TRUE(processedSomewhere) << "the session only passed its input through";
}

TEST(FormatsAgree, RandomisedSessions) {
    for (std::uint32_t seed = 1; seed <= 30; ++seed) play({seed, 300, seed % 5 == 0 ? 40 : 0});
}

}  // namespace
