// quillbeat.clap at its binary interface, loaded through the host library's
// CLAP host, against the VST 2 build: the value texts both ways for every
// parameter, state that loads back to the same bytes and refuses what is not
// its own, activation and reset, and the calls of a careless host. (Events
// inside blocks, against the VST 2 build and the LV2 bundle:
// tests/player/formats_agree_test.cpp.)
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "effect/parameters.h"
#include "player/clap_instance.h"
#include "player/vst2_instance.h"
#include "tests/support/block_helpers.h"

namespace {

using namespace clap;
using Bytes = std::vector<std::uint8_t>;

constexpr double kRate = 44100.0;
constexpr std::uint32_t kMaxFrames = 4096;

// The plug-in of each format, created and activated.
template <typename Instance>
std::unique_ptr<Instance> started(const char* path) {
    auto instance = std::make_unique<Instance>(path);
    if (!instance->activate(kRate, kMaxFrames)) throw std::runtime_error(std::string(path) + " did not activate");
    return instance;
}
std::unique_ptr<ClapInstance> startedClap() { return started<ClapInstance>(QUILLBEAT_CLAP_PATH); }
std::unique_ptr<Vst2Instance> startedVst2() { return started<Vst2Instance>(QUILLBEAT_PLUGIN_PATH); }

// The block of `audio`'s first `frames`, in place, the transport playing at
// `position`.
Block blockAt(StereoBuffer& audio, std::uint32_t frames, const HostPosition& position) {
    return {audio.channels(), audio.channels(), frames, &position, {}, {}};
}
bool playAt(PluginInstance& plugin, StereoBuffer& audio, double position) {
    const HostPosition at{position, 120.0, true};
    return plugin.play(blockAt(audio, kMaxFrames, at));
}

std::string clapText(ClapInstance& clap, std::size_t index, double value) {
    return clap.textOfValue(index, value).value_or("(refused)");
}

std::string vst2Text(Vst2Instance& vst2, int index, float value) {
    vst2.setValue(static_cast<std::size_t>(index), value);
    return vst2.text(effGetParamDisplay, index) + std::string(kParameterLabel);
}

// ---- value texts -------------------------------------------------------------

// Every parameter at 0, 1, a sweep between and each side of every value
// where a text changes: the VST 2 build's text and label, and back to a value
// with the same text.
TEST(ClapParameters, TextsAreTheVst2TextsAndReadBack) {
    const auto clapInstance = startedClap();
    ClapInstance& clap = *clapInstance;
    const auto vst2 = startedVst2();
    for (int index = 0; index < kParameterCount; ++index) {
        std::vector<float> values{0.0f, 1.0f};
        for (int k = 1; k < 1000; ++k) values.push_back(static_cast<float>(k) / 1000.0f);
        for (float value = 0.0f; value < 1.0f;) {  // the first value of each text, and the one before it
            const std::string shown = clapText(clap, index, value);
            float low = value, high = 1.0f;
            if (clapText(clap, index, high) == shown) break;
            while (std::nextafter(low, 2.0f) < high) {
                const float middle = std::bit_cast<float>((bitsOf(low) + bitsOf(high)) / 2);
                (clapText(clap, index, middle) == shown ? low : high) = middle;
            }
            values.insert(values.end(), {low, high});
            value = high;
            if (values.size() > 5000) break;  // the number texts change too often to list each
        }
        for (float value : values) {
            const std::string text = clapText(clap, index, value);
            ASSERT_EQ(text, vst2Text(*vst2, index, value)) << kParameterTable[index].name << " at " << value;
            const std::optional<double> back = clap.valueOfText(index, text);
            ASSERT_TRUE(back) << text;
            ASSERT_EQ(clapText(clap, index, *back), text) << kParameterTable[index].name << " read back from " << text;
        }
    }
}

TEST(ClapParameters, TextsAtTheEdges) {
    const auto clapInstance = startedClap();
    ClapInstance& clap = *clapInstance;
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    struct ToText {
        int index;
        double value;
        const char* text;
    };
    // Outside the range and not a number: the text of what setting it gives.
    for (const ToText& c : {ToText{pRndSw, 1.5, "AUTO  "}, {pTempo, -3.0, "120  "}, {pVA, 1e300, "1.000000  "},
                            {pVA, nan, "1.000000  "}, {pTempo, nan, "140  "}, {pVS, 0.25, "0.250000  "}})
        EXPECT_EQ(clapText(clap, c.index, c.value), c.text) << c.index << " " << c.value;
    struct FromText {
        int index;
        const char* text;
        std::optional<double> value;
    };
    for (const FromText& c : {FromText{pRndSw, "random", 0.5}, {pRndSw, " AUTO ", 1.0}, {pRndSw, "MANUALS", {}},
                              {pVA, "0.5", 0.5}, {pVS, "0.3", 0.3f}, {pVA, "7", 1.0}, {pVA, "-1", 0.0},
                              {pTempo, "120", 0.0}, {pTempo, "481", 1.0}, {pVA, "", {}}, {pVA, "0.5x", {}},
                              {pTempo, "1e999", {}}})
        EXPECT_EQ(clap.valueOfText(c.index, c.text), c.value) << c.index << " '" << c.text << "'";
    // Typed between two texts: the first value showing at least that number.
    EXPECT_EQ(clapText(clap, pTempo, *clap.valueOfText(pTempo, "150.5")), "151  ");
    EXPECT_EQ(clapText(clap, pVNotes, *clap.valueOfText(pVNotes, "8")), "8  ");
}

// ---- state -------------------------------------------------------------------

std::vector<double> valuesOf(PluginInstance& plugin) {
    std::vector<double> values;
    for (std::size_t i = 0; i < kParameterCount; ++i) values.push_back(plugin.valueInUse(i));
    return values;
}

// Settings as the host sends them, one after another.
void set(PluginInstance& plugin, std::initializer_list<std::pair<int, double>> settings) {
    for (const auto& [index, value] : settings) plugin.setValue(static_cast<std::size_t>(index), value);
}

TEST(ClapState, LoadsBackToTheSameBytesAndRefusesWhatIsNotItsOwn) {
    // Values set by the host, and in RANDOM the effect's own picks.
    const auto source = startedClap();
    for (int i = 0; i < kParameterCount; ++i) set(*source, {{i, (i + 1) / 13.0}});
    set(*source, {{pRndSw, kManual}, {pTempo, 1.0}});
    const Bytes manual = source->saveState().value();
    set(*source, {{pRndSw, kRandom}});
    StereoBuffer audio = testSignal(kMaxFrames);
    for (std::int64_t at = 0; at < 40000; at += kMaxFrames) ASSERT_TRUE(playAt(*source, audio, at));
    const Bytes saved = source->saveState().value();
    ASSERT_EQ(saved.size(), 12u + 4 * kParameterCount);

    const auto copy = startedClap();
    ASSERT_TRUE(copy->loadState(saved));
    EXPECT_EQ(valuesOf(*copy), valuesOf(*source));
    EXPECT_EQ(copy->saveState(), saved);

    // Each refused, leaving every value as it was.
    const auto patched = [&](std::size_t at, unsigned char byte) {
        Bytes bytes = saved;
        bytes[at] = byte;
        return bytes;
    };
    const std::vector<double> before = valuesOf(*copy);
    const Bytes nan = patched(12 + 3, 0x7f);  // the first value's top byte: 0x7f.. with its high mantissa, NaN
    for (const Bytes& bad : {Bytes{}, Bytes(saved.begin(), saved.end() - 1), Bytes(saved.size(), 0), patched(0, 'X'),
                             patched(4, 2), patched(8, 11), nan}) {
        EXPECT_FALSE(copy->loadState(bad)) << bad.size() << " bytes";
        EXPECT_EQ(valuesOf(*copy), before);
    }
    Bytes longer = saved;
    longer.push_back(0);
    EXPECT_FALSE(copy->loadState(longer));
    EXPECT_EQ(valuesOf(*copy), before);

    // The effect's picks give way to the saved values too, where the host
    // last sent those very values.
    ASSERT_TRUE(source->loadState(manual));
    EXPECT_EQ(source->saveState(), manual);
}

// Activating again (at another rate, then at this one), or a reset in the
// middle of playback, starts the effect anew with the values in use: it
// plays as a new VST 2 effect given them.
TEST(ClapActivation, StartsAnewWithTheValuesInUse) {
    for (const bool reset : {false, true}) {
        SCOPED_TRACE(reset ? "reset" : "activated again");
        const auto clap = startedClap();
        set(*clap, {{pRndSw, kRandom}, {pTempo, 1.0}});
        StereoBuffer audio = testSignal(kMaxFrames);
        for (std::int64_t at = 0; at < 40000; at += kMaxFrames) ASSERT_TRUE(playAt(*clap, audio, at));
        const std::vector<double> inUse = valuesOf(*clap);
        if (reset) {
            ASSERT_TRUE(clap->reset());
        } else {
            ASSERT_TRUE(clap->activate(48000.0, kMaxFrames));
            ASSERT_TRUE(clap->activate(kRate, kMaxFrames));
        }
        EXPECT_EQ(valuesOf(*clap), inUse);

        const auto vst2 = startedVst2();
        for (std::size_t i = 0; i < kParameterCount; ++i) vst2->setValue(i, inUse[i]);
        StereoBuffer clapAudio = testSignal(kMaxFrames, 2), vst2Audio = clapAudio;
        ASSERT_TRUE(playAt(*clap, clapAudio, 50000));
        ASSERT_TRUE(playAt(*vst2, vst2Audio, 50000));
        EXPECT_EQ(clapAudio.left, vst2Audio.left);
        EXPECT_EQ(clapAudio.right, vst2Audio.right);
    }
}

// ---- a recorded take ---------------------------------------------------------

// A change at an absolute frame of the song.
struct SongChange {
    std::int64_t frame;
    ParameterChange change;
};

// Plays 20 s in blocks of 512 from the song's start, each block's changes
// at their frames; returns the output, and the values the plug-in told.
std::vector<float> playTake(PluginInstance& plugin, const std::vector<SongChange>& changes,
                            std::vector<SongChange>* told) {
    constexpr std::uint32_t kBlock = 512;
    std::vector<float> out;
    std::size_t next = 0;
    for (std::int64_t at = 0; at < 20 * 44100; at += kBlock) {
        std::vector<ParameterChange> inBlock;
        for (; next < changes.size() && changes[next].frame < at + kBlock; ++next) {
            inBlock.push_back(changes[next].change);
            inBlock.back().frame = static_cast<std::uint32_t>(changes[next].frame - at);
        }
        StereoBuffer audio = testSignal(kBlock, static_cast<int>(at / kBlock) + 1);
        const HostPosition position{static_cast<double>(at), 120.0, true};
        EXPECT_TRUE(plugin.play({audio.channels(), audio.channels(), kBlock, &position, inBlock, {}}));
        out.insert(out.end(), audio.left.begin(), audio.left.end());
        if (told != nullptr)
            for (const ParameterChange& change : plugin.toldChanges()) told->push_back({at + change.frame, change});
    }
    return out;
}

// What the guide says of a take recorded from the picks: played back in
// MANUAL it sounds the same once the note counts come a step later, as the
// effect uses a picked count from the step after the pick; as recorded,
// each count comes a step early and the take differs.
TEST(ClapTake, PlaysBackInManualWithTheNoteCountsAStepLater) {
    for (const double mode : {kRandom, kAuto}) {
        SCOPED_TRACE(mode == kRandom ? "RANDOM" : "AUTO");
        const auto recording = startedClap();
        set(*recording, {{pRndSw, mode}, {pTempo, 0.6}});
        const std::vector<double> before = valuesOf(*recording);
        std::vector<SongChange> take;
        const std::vector<float> heard = playTake(*recording, {}, &take);
        ASSERT_GT(take.size(), 100u);

        // Each note count moved to the next step change, where it governs.
        std::vector<std::int64_t> steps;
        for (const SongChange& told : take)
            if (steps.empty() || steps.back() != told.frame) steps.push_back(told.frame);
        std::vector<SongChange> countsLater;
        for (SongChange told : take) {
            if (told.change.index == pVNotes || told.change.index == pFNotes) {
                const auto next = std::upper_bound(steps.begin(), steps.end(), told.frame);
                if (next == steps.end()) continue;
                told.frame = *next;
            }
            countsLater.push_back(told);
        }
        std::stable_sort(countsLater.begin(), countsLater.end(),
                         [](const SongChange& a, const SongChange& b) { return a.frame < b.frame; });

        for (const bool later : {true, false}) {
            const auto playback = startedClap();
            for (std::size_t i = 0; i < kParameterCount; ++i) playback->setValue(i, before[i]);
            set(*playback, {{pRndSw, kManual}});
            const std::vector<float> replayed = playTake(*playback, later ? countsLater : take, nullptr);
            EXPECT_EQ(replayed == heard, later) << (later ? "counts a step later" : "as recorded");
        }
    }
}

// ---- a careless or hostile host ----------------------------------------------

std::uint32_t CLAP_CALLBACK threeEvents(const clap_input_events*) { return 3; }
const clap_event_header* CLAP_CALLBACK noEvent(const clap_input_events*, std::uint32_t) { return nullptr; }
const clap_input_events kListWithoutGet{nullptr, threeEvents, nullptr};
const clap_input_events kListWithoutSize{nullptr, nullptr, noEvent};
const clap_output_events kListWithoutPush{nullptr, nullptr};
const clap_ostream kStreamWithoutWrite{nullptr, nullptr};
const clap_istream kStreamWithoutRead{nullptr, nullptr};

// Each call in the middle of a session, which must change nothing: the
// instance plays on to the bit as its twin that was not called, with the
// same values in use. A call that answers says whether it did.
TEST(ClapHostileHost, CallsThatChangeNothing) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    using Call = std::function<bool(ClapInstance&, StereoBuffer&)>;
    const auto refusedAt = [](double rate) -> Call {
        return [rate](ClapInstance& clap, StereoBuffer&) { return !clap.callActivate(rate, kMaxFrames); };
    };
    const auto blockWith = [](const clap_input_events* in, const clap_output_events* out) -> Call {
        return [in, out](ClapInstance& clap, StereoBuffer& audio) {
            const HostPosition at{50000.0, 120.0, true};
            return clap.playWithLists(blockAt(audio, kMaxFrames, at), in, out) == CLAP_PROCESS_CONTINUE;
        };
    };
    const auto flushWith = [](const clap_input_events* in, const clap_output_events* out) -> Call {
        return [in, out](ClapInstance& clap, StereoBuffer&) { return clap.flushWithLists(in, out), true; };
    };
    struct Case {
        const char* name;
        Call call;
        bool processes = false;  // the call is the block
    };
    const Case cases[] = {
        {"init again", [](ClapInstance& clap, StereoBuffer&) { return clap.callInit(); }},
        {"activate at +inf", refusedAt(inf)},
        {"activate at -inf", refusedAt(-inf)},
        {"activate at NaN", refusedAt(nan)},
        {"activate at 1e300", refusedAt(1e300)},
        {"activate at 0", refusedAt(0.0)},
        {"activate at -44100", refusedAt(-44100.0)},
        {"activate at 0.5", refusedAt(0.5)},
        {"activate above 2^24", refusedAt(0x1p24 + 1.0)},
        {"process: events without get", blockWith(&kListWithoutGet, nullptr), true},
        {"process: events without size", blockWith(&kListWithoutSize, nullptr), true},
        {"process: no events", blockWith(nullptr, nullptr), true},
        {"process: output events without try_push", blockWith(nullptr, &kListWithoutPush), true},
        {"flush: events without get", flushWith(&kListWithoutGet, &kListWithoutPush)},
        {"flush: events without size", flushWith(&kListWithoutSize, nullptr)},
        {"flush: no events", flushWith(nullptr, nullptr)},
        {"save to a stream without write",
         [](ClapInstance& clap, StereoBuffer&) { return !clap.saveTo(&kStreamWithoutWrite); }},
        {"save to no stream", [](ClapInstance& clap, StereoBuffer&) { return !clap.saveTo(nullptr); }},
        {"load from a stream without read",
         [](ClapInstance& clap, StereoBuffer&) { return !clap.loadFrom(&kStreamWithoutRead); }},
        {"load from no stream", [](ClapInstance& clap, StereoBuffer&) { return !clap.loadFrom(nullptr); }},
    };
    for (const Case& test : cases) {
        const auto called = startedClap(), twin = startedClap();
        set(*called, {{pRndSw, kRandom}, {pTempo, 1.0}});
        set(*twin, {{pRndSw, kRandom}, {pTempo, 1.0}});
        for (int block = 0; block < 12; ++block) {
            StereoBuffer audio = testSignal(kMaxFrames, block + 1), twinAudio = audio;
            const double position = block == 6 ? 50000.0 : block * double{kMaxFrames};
            if (block == 6) {
                EXPECT_TRUE(test.call(*called, audio)) << test.name;
            }
            if (block != 6 || !test.processes) {
                ASSERT_TRUE(playAt(*called, audio, position));
            }
            ASSERT_TRUE(playAt(*twin, twinAudio, position));
            ASSERT_EQ(audio.left, twinAudio.left) << test.name << ", block " << block;
            ASSERT_EQ(audio.right, twinAudio.right) << test.name << ", block " << block;
            ASSERT_EQ(valuesOf(*called), valuesOf(*twin)) << test.name << ", block " << block;
        }
    }
}

// Every rate a host or a sound file uses, and the ends of the range.
TEST(ClapHostileHost, ActivatesAtEveryUsableRate) {
    for (double rate : {1.0, 8000.0, 44100.0, 48000.0, 96000.0, 192000.0, 768000.0, 44100.5, 0x1p24}) {
        ClapInstance clap(QUILLBEAT_CLAP_PATH);
        EXPECT_TRUE(clap.activate(rate, kMaxFrames)) << rate;
    }
}

}  // namespace
