// The LV2 bundle against the VST 2 build where LV2 alone has something to
// say, through the host library's LV2 host: transport messages as a host's
// own transport sends them (inside blocks, at other speeds, from hosts that
// do not count, malformed), a host without a URID map, restarts and the
// presets. (Sessions through the host library's one interface, for all three
// formats, with control values outside the ports' ranges and ports that
// move: tests/player.) Every output sample and every value in use must agree
// to the bit. Transport
// buffers that no host library forges are played through the bundle's
// library directly.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <limits>
#include <map>
#include <cmath>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include <lv2/atom/atom.h>
#include <lv2/time/time.h>

#include "presets/factory_presets.h"
#include "player/lv2_instance.h"
#include "editor/step_timing.h"
#include "lv2/port_layout.h"
#include "tests/support/dice.h"
#include "tests/support/stream.h"

namespace {

constexpr double kRate = 44100.0;

// The LV2 side: the host library's LV2 host of the built bundle, with the
// control values as the host holds them, by port symbol; a value in use is
// "<symbol>_in_use".
class Lv2Side {
public:
    explicit Lv2Side(bool offerUridMap = true) : effect(QUILLBEAT_LV2_BUNDLE, offerUridMap) {
        effect.activate(kRate, 4096);
        for (std::size_t i = 0; i < effect.parameterCount(); ++i)
            held.push_back(static_cast<float>(effect.description().parameters[i].defaultValue));
    }
    void setControl(const std::string& symbol, float value) {
        held[index(symbol)] = value;
        effect.setValue(index(symbol), value);
    }
    float control(const std::string& symbol) const {
        const std::string suffix = "_in_use";
        if (symbol.ends_with(suffix))
            return static_cast<float>(effect.valueInUse(index(symbol.substr(0, symbol.size() - suffix.size()))));
        return held[index(symbol)];
    }
    float defaultValue(const std::string& symbol) const {
        return static_cast<float>(effect.description().parameters[index(symbol)].defaultValue);
    }
    LV2_URID uri(const char* uri) { return effect.map(uri); }
    void sendPosition(std::uint32_t frameInBlock, std::optional<double> frame, std::optional<double> speed) {
        const auto sample = frame ? std::optional(static_cast<std::int64_t>(*frame)) : std::nullopt;
        effect.queueTimeMessage({frameInBlock, sample, speed ? std::optional(static_cast<float>(*speed)) : std::nullopt});
    }
    void sendRawEvent(std::uint32_t frameInBlock, const std::vector<std::uint32_t>& words) {
        effect.queueRawEvent(frameInBlock, words);
    }
    void run(StereoBuffer& buffer) {
        float* channels[2] = {buffer.left.data(), buffer.right.data()};
        EXPECT_TRUE(effect.play({channels, channels, static_cast<std::uint32_t>(buffer.frames()), nullptr, {}, {}}));
    }
    void deactivateAndActivate() {
        effect.deactivate();
        effect.activate(kRate, 4096);
    }
    std::map<std::string, std::map<std::string, float>> presets() {
        std::map<std::string, std::map<std::string, float>> found;
        for (const auto& [label, values] : effect.presets()) found[label].insert(values.begin(), values.end());
        return found;
    }

private:
    std::size_t index(const std::string& symbol) const { return effect.findParameter(symbol).value(); }

    mutable Lv2Instance effect;
    std::vector<float> held;
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

// The VST 2 side of the session: the transport as its host reports it to
// the effect at every process call.
struct Vst2Side {
    TestHost host;
    bool positionKnown = false;
    double position = 0.0;
    double speed = 1.0;

