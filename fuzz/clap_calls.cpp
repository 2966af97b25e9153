#include "fuzz/clap_calls.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/input_bytes.h"

namespace {

using namespace clap;

// The session's language, one command after another; the first byte of each,
// modulo the command count, names it. Once the input is used up every read
// gives zeros. A session starts with the plug-in created and initialised.
//   init        init again
//   activate    a rate (1 byte: one of kRates, or from 0xF0 on 8 raw bytes)
//   deactivate
//   processing  start (odd byte) or stop (even byte) processing
//   process     frames (1 byte), audio (1 byte), transport (1 byte, then
//               for a raw one its bytes), events, output events (1 byte)
//   flush       events, output events (1 byte)
//   reset
//   save        stream (1 byte, a failing one then 1 more)
//   load        stream (1 byte; bytes given: a length byte, then the bytes)
//   recreate    destroy, then create without init
// Events: the list's shape (1 byte), a count (1 byte, modulo 8), then each
// event: its claimed size (1 byte), its bytes, then time, space, type and
// parameter (1 byte each) over them.
enum Command { kInit, kActivate, kDeactivate, kProcessing, kProcess, kFlush, kReset, kSave, kLoad, kRecreate, kCount };

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kRates[] = {44100.0, 48000.0, 96000.0,  8000.0,  192000.0,     768000.0, 22050.0,
                             1.0,     0x1p24,  44100.5,  std::numeric_limits<double>::quiet_NaN(),
                             kInf,    -kInf,   1e300,    0.0,     -0.0,         -44100.0, 0.5,
                             0x1p24 + 1.0,     std::numeric_limits<double>::denorm_min(), 1e-300};

// A rate every host may ask for, and one no plug-in can play at.
bool usualRate(double rate) { return rate >= 8000.0 && rate <= 768000.0; }
bool impossibleRate(double rate) { return !std::isfinite(rate) || rate <= 0.0 || rate > 1e12; }

// ---- the host's event lists -----------------------------------------------------

struct Events {
    std::vector<std::unique_ptr<std::uint8_t[]>> blocks;
    std::vector<const clap_event_header*> headers;
    std::uint32_t claimed = 0;  // what size() answers
    clap_input_events list{this, &size, &get};

    static std::uint32_t CLAP_CALLBACK size(const clap_input_events* list) {
        return static_cast<const Events*>(list->ctx)->claimed;
    }
    // Null past the events it holds.
    static const clap_event_header* CLAP_CALLBACK get(const clap_input_events* list, std::uint32_t index) {
        const auto& headers = static_cast<const Events*>(list->ctx)->headers;
        return index < headers.size() ? headers[index] : nullptr;
    }
};

bool CLAP_CALLBACK refusePush(const clap_output_events*, const clap_event_header*) { return false; }
const clap_output_events kRefusingOutput{nullptr, &refusePush};
const clap_output_events kOutputWithoutPush{nullptr, nullptr};

// ---- the host's streams ---------------------------------------------------------------

// Moves at most `chunk` bytes a call; `failure` other than 0 is what every
// call answers instead: -1, or 1 more than asked.
struct Stream {
    std::vector<std::uint8_t> bytes;
    std::size_t at = 0;
    std::uint64_t chunk = ~std::uint64_t{0};
    int failure = 0;

    std::int64_t answer(std::uint64_t asked) const {
        return failure < 0 ? -1 : static_cast<std::int64_t>(asked) + 1;
    }
    static std::int64_t CLAP_CALLBACK read(const clap_istream* stream, void* buffer, std::uint64_t size) {
        auto& self = *static_cast<Stream*>(stream->ctx);
        if (self.failure != 0) return self.answer(size);
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>({size, self.chunk, self.bytes.size() - self.at}));
        if (n > 0) std::memcpy(buffer, self.bytes.data() + self.at, n);
        self.at += n;
        return static_cast<std::int64_t>(n);
    }
    static std::int64_t CLAP_CALLBACK write(const clap_ostream* stream, const void* buffer, std::uint64_t size) {
        auto& self = *static_cast<Stream*>(stream->ctx);
        if (self.failure != 0) return self.answer(size);
        const auto n = static_cast<std::size_t>(std::min(size, self.chunk));
        const auto* from = static_cast<const std::uint8_t*>(buffer);
        self.bytes.insert(self.bytes.end(), from, from + n);
        return static_cast<std::int64_t>(n);
    }
};

