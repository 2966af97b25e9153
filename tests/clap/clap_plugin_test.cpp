// quillbeat.clap at its binary interface, loaded as a CLAP host loads it,
// against the VST 2 build: the value texts both ways for every parameter,
// state that loads back to the same bytes and refuses what is not its own,
// and parameter events inside blocks, which must sound as the VST 2 build
// does with the same cuts as block boundaries.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "effect/parameters.h"
#include "tests/clap/clap_instance.h"
#include "tests/support/block_helpers.h"

namespace {

using namespace clap_test;

std::string vst2Text(TestHost& vst2, int index, float value) {
    vst2.setParameter(index, value);
    return vst2.text(effGetParamDisplay, index) + std::string(kParameterLabel);
}

// ---- value texts -------------------------------------------------------------

// Every parameter at 0, 1, a sweep between and each side of every value
// where a text changes: the VST 2 build's text and label, and back to a value
// with the same text.
TEST(ClapParameters, TextsAreTheVst2TextsAndReadBack) {
    ClapEffect clap;
    TestHost vst2;
    ASSERT_NE(vst2.open(), nullptr);
    for (int index = 0; index < kParameterCount; ++index) {
        std::vector<float> values{0.0f, 1.0f};
        for (int k = 1; k < 1000; ++k) values.push_back(static_cast<float>(k) / 1000.0f);
        for (float value = 0.0f; value < 1.0f;) {  // the first value of each text, and the one before it
            const std::string shown = clap.text(index, value);
            float low = value, high = 1.0f;
            if (clap.text(index, high) == shown) break;
            while (std::nextafter(low, 2.0f) < high) {
                const float middle = std::bit_cast<float>((bitsOf(low) + bitsOf(high)) / 2);
                (clap.text(index, middle) == shown ? low : high) = middle;
            }
            values.insert(values.end(), {low, high});
            value = high;
            if (values.size() > 5000) break;  // the number texts change too often to list each
        }
        for (float value : values) {
            const std::string text = clap.text(index, value);
            ASSERT_EQ(text, vst2Text(vst2, index, value)) << kParameterTable[index].name << " at " << value;
            const std::optional<double> back = clap.valueOf(index, text.c_str());
            ASSERT_TRUE(back) << text;
            ASSERT_EQ(clap.text(index, *back), text) << kParameterTable[index].name << " read back from " << text;
        }
    }
}

TEST(ClapParameters, TextsAtTheEdges) {
    ClapEffect clap;
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    struct ToText {
        int index;
        double value;
        const char* text;
    };
    // Outside the range and not a number: the text of what setting it gives.
    for (const ToText& c : {ToText{pRndSw, 1.5, "AUTO  "}, {pTempo, -3.0, "120  "}, {pVA, 1e300, "1.000000  "},
                            {pVA, nan, "1.000000  "}, {pTempo, nan, "140  "}, {pVS, 0.25, "0.250000  "}})
        EXPECT_EQ(clap.text(c.index, c.value), c.text) << c.index << " " << c.value;
    struct FromText {
        int index;
        const char* text;
        std::optional<double> value;
    };
    for (const FromText& c : {FromText{pRndSw, "random", 0.5}, {pRndSw, " AUTO ", 1.0}, {pRndSw, "MANUALS", {}},
                              {pVA, "0.5", 0.5}, {pVS, "0.3", 0.3f}, {pVA, "7", 1.0}, {pVA, "-1", 0.0},
                              {pTempo, "120", 0.0}, {pTempo, "481", 1.0}, {pVA, "", {}}, {pVA, "0.5x", {}},
                              {pTempo, "1e999", {}}})
        EXPECT_EQ(clap.valueOf(c.index, c.text), c.value) << c.index << " '" << c.text << "'";
    // Typed between two texts: the first value showing at least that number.
    EXPECT_EQ(clap.text(pTempo, *clap.valueOf(pTempo, "150.5")), "151  ");
    EXPECT_EQ(clap.text(pVNotes, *clap.valueOf(pVNotes, "8")), "8  ");
}

// ---- state -------------------------------------------------------------------

std::vector<double> valuesOf(ClapEffect& clap) {
    std::vector<double> values;
    for (int i = 0; i < kParameterCount; ++i) values.push_back(clap.value(i));
    return values;
}

TEST(ClapState, LoadsBackToTheSameBytesAndRefusesWhatIsNotItsOwn) {
    // Values set by the host, and in RANDOM the effect's own picks.
    ClapEffect source;
    EventList settings;
    for (int i = 0; i < kParameterCount; ++i) settings.events.push_back(parameterEvent(0, i, (i + 1) / 13.0));
    settings.events.push_back(parameterEvent(0, pRndSw, kManual));
    settings.events.push_back(parameterEvent(0, pTempo, 1.0));
    source.flush(settings);
    const Bytes manual = source.save();
    EventList random;
    random.events.push_back(parameterEvent(0, pRndSw, kRandom));
    source.flush(random);
    StereoBuffer audio = testSignal(kMaxFrames);
    for (std::int64_t at = 0; at < 40000; at += kMaxFrames) source.process(audio, kMaxFrames, at, true, {});
    const Bytes saved = source.save();
    ASSERT_EQ(saved.size(), 12u + 4 * kParameterCount);

    ClapEffect copy;
    ASSERT_TRUE(copy.load(saved));
    EXPECT_EQ(valuesOf(copy), valuesOf(source));
    EXPECT_EQ(copy.save(), saved);

    // Each refused, leaving every value as it was.
    const auto patched = [&](std::size_t at, unsigned char byte) {
        Bytes bytes = saved;
        bytes[at] = byte;
        return bytes;
    };
    const std::vector<double> before = valuesOf(copy);
    const Bytes nan = patched(12 + 3, 0x7f);  // the first value's top byte: 0x7f.. with its high mantissa, NaN
    for (const Bytes& bad : {Bytes{}, Bytes(saved.begin(), saved.end() - 1), Bytes(saved.size(), 0), patched(0, 'X'),
                             patched(4, 2), patched(8, 11), nan}) {
        EXPECT_FALSE(copy.load(bad)) << bad.size() << " bytes";
        EXPECT_EQ(valuesOf(copy), before);
    }
    Bytes longer = saved;
    longer.push_back(0);
    EXPECT_FALSE(copy.load(longer));
    EXPECT_EQ(valuesOf(copy), before);

    // The effect's picks give way to the saved values too, where the host
    // last sent those very values.
    ASSERT_TRUE(source.load(manual));
    EXPECT_EQ(source.save(), manual);
}

// Activating again, or a reset in the middle of playback, starts the effect
// anew with the values in use: it plays as a new VST 2 effect given them.
TEST(ClapActivation, StartsAnewWithTheValuesInUse) {
    for (const bool reset : {false, true}) {
        SCOPED_TRACE(reset ? "reset" : "activated again");
        ClapEffect clap;
        EventList settings;
        settings.events = {parameterEvent(0, pRndSw, kRandom), parameterEvent(0, pTempo, 1.0)};
        clap.flush(settings);
        StereoBuffer audio = testSignal(kMaxFrames);
        for (std::int64_t at = 0; at < 40000; at += kMaxFrames) clap.process(audio, kMaxFrames, at, true, {});
        const std::vector<double> inUse = valuesOf(clap);
        if (reset) {
            clap.reset();
        } else {
            clap.reactivate();
        }
        EXPECT_EQ(valuesOf(clap), inUse);

        TestHost vst2;
        ASSERT_NE(vst2.open(), nullptr);
        for (int i = 0; i < kParameterCount; ++i) vst2.setParameter(i, static_cast<float>(inUse[i]));
        StereoBuffer clapAudio = testSignal(kMaxFrames, 2), vst2Audio = clapAudio;
        clap.process(clapAudio, kMaxFrames, 50000, true, {});
        vst2.processAt(50000, vst2Audio);
        EXPECT_EQ(clapAudio.left, vst2Audio.left);
        EXPECT_EQ(clapAudio.right, vst2Audio.right);
    }
}

// ---- a careless or hostile host ----------------------------------------------

std::uint32_t CLAP_CALLBACK threeEvents(const clap_input_events*) { return 3; }
const clap_input_events kListWithoutGet{nullptr, threeEvents, nullptr};
const clap_input_events kListWithoutSize{nullptr, nullptr, &EventList::get};
const clap_output_events kListWithoutPush{nullptr, nullptr};
const clap_ostream kStreamWithoutWrite{nullptr, nullptr};
const clap_istream kStreamWithoutRead{nullptr, nullptr};

// Each call in the middle of a session, which must change nothing: the
// instance plays on to the bit as its twin that was not called, with the
// same values in use. A call that answers says whether it did.
TEST(ClapHostileHost, CallsThatChangeNothing) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    using Block = StereoBuffer;
    const auto refusedAt = [](double rate) {
        return [rate](ClapEffect& clap, Block&) { return !clap.activate(rate); };
    };
    const auto blockWith = [](const clap_input_events* in, const clap_output_events* out) {
        return [in, out](ClapEffect& clap, Block& audio) {
            return clap.process(audio, kMaxFrames, 50000, true, in, out) == CLAP_PROCESS_CONTINUE;
        };
    };
    const auto flushWith = [](const clap_input_events* in, const clap_output_events* out) {
        return [in, out](ClapEffect& clap, Block&) { return clap.flush(in, out), true; };
    };
    struct Case {
        const char* name;
        std::function<bool(ClapEffect&, Block&)> call;
        bool processes = false;  // the call is the block
    };
    const Case cases[] = {
        {"init again", [](ClapEffect& clap, Block&) { return clap.init(); }},
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
        {"save to a stream without write", [](ClapEffect& clap, Block&) { return !clap.save(&kStreamWithoutWrite); }},
        {"save to no stream", [](ClapEffect& clap, Block&) { return !clap.save(nullptr); }},
        {"load from a stream without read", [](ClapEffect& clap, Block&) { return !clap.load(&kStreamWithoutRead); }},
        {"load from no stream", [](ClapEffect& clap, Block&) { return !clap.load(nullptr); }},
    };
    EventList settings;
    settings.events = {parameterEvent(0, pRndSw, kRandom), parameterEvent(0, pTempo, 1.0)};
    for (const Case& test : cases) {
        ClapEffect called, twin;
        called.flush(settings);
        twin.flush(settings);
        for (int block = 0; block < 12; ++block) {
            Block audio = testSignal(kMaxFrames, block + 1), twinAudio = audio;
            const std::int64_t position = block == 6 ? 50000 : block * kMaxFrames;
            if (block == 6) {
                EXPECT_TRUE(test.call(called, audio)) << test.name;
            }
            if (block != 6 || !test.processes) called.process(audio, kMaxFrames, position, true, {});
            twin.process(twinAudio, kMaxFrames, position, true, {});
            ASSERT_EQ(audio.left, twinAudio.left) << test.name << ", block " << block;
            ASSERT_EQ(audio.right, twinAudio.right) << test.name << ", block " << block;
            ASSERT_EQ(valuesOf(called), valuesOf(twin)) << test.name << ", block " << block;
        }
    }
}