    Vst2Side() {
        host.open();
        host.dispatch(effOpen);
        host.dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
        host.dispatch(effMainsChanged, 0, 1);
        host.dispatch(effStartProcess);
    }
    void processPart(StereoBuffer& block, int from, int to) {
        if (to <= from) return;
        float* channels[2] = {block.left.data() + from, block.right.data() + from};
        host.answerTimeInfo = positionKnown;
        host.timeInfo.samplePos = position;
        host.process(channels, channels, to - from);
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

// Control values a host may send whatever the ports' ranges say.
constexpr float kHostileValues[] = {-4.0f, -1e-30f, 1.0000001f, 3.0f, 1e30f, INFINITY, -INFINITY, NAN};

// The last transport message the host sent, and in which block.
struct LastMessage {
    std::optional<Message> message;
    int block = -2;
};

// What the host does before and in one block.
struct Block {
    std::vector<std::pair<int, float>> changes;  // control and value, as sent
    int frames;
    std::vector<Message> messages;
};

// A control changes at most once between two blocks, and only to a value the
// host does not show already.
Block randomBlock(Dice& dice, const Lv2Side& lv2, const std::vector<std::string>& symbols, double position,
                  LastMessage& last, int blockNumber) {
    const float modes[] = {kManual, kRandom, kAuto};
    Block block{};
    bool changed[12] = {};
    for (int change = dice.below(4) == 0 ? 1 + dice.below(3) : 0; change > 0; --change) {
        const int parameter = dice.below(12);
        float value = parameter == pRndSw && dice.below(2) ? modes[dice.below(3)] : dice.unit();
        if (dice.below(8) == 0) value = kHostileValues[dice.below(8)];
        if (changed[parameter] || bitsOf(value) == bitsOf(lv2.control(symbols[parameter]))) continue;
        changed[parameter] = true;
        block.changes.emplace_back(parameter, value);
    }
    block.frames = dice.below(3) == 0 ? 1 + dice.below(16) : 1 + dice.below(2048);
    block.messages = transportMessages(dice, block.frames, position, last.message, last.block == blockNumber - 1);
    if (!block.messages.empty()) last = {block.messages.back(), blockNumber};
    return block;
}

void send(Lv2Side& lv2, const Block& block, const std::vector<std::string>& symbols) {
    for (const auto& [parameter, value] : block.changes) lv2.setControl(symbols[parameter], value);
    for (const Message& message : block.messages) lv2.sendPosition(message.at, message.frame, message.speed);
}

// The value the effect is to see for `value` on a port: held to the ports'
// range, 0 to 1, and the port's default for a value that is not a number.
float valueForEffect(const Lv2Side& lv2, const std::string& symbol, float value) {
    return std::isnan(value) ? lv2.defaultValue(symbol) : std::clamp(value, 0.0f, 1.0f);
}

std::vector<std::string> parameterSymbols() {
    TestHost vst2;
    vst2.open();
    std::vector<std::string> symbols;
    for (int i = 0; i < 12; ++i) symbols.push_back(vst2.text(effGetParamName, i));
    return symbols;
}

std::string differs(const StereoBuffer& a, const StereoBuffer& b) {
    return firstDifference({a.left, a.right}, {b.left, b.right});
}

std::string valuesInUseDiffer(const Lv2Side& a, const Lv2Side& b, const std::vector<std::string>& symbols) {
    for (const std::string& symbol : symbols)
        if (bitsOf(a.control(symbol + "_in_use")) != bitsOf(b.control(symbol + "_in_use"))) return symbol;
    return "";
}

void playSession(std::uint32_t seed, bool offerUridMap) {
    Dice dice{seed};
    Lv2Side lv2(offerUridMap);
    Vst2Side vst2;
    const std::vector<std::string> symbols = parameterSymbols();

    bool processedSomewhere = false;
    LastMessage last;
    for (int blockNumber = 0; blockNumber < 300; ++blockNumber) {
        const Block block = randomBlock(dice, lv2, symbols, vst2.position, last, blockNumber);
        send(lv2, block, symbols);
        for (const auto& [parameter, value] : block.changes)
            vst2.host.setParameter(parameter, valueForEffect(lv2, symbols[parameter], value));
        if (!offerUridMap) vst2.positionKnown = false;

        StereoBuffer viaLv2 = testSignal(block.frames, blockNumber + 1);
        StereoBuffer viaVst2 = viaLv2;
        lv2.run(viaLv2);
        vst2.play(viaVst2, offerUridMap ? block.messages : std::vector<Message>{});
        processedSomewhere |= viaVst2.left != testSignal(block.frames, blockNumber + 1).left;

        std::string where = "seed " + std::to_string(seed) + ", block " + std::to_string(blockNumber) + " of " +
                            std::to_string(block.frames) + " frames";
        for (const auto& [parameter, value] : block.changes)
            where += ", " + symbols[parameter] + " " + std::to_string(value);
        for (const Message& m : block.messages)
            where += ", message at " + std::to_string(m.at) + ": frame " + (m.frame ? std::to_string(*m.frame) : "-") +
                     ", speed " + (m.speed ? std::to_string(*m.speed) : "-");
        ASSERT_EQ(differs(viaLv2, viaVst2), "") << where;
        for (int i = 0; i < 12; ++i)
            ASSERT_EQ(bitsOf(lv2.control(symbols[i] + "_in_use")), bitsOf(vst2.host.getParameter(i)))
                << symbols[i] << ", " << where;
    }
    EXPECT_TRUE(processedSomewhere) << "the session only passed its input through";
}

// The transport as LV2 hosts word it, which the other formats have no words
// for: speeds other than 0 and 1, a frame or a speed alone, a host that does
// not count. (Sessions for all three formats through the host library's one
// interface, with changes and jumps inside blocks: tests/player.)
TEST(Lv2MatchesVst2, TransportAsLv2HostsWordIt) {
    for (std::uint32_t seed = 1; seed <= 16; ++seed) playSession(seed, true);
}

TEST(Lv2MatchesVst2, WithoutUridMapTheEffectRunsOnItsOwnClock) { playSession(99, false); }

// After deactivate and activate an instance plays as a new one given the
// same control values: envelopes, filter, oscillator, generator and the
// transport it knew are forgotten. A third instance, never restarted, shows
// that its history would have been heard.
TEST(Lv2MatchesVst2, ActivateStartsAsANewInstance) {
    const std::vector<std::string> symbols = parameterSymbols();
    for (std::uint32_t seed = 1; seed <= 8; ++seed) {
        Dice dice{seed};
        Lv2Side restarted, kept;
        std::optional<Lv2Side> fresh;
        LastMessage last;
        bool historyHeard = false;
        for (int blockNumber = 0; blockNumber < 40; ++blockNumber) {
            if (blockNumber == 20) {
                restarted.deactivateAndActivate();
                fresh.emplace();
                for (const std::string& symbol : symbols) fresh->setControl(symbol, restarted.control(symbol));
            }
            const Block block = randomBlock(dice, restarted, symbols, 0.0, last, blockNumber);
            std::vector<StereoBuffer> out(3, testSignal(block.frames, blockNumber + 1));
            Lv2Side* hosts[] = {&restarted, &kept, fresh ? &*fresh : nullptr};
            for (int h = 0; h < 3 && hosts[h] != nullptr; ++h) {
                send(*hosts[h], block, symbols);
                hosts[h]->run(out[h]);
            }
            if (!fresh) continue;
            const std::string where = "seed " + std::to_string(seed) + ", block " + std::to_string(blockNumber);
            ASSERT_EQ(differs(out[0], out[2]), "") << where;
            ASSERT_EQ(valuesInUseDiffer(restarted, *fresh, symbols), "") << where;
            historyHeard |= differs(out[1], out[2]) != "";
        }
        EXPECT_TRUE(historyHeard) << "seed " << seed << ": the history made no difference";
    }
}

// Transport events whose sizes reach past what holds them, each followed by
// a message that moves the transport: the broken event is skipped whole, and
// the message after it applies wherever it can still be found.
TEST(Lv2MatchesVst2, MalformedEventsAreSkippedWhole) {
    // The object's body: numbers, and URIs for the host to map.
    using Word = std::variant<std::uint32_t, const char*>;
    struct Case {
        const char* name;
        bool laterMessageApplies;
        std::uint32_t objectSize;
        std::vector<Word> body;
    };
    const Case cases[] = {
        {"an object larger than the sequence", false, 0xFFFFFFF0u, {0u, LV2_TIME__Position}},
        {"an object of 12 bytes", true, 12, {0u, LV2_TIME__Position, 0u}},
        {"a property header cut by the object's end", true, 16, {0u, LV2_TIME__Position, LV2_TIME__speed, 0u}},
        // A stop inside the object, then a Long whose value lies past it: a
        // message read in part would stop the transport.
        {"a Long whose value lies past its object", true, 48,
         {0u, LV2_TIME__Position, LV2_TIME__speed, 0u, 4u, LV2_ATOM__Float, 0u, 0u, LV2_TIME__frame, 0u, 8u,
          LV2_ATOM__Long}},
    };
    const std::vector<Message> start{{0, 1000.0, 1.0}}, later{{10, 50000.0, std::nullopt}}, none;
    for (const Case& test : cases) {
        Lv2Side lv2;
        std::vector<std::uint32_t> words{test.objectSize, lv2.uri(LV2_ATOM__Object)};
        for (const Word& word : test.body)
            words.push_back(std::holds_alternative<const char*>(word) ? lv2.uri(std::get<const char*>(word))
                                                                      : std::get<std::uint32_t>(word));
        Vst2Side vst2, vst2Otherwise;
        bool laterHeard = false;
        // A block that places the transport, the block with the broken
        // event, and one after it.
        for (int block = 0; block < 3; ++block) {
            if (block == 0) lv2.sendPosition(start[0].at, start[0].frame, start[0].speed);
            if (block == 1) {
                lv2.sendRawEvent(0, words);
                lv2.sendPosition(later[0].at, later[0].frame, later[0].speed);
            }
            const bool applies = block == 1 && test.laterMessageApplies;
            const bool skipped = block == 1 && !test.laterMessageApplies;
            StereoBuffer viaLv2 = testSignal(2048, block + 1), viaVst2 = viaLv2, otherwise = viaLv2;
            lv2.run(viaLv2);
            vst2.play(viaVst2, block == 0 ? start : applies ? later : none);
            vst2Otherwise.play(otherwise, block == 0 ? start : skipped ? later : none);
            EXPECT_EQ(differs(viaLv2, viaVst2), "") << test.name << ", block " << block;
            laterHeard |= differs(otherwise, viaVst2) != "";
        }
        EXPECT_TRUE(laterHeard) << test.name << ": the later message is not heard";
    }
}

// The bundle's library as a host that connects only the audio, the
// transport port and the outputs (the glue holds an unconnected control at
// its value), so a test gives the transport port any buffer at all.
class DirectLv2 {
public:
    explicit DirectLv2(double rate) {
        library = dlopen(QUILLBEAT_LV2_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) throw std::runtime_error(dlerror());
        using DescriptorFunction = const LV2_Descriptor* (*)(std::uint32_t);
        descriptor = reinterpret_cast<DescriptorFunction>(dlsym(library, "lv2_descriptor"))(0);
        const LV2_Feature feature{LV2_URID__map, &uridMap};
        const LV2_Feature* features[] = {&feature, nullptr};
        handle = descriptor->instantiate(descriptor, rate, QUILLBEAT_LV2_BUNDLE, features);
        if (handle == nullptr) return;
        for (std::uint32_t i = port::kStep; i < port::kCount; ++i)
            descriptor->connect_port(handle, i, &stepPorts[i - port::kStep]);
        for (std::uint32_t i = 0; i < kParameterCount; ++i)
            descriptor->connect_port(handle, port::kFirstValueInUse + i, &valuesInUse[i]);
        descriptor->activate(handle);
    }
    ~DirectLv2() {
        if (handle != nullptr) descriptor->cleanup(handle);
        dlclose(library);
    }
    DirectLv2(const DirectLv2&) = delete;
    DirectLv2& operator=(const DirectLv2&) = delete;

    bool instantiated() const { return handle != nullptr; }
    LV2_URID map(const char* uri) { return mapUri(this, uri); }
    // The step's output port `index` as the last run left it.
    float stepPort(std::uint32_t index) const { return stepPorts[index - port::kStep]; }
    // Connects a control to memory holding `value`.
    void setControl(int parameter, float value) {
        controls[static_cast<std::size_t>(parameter)] = value;
        descriptor->connect_port(handle, port::kFirstParameter + static_cast<std::uint32_t>(parameter),
                                 &controls[static_cast<std::size_t>(parameter)]);
    }
    void run(StereoBuffer& audio, const std::vector<std::uint32_t>& transport) {
        for (std::uint32_t c = 0; c < 2; ++c) {
            descriptor->connect_port(handle, port::kInputLeft + c, audio.channels()[c]);
            descriptor->connect_port(handle, port::kOutputLeft + c, audio.channels()[c]);
        }
        descriptor->connect_port(handle, port::kTimeEvents, const_cast<std::uint32_t*>(transport.data()));
        descriptor->run(handle, static_cast<std::uint32_t>(audio.frames()));
    }

private:
    static LV2_URID mapUri(LV2_URID_Map_Handle self, const char* uri) {
        auto& uris = static_cast<DirectLv2*>(self)->uris;
        auto found = std::find(uris.begin(), uris.end(), uri);
        if (found == uris.end()) found = uris.insert(found, uri);
        return static_cast<LV2_URID>(found - uris.begin() + 1);
    }

    void* library = nullptr;
    const LV2_Descriptor* descriptor = nullptr;
    LV2_Handle handle = nullptr;
    std::vector<std::string> uris;
    LV2_URID_Map uridMap{this, &DirectLv2::mapUri};
    std::array<float, port::kStepPortCount> stepPorts{};
    std::array<float, kParameterCount> valuesInUse{}, controls{};
};

// The transport port's buffer: an atom of `type` holding a sequence body
// timed in `unit` (0 for none) with one message at its start, which locates
// the transport to `frame` and rolls at `speed`; `type` null gives an empty
// sequence. The event's time, 0, reads the same in frames and in beats.
std::vector<std::uint32_t> transportBuffer(DirectLv2& lv2, const char* type, const char* unit,
                                           std::uint32_t frame = 50000, float speed = 1.0f) {
    if (type == nullptr) return {8, lv2.map(LV2_ATOM__Sequence), 0, 0};
    const std::uint32_t object[] = {0, lv2.map(LV2_TIME__Position), lv2.map(LV2_TIME__frame), 0, 8,
                                    lv2.map(LV2_ATOM__Long), frame, 0, lv2.map(LV2_TIME__speed), 0, 4,
                                    lv2.map(LV2_ATOM__Float), std::bit_cast<std::uint32_t>(speed), 0};
    std::vector<std::uint32_t> words{0, lv2.map(type), unit != nullptr ? lv2.map(unit) : 0, 0, 0, 0,
                                     sizeof object, lv2.map(LV2_ATOM__Object)};
    words.insert(words.end(), std::begin(object), std::end(object));
    words[0] = static_cast<std::uint32_t>((words.size() - 2) * sizeof(std::uint32_t));
    return words;
}

// Only a sequence timed in frames is read; a sequence timed in beats, and
// any other atom with a sequence's bytes in it, play as an empty sequence. A
// unit that is neither is frames: Ardour leaves whatever bytes it finds.
TEST(Lv2HostileHost, MessagesOnlyFromASequenceTimedInFrames) {
    struct Case {
        const char* name;
        const char* type;
        const char* unit;
        bool heard;
    };
    const Case cases[] = {
        {"a sequence without a unit", LV2_ATOM__Sequence, nullptr, true},
        {"a sequence timed in frames", LV2_ATOM__Sequence, LV2_ATOM__frameTime, true},
        {"a sequence timed in beats", LV2_ATOM__Sequence, LV2_ATOM__beatTime, false},
        {"a sequence with a unit that is no unit", LV2_ATOM__Sequence, LV2_TIME__beat, true},
        {"a Chunk", LV2_ATOM__Chunk, nullptr, false},
        {"an Int", LV2_ATOM__Int, nullptr, false},
    };
    const auto play = [](const char* type, const char* unit) {
        DirectLv2 lv2(kRate);
        std::vector<float> out;
        for (int block = 0; block < 4; ++block) {
            StereoBuffer audio = testSignal(1024, block + 1);
            lv2.run(audio, transportBuffer(lv2, block == 0 ? type : nullptr, unit));
            out.insert(out.end(), audio.left.begin(), audio.left.end());
            out.insert(out.end(), audio.right.begin(), audio.right.end());
        }
        return out;
    };
    const std::vector<float> withoutMessages = play(nullptr, nullptr);
    for (const Case& test : cases)
        EXPECT_EQ(play(test.type, test.unit) != withoutMessages, test.heard) << test.name;
}

// The step's output ports count the host's frames on the step grid while
// the transport rolls, with the note periods of the note counts, and stand,
// saying so, once it stops; the rate is the one the instance runs at.
TEST(Lv2MatchesVst2, StepPortsFollowTheTransport) {
    DirectLv2 lv2(48000.0);
    constexpr float kManual = 0.0f, kVolumeNotes = 0.2f, kFilterNotes = 0.5f;
    lv2.setControl(kRndSw, kManual);
    lv2.setControl(kVNotes, kVolumeNotes);
    lv2.setControl(kFNotes, kFilterNotes);
    const float tempo = kParameterTable[kTempo].initialValue;
    const auto framesPerStep = static_cast<std::uint32_t>(framesPerStepAt(tempo));
    constexpr std::uint32_t kStart = 50000, kFrames = 512;
    for (std::uint32_t block = 0; block < 200; ++block) {
        StereoBuffer audio = testSignal(kFrames, 1);
        lv2.run(audio, transportBuffer(lv2, block == 0 ? LV2_ATOM__Sequence : nullptr, nullptr, kStart));
        const std::uint32_t next = kStart + (block + 1) * kFrames;
        ASSERT_EQ(lv2.stepPort(port::kStep), static_cast<float>((next - 1) / framesPerStep)) << block;
        ASSERT_EQ(lv2.stepPort(port::kFrameInStep), static_cast<float>(next % framesPerStep)) << block;
        ASSERT_EQ(lv2.stepPort(port::kFramesPerStep), static_cast<float>(framesPerStep));
        ASSERT_EQ(lv2.stepPort(port::kPassingThrough), 0.0f) << block;
        // A note period is set where a step starts.
        if ((next - 1) / framesPerStep == kStart / framesPerStep) continue;
        ASSERT_EQ(lv2.stepPort(port::kVolumeNotePeriod), static_cast<float>(notePeriodAt(tempo, kVolumeNotes)));
        ASSERT_EQ(lv2.stepPort(port::kFilterNotePeriod), static_cast<float>(notePeriodAt(tempo, kFilterNotes)));
    }
    EXPECT_EQ(lv2.stepPort(port::kSampleRate), 48000.0f);
    // The first block stopped moves the position there; the rest stand.
    std::optional<float> stoppedAt;
    for (std::uint32_t block = 0; block < 8; ++block) {
        StereoBuffer audio = testSignal(kFrames, 1);
        lv2.run(audio, transportBuffer(lv2, LV2_ATOM__Sequence, nullptr, 70000, 0.0f));
        if (block == 0) continue;
        EXPECT_EQ(lv2.stepPort(port::kPassingThrough), 1.0f) << block;
        if (!stoppedAt) stoppedAt = lv2.stepPort(port::kFrameInStep);
        EXPECT_EQ(lv2.stepPort(port::kFrameInStep), *stoppedAt) << block;
    }
}

// The editions' one range of sample rates (the CLAP tests hold its ends).
TEST(Lv2HostileHost, NoInstanceAtARateTheEffectCannotUse) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    for (double rate : {inf, -inf, std::numeric_limits<double>::quiet_NaN(), 1e300, 0.0, -44100.0})
        EXPECT_FALSE(DirectLv2(rate).instantiated()) << rate;
    EXPECT_TRUE(DirectLv2(48000.0).instantiated());
}

// A preset for each program sets what the program sets and is named as the
// program is; a preset for each factory preset sets its twelve values.
TEST(Lv2MatchesVst2, PresetsAreTheProgramsAndTheFactoryPresets) {
    Lv2Side lv2;
    const auto presets = lv2.presets();
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