// ---- one session ----------------------------------------------------------------------

class Session {
public:
    Session(const clap_plugin_entry& entry, Bytes in) : entry(entry), in(in) {}
    ~Session() {
        if (plugin != nullptr) plugin->destroy(plugin);
        if (entryStarted) entry.deinit();
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    std::string play() {
        entryStarted = entry.init("");
        if (entryStarted) factory = static_cast<const clap_plugin_factory*>(entry.get_factory(CLAP_PLUGIN_FACTORY_ID));
        if (factory == nullptr) return "no plug-in factory";
        if (!create() || !plugin->init(plugin)) return "the plug-in did not start";
        while (!in.empty() && failure.empty()) {
            switch (in.byte() % kCount) {
                case kInit:
                    if (!plugin->init(plugin)) fail("init refused");
                    break;
                case kActivate: activate(); break;
                case kDeactivate: plugin->deactivate(plugin); break;
                case kProcessing:
                    if (in.byte() & 1)
                        plugin->start_processing(plugin);
                    else
                        plugin->stop_processing(plugin);
                    break;
                case kProcess: process(); break;
                case kFlush: flush(); break;
                case kReset: plugin->reset(plugin); break;
                case kSave: save(); break;
                case kLoad: load(); break;
                default:
                    plugin->destroy(plugin);
                    plugin = nullptr;
                    if (!create()) return "the plug-in was not created again";
            }
        }
        return failure;
    }

private:
    bool create() {
        plugin = factory->create_plugin(factory, &host, factory->get_plugin_descriptor(factory, 0)->id);
        if (plugin == nullptr) return false;
        params = static_cast<const clap_plugin_params*>(plugin->get_extension(plugin, CLAP_EXT_PARAMS));
        state = static_cast<const clap_plugin_state*>(plugin->get_extension(plugin, CLAP_EXT_STATE));
        return params != nullptr && state != nullptr;
    }

    void fail(std::string what) {
        if (failure.empty()) failure = std::move(what);
    }

    // Every value in use stays within 0 to 1, whatever the host sent.
    void checkValues() {
        for (clap_id id = 0; id < 12; ++id) {
            double value = -1.0;
            if (!params->get_value(plugin, id, &value) || !(value >= 0.0 && value <= 1.0))
                fail("value in use " + std::to_string(value) + " of parameter " + std::to_string(id));
        }
    }

    void activate() {
        const std::uint8_t b = in.byte();
        const double rate = b < 0xF0 ? kRates[b % std::size(kRates)] : in.raw<double>();
        const bool accepted = plugin->activate(plugin, rate, 1, 8192);
        if (accepted ? impossibleRate(rate) : usualRate(rate))
            fail(std::string(accepted ? "activate accepted " : "activate refused ") + std::to_string(rate) + " Hz");
    }

    // A list of any shape: none, one without its size or get, one that
    // claims more events than it holds.
    const clap_input_events* events(Events& events) {
        const std::uint8_t shape = in.byte() % 5;
        for (std::uint32_t n = in.byte() % 8; n > 0; --n) {
            const std::uint8_t sizeKind = in.byte() % 4;
            const std::uint32_t claimed = sizeKind == 0   ? sizeof(clap_event_param_value)
                                          : sizeKind == 1 ? sizeof(clap_event_transport)
                                          : sizeKind == 2 ? sizeof(clap_event_header)
                                                          : in.byte();
            const std::size_t size = std::max<std::size_t>(claimed, sizeof(clap_event_header));
            auto block = std::make_unique<std::uint8_t[]>(size);
            for (std::size_t i = 0; i < size; ++i) block[i] = in.byte();
            auto& header = *reinterpret_cast<clap_event_header*>(block.get());
            header.size = claimed;
            header.time = in.byte();
            if (in.byte() % 4 != 0) header.space_id = CLAP_CORE_EVENT_SPACE_ID;
            const std::uint8_t type = in.byte() % 3;
            if (type != 2) header.type = type == 0 ? CLAP_EVENT_PARAM_VALUE : CLAP_EVENT_TRANSPORT;
            const std::uint8_t parameter = in.byte();
            if (size >= sizeof(clap_event_param_value))
                reinterpret_cast<clap_event_param_value&>(header).param_id = parameter % 14;
            events.headers.push_back(&header);
            events.blocks.push_back(std::move(block));
        }
        events.claimed = static_cast<std::uint32_t>(events.headers.size()) + (shape == 4 ? 1 + in.byte() % 3 : 0);
        if (shape == 1) events.list.size = nullptr;
        if (shape == 2) events.list.get = nullptr;
        return shape == 0 ? nullptr : &events.list;
    }

    const clap_output_events* outputEvents() {
        const std::uint8_t shape = in.byte() % 3;
        return shape == 0 ? nullptr : shape == 1 ? &kRefusingOutput : &kOutputWithoutPush;
    }

    // Audio of any shape: separate or shared buffers, which must be played;
    // no input port, mono ports, no channel list or a null channel, which
    // must be refused. A played block's every sample lies within +-1, as the
    // input's do, with every value in use within 0 to 1.
    void process() {
        std::uint32_t frames = in.byte();
        if (frames >= 200) frames = (frames - 200) * 128;
        frames = std::min(frames, kFrameBudget - framesPlayed);
        framesPlayed += frames;
        const std::uint8_t shape = in.byte() % 6;
        // Inputs, then outputs holding NaN until written; a block of no
        // frames has channels too, of no samples.
        std::unique_ptr<float[]> channels[4];
        for (int c = 0; c < 4; ++c) {
            channels[c].reset(new float[frames]);
            for (std::uint32_t i = 0; i < frames; ++i)
                channels[c][i] = c < 2 ? static_cast<float>(std::sin(0.01 * static_cast<double>(framesPlayed + i) + c))
                                       : std::numeric_limits<float>::quiet_NaN();
        }
        float* inputs[2] = {channels[0].get(), channels[1].get()};
        float* outputs[2] = {channels[shape == 1 ? 0 : 2].get(), channels[shape == 1 ? 1 : 3].get()};
        if (shape == 5) outputs[1] = nullptr;
        clap_audio_buffer input{inputs, nullptr, shape == 3 ? 1u : 2u, 0, 0};
        clap_audio_buffer output{shape == 4 ? nullptr : outputs, nullptr, shape == 3 ? 1u : 2u, 0, 0};

        clap_event_transport transport{};
        const std::uint8_t transportKind = in.byte() % 3;
        if (transportKind == 1) {
            auto* bytes = reinterpret_cast<std::uint8_t*>(&transport);
            for (std::size_t i = 0; i < sizeof transport; ++i) bytes[i] = in.byte();
        } else if (transportKind == 2) {
            transport.flags = CLAP_TRANSPORT_HAS_SECONDS_TIMELINE | CLAP_TRANSPORT_IS_PLAYING;
            transport.song_pos_seconds = static_cast<clap_sectime>(static_cast<double>(framesPlayed) * 0x1p31 / 44100.0);
        }
        Events list;
        const clap_input_events* eventList = events(list);
        const clap_process call{-1,
                                frames,
                                transportKind == 0 ? nullptr : &transport,
                                shape == 2 ? nullptr : &input,
                                &output,
                                shape == 2 ? 0u : 1u,
                                1,
                                eventList,
                                outputEvents()};
        const clap_process_status status = plugin->process(plugin, &call);
        const bool playable = shape < 2;
        if (status != (playable ? CLAP_PROCESS_CONTINUE : CLAP_PROCESS_ERROR))
            fail("process answered " + std::to_string(status) + " for audio of shape " + std::to_string(shape));
        for (std::uint32_t i = 0; playable && i < frames; ++i)
            for (int c = 0; c < 2; ++c)
                if (!(std::fabs(outputs[c][i]) <= 1.0f))
                    fail("output " + std::to_string(outputs[c][i]) + " at frame " + std::to_string(i));
        checkValues();
    }

    void flush() {
        Events list;
        const clap_input_events* eventList = events(list);
        params->flush(plugin, eventList, outputEvents());
        checkValues();
    }

    // A stream of any kind: none, one without its function, one that moves
    // a few bytes a call, one that fails; the last state saved whole stays
    // for load.
    void save() {
        const std::uint8_t kind = in.byte() % 5;
        Stream stream;
        if (kind == 3) stream.chunk = 1 + in.byte() % 7;
        if (kind == 4) stream.failure = in.byte() % 2 == 0 ? -1 : 1;
        const clap_ostream out{&stream, kind == 1 ? nullptr : &Stream::write};
        const bool saved = state->save(plugin, kind == 0 ? nullptr : &out);
        if (saved != (kind == 2 || kind == 3))
            fail("save answered " + std::to_string(saved) + " to a stream of kind " + std::to_string(kind));
        if (saved && stream.bytes.size() != 60) fail("a state of " + std::to_string(stream.bytes.size()) + " bytes");
        if (saved) lastSaved = stream.bytes;
    }

    // The last state saved must load, and save again to the same bytes.
    void load() {
        const std::uint8_t kind = in.byte() % 6;
        Stream stream;
        if (kind == 2) stream.bytes = lastSaved;
        if (kind == 3) {
            stream.bytes.resize(in.byte());
            for (std::uint8_t& b : stream.bytes) b = in.byte();
            stream.chunk = 1 + in.byte() % 7;
        }
        if (kind >= 4) stream.failure = kind == 4 ? -1 : 1;
        const clap_istream from{&stream, kind == 1 ? nullptr : &Stream::read};
        const bool loaded = state->load(plugin, kind == 0 ? nullptr : &from);
        if (kind == 2 && !lastSaved.empty()) {
            Stream again;
            const clap_ostream out{&again, &Stream::write};
            if (!loaded || !state->save(plugin, &out) || again.bytes != lastSaved)
                fail("a saved state did not load back to the same bytes");
        }
        checkValues();
    }

    // A session plays a bounded amount of audio, so the fuzzer spends its
    // time on many sessions rather than on long ones.
    static constexpr std::uint32_t kFrameBudget = 1 << 15;

    const clap_plugin_entry& entry;
    Bytes in;
    const clap_host host{CLAP_VERSION,
                         nullptr,
                         "hostile host",
                         "",
                         "",
                         "1",
                         [](const clap_host*, const char*) -> const void* { return nullptr; },
                         [](const clap_host*) {},
                         [](const clap_host*) {},
                         [](const clap_host*) {}};
    bool entryStarted = false;
    const clap_plugin_factory* factory = nullptr;
    const clap_plugin* plugin = nullptr;
    const clap_plugin_params* params = nullptr;
    const clap_plugin_state* state = nullptr;
    std::vector<std::uint8_t> lastSaved;
    std::uint32_t framesPlayed = 0;
    std::string failure;
};

}  // namespace

std::string playClapCalls(const clap_plugin_entry& entry, const std::uint8_t* data, std::size_t size) {
    Session session(entry, Bytes(data, size));
    return session.play();
}
