#include "fuzz/lv2_messages.h"

#include <lv2/atom/atom.h>
#include <lv2/time/time.h>
#include <lv2/urid/urid.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <string_view>
#include <vector>

#include "fuzz/input_bytes.h"
#include "lv2/port_layout.h"

namespace {

// The session's language, one command after another; the first byte of each,
// modulo 3, names it. Once the input is used up every read gives zeros.
//   run      frame count (1 byte), buffer length (2 bytes, little-endian),
//            then that many bytes: the transport port's buffer from its atom
//            header on
//   control  port (1 byte, modulo the parameter count), then the value's
//            4 bytes as a float's bits, little-endian
//   restart  deactivate, then activate
enum Command { kRun, kControl, kRestart, kCommandCount };

// The URIDs, fixed so that a committed input names the same things in every
// build: a URI's URID is its place in this list, from 1. New ones go at the
// end.
constexpr std::array<std::string_view, 14> kUris = {
    LV2_ATOM__Sequence, LV2_ATOM__Object,   LV2_ATOM__Blank,     LV2_ATOM__Int,   LV2_ATOM__Long,
    LV2_ATOM__Float,    LV2_ATOM__Double,   LV2_TIME__Position,  LV2_TIME__frame, LV2_TIME__speed,
    LV2_TIME__beatsPerMinute, LV2_ATOM__frameTime, LV2_ATOM__beatTime, LV2_ATOM__Chunk};

LV2_URID mapUri(LV2_URID_Map_Handle, const char* uri) {
    const auto found = std::find(kUris.begin(), kUris.end(), std::string_view(uri));
    return found != kUris.end() ? static_cast<LV2_URID>(found - kUris.begin() + 1) : 0;
}

class Session {
public:
    explicit Session(const LV2_Descriptor& descriptor) : descriptor(descriptor) {
        const LV2_Feature feature{LV2_URID__map, &map};
        const LV2_Feature* features[] = {&feature, nullptr};
        handle = descriptor.instantiate(&descriptor, 44100.0, "", features);
        if (handle == nullptr) return;
        for (std::uint32_t i = 0; i < kParameterCount; ++i) {
            descriptor.connect_port(handle, port::kFirstParameter + i, &controls[i]);
            descriptor.connect_port(handle, port::kFirstValueInUse + i, &valuesInUse[i]);
        }
        descriptor.activate(handle);
    }
    ~Session() {
        if (handle == nullptr) return;
        descriptor.deactivate(handle);
        descriptor.cleanup(handle);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    bool started() const { return handle != nullptr; }

    void control(std::uint32_t index, float value) { controls[index % kParameterCount] = value; }
    void restart() {
        descriptor.deactivate(handle);
        descriptor.activate(handle);
    }

    // One block of `frames` with `events` in the transport port. With every
    // control within 0 to 1 the gain, the filter's coefficient and the
    // oscillator stay within 0 to 1 too, so each output sample lies between
    // the one before and a full-scale input's: none may exceed 1 in size.
    std::string run(std::uint32_t frames, const std::uint8_t* events) {
        std::vector<float> in[2], out[2];
        for (int c = 0; c < 2; ++c) {
            in[c].resize(frames);
            out[c].resize(frames);
            for (std::uint32_t i = 0; i < frames; ++i) in[c][i] = static_cast<float>(std::sin(0.01 * (phase + i) + c));
            descriptor.connect_port(handle, port::kInputLeft + c, in[c].data());
            descriptor.connect_port(handle, port::kOutputLeft + c, out[c].data());
        }
        phase += frames;
        descriptor.connect_port(handle, port::kTimeEvents, const_cast<std::uint8_t*>(events));
        descriptor.run(handle, frames);
        for (int c = 0; c < 2; ++c)
            for (std::uint32_t i = 0; i < frames; ++i)
                if (!(std::fabs(out[c][i]) <= 1.0f))
                    return "output " + std::to_string(out[c][i]) + " at frame " + std::to_string(i) +
                           " of a full-scale input";
        for (std::uint32_t i = 0; i < kParameterCount; ++i)
            if (!(valuesInUse[i] >= 0.0f && valuesInUse[i] <= 1.0f))
                return "value in use " + std::to_string(valuesInUse[i]) + " of control " + std::to_string(i);
        return "";
    }

private:
    const LV2_Descriptor& descriptor;
    LV2_URID_Map map{nullptr, mapUri};
    LV2_Handle handle = nullptr;
    float controls[kParameterCount] = {};
    float valuesInUse[kParameterCount] = {};
    std::uint64_t phase = 0;
};

}  // namespace

std::string playLv2Messages(const LV2_Descriptor& descriptor, const std::uint8_t* data, std::size_t size) {
    Bytes input(data, size);
    Session session(descriptor);
    if (!session.started()) return "the plug-in refused to instantiate";
    while (!input.empty()) {
        switch (input.byte() % kCommandCount) {
            case kRun: {
                const std::uint32_t frames = input.byte();
                std::size_t length = input.byte();
                length |= static_cast<std::size_t>(input.byte()) << 8;
                // A buffer holds at least a sequence's header; the host sees to
                // it that the sequence's size fits the buffer.
                length = std::max(length, sizeof(LV2_Atom));
                const auto events = std::make_unique<std::uint8_t[]>(length);
                for (std::size_t i = 0; i < length; ++i) events[i] = input.byte();
                auto& atom = *reinterpret_cast<LV2_Atom*>(events.get());
                atom.size = std::min<std::uint32_t>(atom.size, static_cast<std::uint32_t>(length - sizeof(LV2_Atom)));
                const std::string failure = session.run(frames, events.get());
                if (!failure.empty()) return failure;
                break;
            }
            case kControl: {
                const std::uint32_t index = input.byte();
                session.control(index, input.raw<float>());
                break;
            }
            default: session.restart();
        }
    }
    return "";
}