// Every rate a host or a sound file uses, and the ends of the range.
TEST(ClapHostileHost, ActivatesAtEveryUsableRate) {
    for (double rate : {1.0, 8000.0, 44100.0, 48000.0, 96000.0, 192000.0, 768000.0, 44100.5, 0x1p24}) {
        ClapEffect clap;
        EXPECT_TRUE(clap.activate(rate)) << rate;
    }
}

// ---- events inside blocks ----------------------------------------------------

struct Cuts {
    const char* name;
    float mode;
};

void PrintTo(const Cuts& cuts, std::ostream* out) { *out << cuts.name; }

class ClapEvents : public ::testing::TestWithParam<Cuts> {};

// A session of blocks with parameter events at their first frames and
// inside them, some repeating the value the host last sent, the transport
// playing, standing, absent and jumping inside a block. The VST 2 build
// plays each part between events as a block of its own at the position the
// part starts at, and is sent only the values the host changed. Every value
// a step picks reaches the host as an event inside its block.
TEST_P(ClapEvents, SoundAsTheVst2BuildWithTheSameCuts) {
    ClapEffect clap;
    TestHost vst2;
    ASSERT_NE(vst2.open(), nullptr);
    // The values the host last sent, as floats and as bit patterns.
    std::vector<float> hostValues(kParameterCount);
    std::vector<std::uint32_t> sent(kParameterCount);
    for (int i = 0; i < kParameterCount; ++i) sent[i] = bitsOf(hostValues[i] = vst2.getParameter(i));

    std::mt19937 random(7);
    StereoBuffer clapAudio = testSignal(kMaxFrames), vst2Audio(kMaxFrames);
    std::int64_t position = 5000;
    int cuts = 0, jumped = 0, picksTold = 0;
    std::vector<double> heard = valuesOf(clap);
    std::vector<std::uint32_t> hostSent = sent;
    for (int block = 0; block < 150; ++block) {
        const std::uint32_t frames = 1 + random() % 1500;
        const bool absent = block % 9 == 4, standing = block % 7 == 3;
        EventList events;
        if (block == 0) {
            events.events.push_back(parameterEvent(0, pRndSw, GetParam().mode));
            events.events.push_back(parameterEvent(0, pTempo, 1.0));
        }
        // A jump back inside some playing blocks: a loop, or the user.
        const bool jumps = !absent && !standing && block % 5 == 2;
        const std::uint32_t jumpAt = frames / 3;
        const std::int64_t jumpTo = position / 2;
        for (std::uint32_t n = random() % 4, at = 0; n > 0; --n) {
            at = std::min<std::uint32_t>(frames - 1, at + random() % (frames / 2 + 1));
            const int index = static_cast<int>(random() % kEnvelopeParameterCount);
            const bool repeat = random() % 3 == 0;
            events.events.push_back(parameterEvent(at, index, repeat ? hostValues[index] : (random() % 1000) / 999.0));
            hostValues[index] = static_cast<float>(events.events.back().parameter.value);
        }
        if (jumps) {
            const auto later = std::find_if(events.events.begin(), events.events.end(),
                                            [&](const Event& event) { return event.header()->time > jumpAt; });
            events.events.insert(later, Event{{}, jumpTo, transportAt(jumpAt, jumpTo, true)});
        }
        clapAudio = testSignal(kMaxFrames, block + 1);
        vst2Audio = clapAudio;
        clap.process(clapAudio, frames, absent ? std::nullopt : std::optional(position), !standing, events);

        // The same with the cuts as block boundaries.
        std::uint32_t done = 0, positionFrame = 0;
        std::size_t next = 0;
        while (done < frames) {
            for (; next < events.events.size() && events.events[next].header()->time == done; ++next) {
                const Event& event = events.events[next];
                if (event.jump) {
                    position = *event.jump;
                    positionFrame = done;
                    continue;
                }
                const clap_id id = event.parameter.param_id;
                const auto value = static_cast<float>(event.parameter.value);
                if (bitsOf(value) == sent[id]) continue;
                sent[id] = bitsOf(value);
                vst2.setParameter(static_cast<VstInt32>(id), value);
            }
            const std::uint32_t end = next < events.events.size() ? events.events[next].header()->time : frames;
            vst2.answerTimeInfo = !absent;
            vst2.timeInfo.samplePos = static_cast<double>(position + (standing ? 0 : done - positionFrame));
            float* part[2] = {vst2Audio.left.data() + done, vst2Audio.right.data() + done};
            vst2.process(part, part, static_cast<VstInt32>(end - done));
            cuts += done > 0;
            done = end;
        }
        ASSERT_EQ(std::memcmp(clapAudio.left.data(), vst2Audio.left.data(), frames * sizeof(float)), 0) << block;
        ASSERT_EQ(std::memcmp(clapAudio.right.data(), vst2Audio.right.data(), frames * sizeof(float)), 0) << block;
        for (int i = 0; i < kParameterCount; ++i)
            ASSERT_EQ(static_cast<float>(clap.value(i)), vst2.getParameter(i)) << "block " << block << ", " << i;
        // What the host heard, in time order: at one frame its own event
        // first, as the plug-in applies it before it plays that frame. A
        // value it sent before, again, leaves a pick in place.
        std::vector<clap_event_param_value> byTime;
        for (const Event& event : events.events) {
            if (event.jump) continue;
            const auto value = static_cast<float>(event.parameter.value);
            if (bitsOf(value) != hostSent[event.parameter.param_id]) byTime.push_back(event.parameter);
            hostSent[event.parameter.param_id] = bitsOf(value);
        }
        for (const clap_event_param_value& told : clap.told) {
            ASSERT_LT(told.header.time, frames);
            ASSERT_LT(told.param_id, static_cast<clap_id>(kEnvelopeParameterCount));
            byTime.push_back(told);
        }
        std::stable_sort(byTime.begin(), byTime.end(),
                         [](const auto& a, const auto& b) { return a.header.time < b.header.time; });
        for (const clap_event_param_value& event : byTime) heard[event.param_id] = event.value;
        picksTold += !clap.told.empty();
        for (int i = 0; i < kParameterCount; ++i)
            ASSERT_EQ(static_cast<float>(heard[i]), static_cast<float>(clap.value(i))) << "block " << block << ", " << i;
        if (!standing) position += frames - positionFrame;
        jumped += jumps;
    }
    EXPECT_GT(cuts, 100);
    EXPECT_GT(jumped, 20);
    if (GetParam().mode == kManual) {
        EXPECT_EQ(picksTold, 0);
    } else {
        EXPECT_GT(picksTold, 5);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryMode, ClapEvents,
                         ::testing::Values(Cuts{"manual", kManual}, Cuts{"random", kRandom}, Cuts{"auto", kAuto}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
