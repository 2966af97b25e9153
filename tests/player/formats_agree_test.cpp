// The VST 2 build, the LV2 bundle and the CLAP file against each other,
// through the host library's one interface: the same randomised sessions
// played through all three must give the same output bits and the same
// values in use after every block. A session changes parameters inside
// blocks (the VST 2 and LV2 hosts cut the block there; the CLAP plug-in gets
// the event at its frame), sends again the value it sent last, sends values
// outside the range and NaN, moves its transport, stops it, jumps and loops
// between blocks and inside them, leaves it out, plays blocks of 1 to 4096
// frames in every mode, saves and loads the state in the middle, and moves
// and disconnects the LV2 control ports. The values the CLAP plug-in tells
// the host it picked, applied in time order after the host's own at the
// same frame, must give the values in use.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "effect/parameters.h"
#include "player/clap_instance.h"
#include "player/lv2_instance.h"
#include "player/vst2_instance.h"
#include "tests/support/dice.h"
#include "tests/support/stream.h"

namespace {

constexpr double kRate = 44100.0;
constexpr std::uint32_t kMaxFrames = 4096;
constexpr std::size_t kParameters = 12;

// The three formats, VST 2 first: the one the others must sound as.
struct Formats {
    Vst2Instance vst2{QUILLBEAT_PLUGIN_PATH};
    Lv2Instance lv2{QUILLBEAT_LV2_BUNDLE};
    ClapInstance clap{QUILLBEAT_CLAP_PATH};
    std::array<PluginInstance*, 3> all{&vst2, &lv2, &clap};
    Formats() {
        for (PluginInstance* format : all) format->activate(kRate, kMaxFrames);
    }
};

// The host's transport, moved by the session block by block. Every position
// is a whole sample, which fixed-point seconds map back to exactly.
class Transport {
public:
    // Where the next block starts; none until the session first gives one:
    // before, each plug-in runs on its own clock.
    std::optional<HostPosition> now;
    // A jump inside the next block.
    std::optional<PositionChange> jump;

    // Whether the next block starts where the last one ended, playing on,
    // as a plug-in left without the transport would count.
    bool playsOn() const { return now && now->playing && !jump && ended && ended->sample == now->sample; }

    void beforeBlock(Dice& dice, std::uint32_t frames) {
        ended = now && now->playing ? now : std::nullopt;
        jump.reset();
        if (dice.below(8) == 0) change(dice);
        if (!now) return;
        if (loopEnd && now->sample >= *loopEnd) now->sample = loopStart;
        // A rolling transport that names at a block's start the frame it
        // named last is what a host that does not count sends, and the LV2
        // edition counts on: a real jump back there is a frame further.
        if (now->playing && now->sample == lastNamed) now->sample += 1.0;
        lastNamed = now->sample;
        if (frames < 2) return;
        // The loop's end inside the block (a loop is longer than any block),
        // or the user locating, starting or stopping there.
        const double toLoopEnd = loopEnd ? *loopEnd - now->sample : 0.0;
        if (now->playing && toLoopEnd > 0.0 && toLoopEnd < frames) {
            jump = PositionChange{static_cast<std::uint32_t>(toLoopEnd), {loopStart, now->beatsPerMinute, true}};
        } else if (dice.below(6) == 0) {
            const bool playing = dice.below(4) == 0 ? !now->playing : now->playing;
            jump = PositionChange{1 + static_cast<std::uint32_t>(dice.below(static_cast<int>(frames) - 1)),
                                  {place(dice), now->beatsPerMinute, playing}};
        }
        if (jump) lastNamed = jump->position.sample;
    }
    void afterBlock(std::uint32_t frames) {
        if (!now) return;
        const std::uint32_t from = jump ? jump->frame : 0;
        now = jump ? jump->position : *now;
        if (now->playing) now->sample += frames - from;
    }

private:
    static double place(Dice& dice) { return dice.below(40000000) - 100000.0; }
    void change(Dice& dice) {
        switch (dice.below(6)) {
            case 0: now = HostPosition{place(dice), 120.0, true}; break;
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

    std::optional<HostPosition> ended;
    double lastNamed = std::nan("");
    double loopStart = 0.0;
    std::optional<double> loopEnd;
};

// Values a host may send whatever the ranges say.
constexpr float kHostileValues[] = {-4.0f, -1e-30f, 1.0000001f, 3.0f, 1e30f, INFINITY, -INFINITY, NAN};

// The host's value for a parameter: mostly a new one, now and then the one
// it sent last again, or one outside the range.
float hostValue(Dice& dice, std::size_t parameter, float last) {
    const float modes[] = {kManual, kRandom, kAuto};
    switch (dice.below(8)) {
        case 0: return last;
        case 1: return kHostileValues[dice.below(8)];
        default: return parameter == pRndSw && dice.below(2) ? modes[dice.below(3)] : dice.unit();
    }
}

// A value that differs from both, bit for bit.
float newValue(Dice& dice, float last, float inUse) {
    for (;;) {
        const float value = dice.unit();
        if (bitsOf(value) != bitsOf(last) && bitsOf(value) != bitsOf(inUse)) return value;
    }
}

// The VST 2 build with the block's cuts as block boundaries: every change's
// frame, a repeated value's too, and every jump's. (Each is a process call
// of the editions too, and each process call draws from the effect's
// generator.) It is sent only the values passed on, each at its part's
// start, and the position where its part starts.
void playInParts(Vst2Instance& vst2, const Block& block, const std::vector<ParameterChange>& passedOn) {
    std::vector<std::uint32_t> cuts{block.frames};
    for (const ParameterChange& change : block.changes) cuts.push_back(change.frame);
    for (const PositionChange& jump : block.jumps) cuts.push_back(jump.frame);
    std::sort(cuts.begin(), cuts.end());
    std::vector<ParameterChange> atStart;
    for (std::uint32_t from = 0; const std::uint32_t to : cuts) {
        if (to == from) continue;
        atStart.clear();
        for (const ParameterChange& change : passedOn)
            if (change.frame == from) atStart.push_back({0, change.index, change.value});
        const float* in[2] = {block.inputs[0] + from, block.inputs[1] + from};
        float* out[2] = {block.outputs[0] + from, block.outputs[1] + from};
        const std::optional<HostPosition> position = positionAt(block, from);
        EXPECT_TRUE(vst2.play({in, out, to - from, position ? &*position : nullptr, atStart, {}}));
        from = to;
    }
}

struct Session {
    std::uint32_t seed;
    int blocks = 300;
    int withoutTransport = 0;  // blocks before the transport first says where it is
};

// What a session counts, to show it did what it says.
struct Counts {
    int cuts = 0, jumps = 0, absent = 0, repeats = 0;
    std::map<std::string, int> picksTold;  // blocks with picks told, by the mode they started in
    bool processed = false;
};

void play(const Session& session, Counts& counts) {
    Dice dice{session.seed};
    Formats formats;
    // The value an edition makes of a host's: held to the range, the
    // parameter's default for NaN. The editions pass on a value only when it
    // differs, bit for bit, from the one the host sent last: "RANDOM" and
    // "AUTO" pick values of their own that a repeated one must not undo. The
    // VST 2 build is sent only what the editions pass on.
    std::array<float, kParameters> defaults{}, lastSent{};
    for (std::size_t i = 0; i < kParameters; ++i)
        defaults[i] = lastSent[i] = static_cast<float>(formats.lv2.description().parameters[i].defaultValue);
    const auto forEffect = [&](std::size_t i, float value) {
        return std::isnan(value) ? defaults[i] : std::clamp(value, 0.0f, 1.0f);
    };
    // The values in use as the CLAP host hears them.
    std::array<double, kParameters> heard{};
    for (std::size_t i = 0; i < kParameters; ++i) heard[i] = formats.clap.valueInUse(i);

    Transport transport;
    bool disconnected = false;
    std::vector<ParameterChange> changes, passedOn;
    std::vector<std::vector<std::uint8_t>> saved;
    for (int block = 0; block < session.blocks; ++block) {
        const std::uint32_t frames = dice.below(4) == 0   ? 1 + dice.below(16)
                                     : dice.below(16) == 0 ? kMaxFrames
                                                           : 1 + dice.below(kMaxFrames);
        transport.beforeBlock(dice, frames);
        // A transport left out of a block while it plays on is one the
        // plug-ins follow on their own clocks.
        const bool absent = transport.playsOn() && dice.below(12) == 0;
        const bool known = block >= session.withoutTransport && transport.now && !absent;
        counts.absent += absent && block >= session.withoutTransport;

        // Up to four changes inside the block; in the first, the session's
        // mode and the shortest steps.
        changes.clear();
        if (block == 0) changes = {{0, pRndSw, (session.seed % 3) * 0.5}, {0, pTempo, 1.0}};
        // (A control port holds one value at a frame.)
        for (int count = dice.below(3) == 0 ? 1 + dice.below(4) : 0; count > 0; --count) {
            const auto parameter = static_cast<std::uint32_t>(dice.below(kParameters));
            const auto frame = static_cast<std::uint32_t>(dice.below(static_cast<int>(frames)));
            const float value = hostValue(dice, parameter, lastSent[parameter]);
            if (std::none_of(changes.begin(), changes.end(), [&](auto& c) { return c.index == parameter && c.frame == frame; }))
                changes.push_back({frame, parameter, value});
        }
        // In the middle the state is saved; the next block moves every
        // value, and the state is loaded again before the block after it.
        if (block == session.blocks / 2) {
            saved.clear();
            for (PluginInstance* format : formats.all) saved.push_back(format->saveState().value());
            changes.clear();
            for (std::uint32_t i = 0; i < kParameters; ++i)
                changes.push_back({0, i, newValue(dice, lastSent[i], static_cast<float>(formats.vst2.valueInUse(i)))});
        }
        if (block == session.blocks / 2 + 1) {
            for (std::size_t f = 0; f < saved.size(); ++f) ASSERT_TRUE(formats.all[f]->loadState(saved[f]));
            const auto values = valuesFromState(saved[0], kParameters).value();
            std::copy(values.begin(), values.end(), lastSent.begin());
            for (std::size_t i = 0; i < kParameters; ++i) heard[i] = formats.clap.valueInUse(i);
        }
        std::stable_sort(changes.begin(), changes.end(), [](auto& a, auto& b) { return a.frame < b.frame; });
        const std::string modeBefore = formats.vst2.valueText(pRndSw);
        passedOn.clear();
        for (const ParameterChange& change : changes) {
            const auto value = static_cast<float>(change.value);
            counts.cuts += change.frame > 0;
            if (bitsOf(value) == bitsOf(lastSent[change.index])) {
                ++counts.repeats;
                continue;
            }
            lastSent[change.index] = value;
            passedOn.push_back({change.frame, change.index, forEffect(change.index, value)});
        }

        // Moving the ports connects a control left unconnected for a block,
        // which keeps its value, again.
        if (disconnected || dice.below(16) == 0) formats.lv2.moveControlPorts();
        const auto unconnected = static_cast<std::uint32_t>(dice.below(kParameters));
        disconnected = dice.below(16) == 0 && std::abs(block - session.blocks / 2) > 1 &&
                       std::none_of(changes.begin(), changes.end(), [&](auto& c) { return c.index == unconnected; });
        if (disconnected) formats.lv2.disconnectControl(unconnected);

        const StereoBuffer input = testSignal(static_cast<int>(frames), block + 1);
        std::array<StereoBuffer, 3> outputs;
        const HostPosition* position = known ? &*transport.now : nullptr;
        const bool jumps = known && transport.jump;
        for (std::size_t f = 0; f < outputs.size(); ++f) {
            outputs[f] = StereoBuffer(static_cast<int>(frames));
            const float* in[2] = {input.left.data(), input.right.data()};
            float* out[2] = {outputs[f].left.data(), outputs[f].right.data()};
            const Block whole{in, out, frames, position, changes,
                              jumps ? std::span(&*transport.jump, 1) : std::span<const PositionChange>()};
            if (f == 0) {
                playInParts(formats.vst2, whole, passedOn);
            } else {
                EXPECT_TRUE(formats.all[f]->play(whole));
            }
        }
        counts.processed |= outputs[0].left != input.left;
        counts.jumps += jumps;

        std::string where = "seed " + std::to_string(session.seed) + ", block " + std::to_string(block) + " of " +
                            std::to_string(frames) + " frames";
        if (known)
            where += ", at " + std::to_string(transport.now->sample) + (transport.now->playing ? " playing" : " stopped");
        if (jumps)
            where += ", a jump at " + std::to_string(transport.jump->frame) + " to " +
                     std::to_string(transport.jump->position.sample);
        for (const ParameterChange& c : changes)
            where += ", " + std::to_string(c.index) + " = " + std::to_string(c.value) + " at " + std::to_string(c.frame);
        for (std::size_t f = 1; f < outputs.size(); ++f) {
            const char* name = formatName(formats.all[f]->description().format);
            ASSERT_EQ(firstDifference({outputs[f].left, outputs[f].right}, {outputs[0].left, outputs[0].right}), "")
                << name << ", " << where;
            for (std::size_t i = 0; i < kParameters; ++i)
                ASSERT_EQ(bitsOf(static_cast<float>(formats.all[f]->valueInUse(i))),
                          bitsOf(static_cast<float>(formats.vst2.valueInUse(i))))
                    << name << ", parameter " << i << ", " << where;
        }

        // What the CLAP host heard, in time order: at one frame its own
        // value first, as the plug-in applies it before it plays that frame.
        std::vector<ParameterChange> byTime = passedOn;
        const auto told = formats.clap.toldChanges();
        for (const ParameterChange& pick : told) {
            ASSERT_LT(pick.frame, frames) << where;
            ASSERT_LT(pick.index, static_cast<std::uint32_t>(kEnvelopeParameterCount)) << where;
            byTime.push_back(pick);
        }
        if (modeBefore == "MANUAL" &&
            std::none_of(changes.begin(), changes.end(), [](auto& c) { return c.index == pRndSw; })) {
            ASSERT_TRUE(told.empty()) << "picks told in MANUAL, " << where;
        }
        counts.picksTold[modeBefore] += !told.empty();
        std::stable_sort(byTime.begin(), byTime.end(), [](auto& a, auto& b) { return a.frame < b.frame; });
        for (const ParameterChange& change : byTime) heard[change.index] = change.value;
        for (std::size_t i = 0; i < kParameters; ++i)
            ASSERT_EQ(static_cast<float>(heard[i]), static_cast<float>(formats.clap.valueInUse(i)))
                << "as the CLAP host heard it, parameter " << i << ", " << where;
        transport.afterBlock(frames);
    }
}

TEST(FormatsAgree, RandomisedSessions) {
    Counts counts;
    for (std::uint32_t seed = 1; seed <= 30; ++seed) {
        play({seed, 300, seed % 5 == 0 ? 40 : 0}, counts);
        if (HasFatalFailure()) return;
    }
    EXPECT_TRUE(counts.processed) << "the sessions only passed their input through";
    EXPECT_GT(counts.cuts, 3000);
    EXPECT_GT(counts.jumps, 600);
    EXPECT_GT(counts.absent, 150);
    EXPECT_GT(counts.repeats, 400);
    EXPECT_GT(counts.picksTold["RANDOM"], 200);
    EXPECT_GT(counts.picksTold["AUTO"], 200);
}

}  // namespace
