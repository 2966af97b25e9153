#include "fuzz/hostile_requests.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "fuzz/input_bytes.h"
#include "tests/support/test_host.h"

#if defined(__SANITIZE_ADDRESS__)
#define QUILLBEAT_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUILLBEAT_ASAN 1
#endif
#endif
#if defined(QUILLBEAT_ASAN)
#include <sanitizer/asan_interface.h>
#endif

namespace {

// ---- reading the input ------------------------------------------------------

constexpr float kFloatNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kFloatInf = std::numeric_limits<float>::infinity();
constexpr float kFloatMax = std::numeric_limits<float>::max();
constexpr float kFloatDenorm = std::numeric_limits<float>::denorm_min();

// Values a hostile host likes to send, for parameters and samples alike.
constexpr float kOddFloats[] = {0.0f,      -0.0f,      1.0f,   0.5f,      -1.0f,     2.0f,          kFloatNaN,
                                -kFloatNaN, kFloatInf,  -kFloatInf, kFloatMax, -kFloatMax, kFloatDenorm, -kFloatDenorm,
                                1e-38f,    1e9f,       -1e9f,  1e30f,     0.0666667f, 0.3448276f,    0.6896552f,
                                16.0f,     -16.0f,     4e9f,   2.9f,      0.24f,      -0.1f,         -0.0666667f,
                                -0.35f,    -1e-3f};

// Host positions at the edges: non-finite, the ends of the 32-bit range and
// beyond, values that round across zero.
constexpr double kOddPositions[] = {std::numeric_limits<double>::quiet_NaN(),
                                    std::numeric_limits<double>::infinity(),
                                    -std::numeric_limits<double>::infinity(),
                                    2147483647.0,
                                    2147483647.5,
                                    2147483648.0,
                                    -2147483648.0,
                                    -2147483648.5,
                                    -2147483649.0,
                                    4294967296.0,
                                    4294967295.0,
                                    9007199254740992.0,
                                    -9007199254740992.0,
                                    1e300,
                                    -1e300,
                                    std::numeric_limits<double>::max(),
                                    std::numeric_limits<double>::denorm_min(),
                                    -0.7,
                                    -1.5,
                                    0.0};

float oddFloat(Bytes& in) { return kOddFloats[in.byte() % std::size(kOddFloats)]; }

// Any float at all: odd ones, hundredths from -1 to 1, or raw bits.
float anyFloat(Bytes& in) {
    const std::uint8_t kind = in.byte() % 3;
    if (kind == 0) return oddFloat(in);
    if (kind == 1) return static_cast<float>(static_cast<int>(in.byte() % 201) - 100) * 0.01f;
    return in.raw<float>();
}

// Mostly the parameter range and just beyond it, sometimes any 32-bit number.
VstInt32 anyIndex(Bytes& in) {
    const std::uint8_t b = in.byte();
    if (b < 240) return static_cast<VstInt32>(b % 20) - 2;
    return in.raw<VstInt32>();
}

// ---- guarded buffers --------------------------------------------------------------

// A heap buffer of exactly `size` usable bytes followed by a guard zone. A
// write into the guard is found by the check after each request; under
// AddressSanitizer the guard is poisoned too, so even a read is caught.
class GuardedBuffer {
public:
    static constexpr std::size_t kGuard = 32;
    static constexpr unsigned char kGuardByte = 0xA5;

    explicit GuardedBuffer(std::size_t size, unsigned char fill = 0)
        : usable(size), storage(new unsigned char[size + kGuard]) {
        std::memset(storage.get(), fill, size);
        std::memset(storage.get() + size, kGuardByte, kGuard);
#if defined(QUILLBEAT_ASAN)
        ASAN_POISON_MEMORY_REGION(storage.get() + size, kGuard);
#endif
    }
    ~GuardedBuffer() {
#if defined(QUILLBEAT_ASAN)
        ASAN_UNPOISON_MEMORY_REGION(storage.get() + usable, kGuard);
#endif
    }
    GuardedBuffer(const GuardedBuffer&) = delete;
    GuardedBuffer& operator=(const GuardedBuffer&) = delete;

    unsigned char* data() { return storage.get(); }
    std::size_t size() const { return usable; }

    bool guardIntact() {
#if defined(QUILLBEAT_ASAN)
        ASAN_UNPOISON_MEMORY_REGION(storage.get() + usable, kGuard);
#endif
        bool intact = true;
        for (std::size_t i = 0; i < kGuard; ++i) intact = intact && storage[usable + i] == kGuardByte;
#if defined(QUILLBEAT_ASAN)
        ASAN_POISON_MEMORY_REGION(storage.get() + usable, kGuard);
#endif
        return intact;
    }

    // True when a zero lies within the usable bytes.
    bool terminated() const { return std::memchr(storage.get(), 0, usable) != nullptr; }

private:
    std::size_t usable;
    std::unique_ptr<unsigned char[]> storage;
};

// ---- what each request may do with ptr ------------------------------------------

enum class PtrUse {
    Record,      // a host-owned record: null or a zeroed record
    TextIn,      // a text the effect reads: null or a terminated text
    TextOut,     // a text the effect writes, at most `bytes` with its terminator
    PointerOut,  // the effect may store a pointer there
};

struct PtrRule {
    PtrUse use;
    std::size_t bytes;
};

// Sizes are what the interface lets an effect write: names and texts with
// their terminator, one pointer where a request hands one back. Records that
// travel by pointer get a zeroed block larger than any of them.
constexpr std::size_t kRecordBytes = 1024;
static_assert(sizeof(VstSpeakerArrangement) <= kRecordBytes);
constexpr std::size_t kPointerBytes = sizeof(void*);

// The requests whose ptr is not a host-owned record, one rule a line.
constexpr PtrRule kTextIn{PtrUse::TextIn, 0}, kProgramName{PtrUse::TextOut, 24}, kParameterText{PtrUse::TextOut, 9},
    kEffectName{PtrUse::TextOut, 33}, kVendorText{PtrUse::TextOut, 65}, kPointerOut{PtrUse::PointerOut, kPointerBytes};
constexpr struct {
    VstInt32 opcode;
    PtrRule rule;
} kPtrRules[] = {
    {effSetProgramName, kTextIn}, {effString2Parameter, kTextIn}, {effCanDo, kTextIn},
    {effGetProgramName, kProgramName}, {effGetProgramNameIndexed, kProgramName},
    {effGetParamLabel, kParameterText}, {effGetParamDisplay, kParameterText}, {effGetParamName, kParameterText},
    {effGetEffectName, kEffectName},
    {effGetVendorString, kVendorText}, {effGetProductString, kVendorText}, {effShellGetNextPlugin, kVendorText},
    {effEditGetRect, kPointerOut}, {effGetChunk, kPointerOut}, {effGetSpeakerArrangement, kPointerOut},
};

PtrRule ptrRule(VstInt32 opcode) {
    for (const auto& row : kPtrRules)
        if (row.opcode == opcode) return row.rule;
    return {PtrUse::Record, kRecordBytes};
}

// Requests whose value carries a pointer rather than a number.
bool valueIsPointer(VstInt32 opcode) {
    return opcode == effSetSpeakerArrangement || opcode == effGetSpeakerArrangement;
}

// ---- one run ----------------------------------------------------------------------

class HostileRun {
public:
    HostileRun(PluginEntry entry, Bytes in) : entry(entry), in(in) {}

    // The first check that did not hold, or empty.
    std::string run() {
        while (!in.empty() && failure.empty()) {
            switch (in.byte() % 8) {
                case 0: dispatch(); break;
                case 1: setParameter(); break;
                case 2: getParameter(); break;
                case 3: process(); break;
                case 4: close(); break;
                case 5: unusedProcessFunctions(); break;
                case 6: changeHost(); break;
                case 7: hostileParameters(); break;
            }
        }
        close();
        return failure;
    }

private:
    void fail(const std::string& what) {
        if (failure.empty()) failure = what;
    }

    // The open record, opened first if there is none; null when the entry
    // point refused.
    AEffect* effect() {
        if (host.effect() != nullptr) return host.effect();
        AEffect* opened = host.open(entry);
        // Before there is a record, the entry point may only ask the version.
        for (const HostCall& call : host.calls())
            if (call.opcode != audioMasterVersion || call.effect != nullptr)
                fail("entry point made host call " + std::to_string(call.opcode));
        host.clearCalls();
        if (host.versionAnswer == 0) {
            if (opened != nullptr) fail("entry point opened an effect for a host of version 0");
            return nullptr;
        }
        if (opened == nullptr) {
            fail("entry point refused a host of version " + std::to_string(host.versionAnswer));
            return nullptr;
        }
        if (opened->magic != kEffectMagic || opened->numParams != 12 || opened->numPrograms != 16)
            fail("record of a new effect is not filled in");
        position = 0.0;
        return opened;
    }

    // The host calls `request` made since the last look: a process call asks
    // for the time once, with the record, and nothing else; no other request
    // calls the host.
    void checkHostCalls(const std::string& request, const AEffect* record, bool processing = false) {
        const std::vector<HostCall> calls = host.calls();
        host.clearCalls();
        const bool asExpected = processing ? calls.size() == 1 && calls[0].opcode == audioMasterGetTime &&
                                                 calls[0].effect == record
                                           : calls.empty();
        if (!asExpected) {
            std::string seen = request + " made the host calls:";
            for (const HostCall& call : calls) {
                seen += ' ';
                seen += std::to_string(call.opcode);
                if (call.effect != record) seen += " (not with its record)";
            }
            fail(calls.empty() ? seen + " none" : seen);
        }
    }

    void close() {
        const AEffect* closing = host.effect();
        if (closing == nullptr) return;
        const VstIntPtr answer = host.close();
        if (answer != 1) fail("close answered " + std::to_string(answer));
        checkHostCalls("close", closing);
    }

    VstInt32 opcode() {
        const std::uint8_t b = in.byte();
        if (b < 0xF0) return static_cast<VstInt32>(b % 82);  // every opcode with a row, and 80, 81
        return in.raw<VstInt32>();
    }

    VstIntPtr number() {
        const std::uint8_t b = in.byte();
        if (b < 0xE0) return static_cast<VstIntPtr>(b % 40) - 4;
        return in.raw<VstIntPtr>();
    }

    void dispatch() {
        AEffect* record = effect();
        if (record == nullptr) return;
        const VstInt32 op = opcode();
        if (op == effClose) {
            close();
            return;
        }
        const VstInt32 index = anyIndex(in);
        const PtrRule rule = ptrRule(op);
        const bool withPtr = (in.byte() & 1) != 0;
        std::unique_ptr<GuardedBuffer> buffer;
        if (withPtr) {
            if (rule.use == PtrUse::TextIn) {
                // Any bytes, any length, always terminated at the end.
                const std::size_t length = in.byte() % 80;
                buffer = std::make_unique<GuardedBuffer>(length + 1);
                for (std::size_t i = 0; i < length; ++i) buffer->data()[i] = in.byte();
                buffer->data()[length] = 0;
            } else {
                buffer = std::make_unique<GuardedBuffer>(rule.bytes, rule.use == PtrUse::TextOut ? 0x7f : 0);
            }
        }
        std::unique_ptr<GuardedBuffer> valueBuffer;
        VstIntPtr value = number();
        if (valueIsPointer(op)) {
            value = 0;
            if ((in.byte() & 1) != 0) {
                valueBuffer = std::make_unique<GuardedBuffer>(rule.use == PtrUse::PointerOut ? kPointerBytes
                                                                                               : kRecordBytes);
                value = reinterpret_cast<VstIntPtr>(valueBuffer->data());
            }
        }
        if (op == effSetChunk) value = buffer ? static_cast<VstIntPtr>(buffer->size()) : 0;
        const float opt = anyFloat(in);

        const VstIntPtr answer = host.dispatch(op, index, value, buffer ? buffer->data() : nullptr, opt);

        const std::string request = "request " + std::to_string(op) + " index " + std::to_string(index);
        checkHostCalls(request, record);
        if (buffer && !buffer->guardIntact()) fail(request + " wrote past its buffer");
        if (valueBuffer && !valueBuffer->guardIntact()) fail(request + " wrote past the value's buffer");
        if (buffer && rule.use == PtrUse::TextOut && buffer->data()[0] != 0x7f && !buffer->terminated())
            fail(request + " left an unterminated text");
        if (op == effGetProgram && (answer < 0 || answer > 15)) fail("current program is " + std::to_string(answer));
        if (op == effIdentify && answer != fourCharCode("NvEf")) fail("identify answered otherwise");
    }

    void setParameter() {
        AEffect* record = effect();
        if (record == nullptr) return;
        const VstInt32 index = anyIndex(in);
        const float value = anyFloat(in);
        host.setParameter(index, value);
        const float back = host.getParameter(index);
        const bool valid = index >= 0 && index < 12;
        if (valid ? std::bit_cast<std::uint32_t>(back) != std::bit_cast<std::uint32_t>(value) : back != 1.0f)
            fail("parameter " + std::to_string(index) + " did not read back as written");
        checkHostCalls("parameter " + std::to_string(index), record);
    }

    void getParameter() {
        AEffect* record = effect();
        if (record == nullptr) return;
        const VstInt32 index = anyIndex(in);
        const float value = host.getParameter(index);
        if ((index < 0 || index >= 12) && value != 1.0f)
            fail("parameter " + std::to_string(index) + " outside the range read " + std::to_string(value));
        checkHostCalls("parameter " + std::to_string(index), record);
    }

    // Every parameter at once to an odd value, so combinations of hostile
    // values are met early.
    void hostileParameters() {
        AEffect* record = effect();
        if (record == nullptr) return;
        for (VstInt32 index = 0; index < 12; ++index) host.setParameter(index, oddFloat(in));
        checkHostCalls("parameters", record);
    }

    VstInt32 frameCount() {
        const std::uint8_t b = in.byte();
        if (b < 128) return b;
        if (b < 250) return (b - 128) * 67;
        const VstInt32 frames = in.raw<VstInt32>();
        return frames > kMaxFrames ? kMaxFrames : frames;
    }

    // Where the host says the block lies, or no time information at all.
    void placeBlock(VstInt32 frames) {
        host.answerTimeInfo = true;
        switch (in.byte() % 6) {
            case 0: host.answerTimeInfo = false; break;
            case 1: position += previousFrames; break;  // follows the previous block
            case 2: break;                              // stands still
            case 3: position = in.raw<double>(); break;
            case 4: position = static_cast<double>(in.raw<std::int32_t>()); break;
            case 5: position = kOddPositions[in.byte() % std::size(kOddPositions)]; break;
        }
        host.timeInfo.samplePos = position;
        previousFrames = frames > 0 ? frames : 0;
    }

    void fillInput(std::vector<float>& left, std::vector<float>& right) {
        const std::uint8_t kind = in.byte() % 4;
        std::uint32_t state = in.byte() + 1u;
        for (std::size_t i = 0; i < left.size(); ++i) {
            for (std::vector<float>* channel : {&left, &right}) {
                float sample = 0.0f;
                switch (kind) {
                    case 0:  // a plain signal within +-1
                        state = state * 1664525u + 1013904223u;
                        sample = static_cast<float>(static_cast<std::int32_t>(state)) * (1.0f / 2147483648.0f);
                        break;
                    case 1: sample = in.raw<float>(); break;
                    case 2: sample = (i % 7 == 0) ? oddFloat(in) : 0.25f; break;
                    case 3: break;  // silence
                }
                (*channel)[i] = sample;
            }
        }
    }

    void process() {
        AEffect* record = effect();
        if (record == nullptr) return;
        VstInt32 frames = frameCount();
        placeBlock(frames);
        // A run processes a bounded amount of audio, so the fuzzer spends
        // its time on many different runs rather than on long ones.
        if (frames > kFrameBudget - framesProcessed) frames = kFrameBudget - framesProcessed;
        if (frames > 0) framesProcessed += frames;
        const std::size_t count = frames > 0 ? static_cast<std::size_t>(frames) : 0;
        if (count == 0) {
            // Nothing to process: the channel pointers must not be touched.
            float* none[2] = {nullptr, nullptr};
            host.process(none, none, frames);
            checkHostCalls("process", record, true);
            return;
        }
        // Heap buffers of exactly the frame count, so an overrun is caught.
        std::vector<float> inLeft(count), inRight(count);
        fillInput(inLeft, inRight);
        const bool inPlace = (in.byte() & 1) != 0;
        std::vector<float> outLeft = inPlace ? std::vector<float>() : std::vector<float>(count, 123.0f);
        std::vector<float> outRight = inPlace ? std::vector<float>() : std::vector<float>(count, 123.0f);
        const std::vector<float> originalLeft = inLeft, originalRight = inRight;
        float* inputs[2] = {inLeft.data(), inRight.data()};
        float* outputs[2] = {inPlace ? inLeft.data() : outLeft.data(), inPlace ? inRight.data() : outRight.data()};
        host.process(inputs, outputs, frames);
        checkHostCalls("process", record, true);

        // Each output sample is its input, passed through unchanged, or the
        // filter's output, which is finite and never subnormal.
        for (std::size_t i = 0; i < count; ++i) {
            const float out[2] = {outputs[0][i], outputs[1][i]};
            const float was[2] = {originalLeft[i], originalRight[i]};
            for (int c = 0; c < 2; ++c) {
                const bool passed = std::bit_cast<std::uint32_t>(out[c]) == std::bit_cast<std::uint32_t>(was[c]);
                const int kind = std::fpclassify(out[c]);
                if (!passed && (kind == FP_NAN || kind == FP_INFINITE || kind == FP_SUBNORMAL)) {
                    fail("output sample " + std::to_string(i) + " is non-finite or subnormal");
                    return;
                }
            }
        }
    }

    // The accumulating and double-precision process functions do nothing and
    // must leave the outputs alone.
    void unusedProcessFunctions() {
        AEffect* record = effect();
        if (record == nullptr) return;
        const std::size_t count = in.byte();
        std::vector<float> single(count + 1, 0.5f);
        std::vector<double> wide(count + 1, 0.5);
        float* singles[2] = {single.data(), single.data()};
        double* wides[2] = {wide.data(), wide.data()};
        record->process(record, singles, singles, static_cast<VstInt32>(count));
        record->processDoubleReplacing(record, wides, wides, static_cast<VstInt32>(count));
        checkHostCalls("an unused process function", record);
        for (std::size_t i = 0; i < count; ++i)
            if (single[i] != 0.5f || wide[i] != 0.5) {
                fail("an unused process function wrote output");
                return;
            }
    }

    // The host's own answers change: a version of 0 makes the next open fail.
    void changeHost() {
        const std::uint8_t b = in.byte();
        host.versionAnswer = (b % 4 == 0) ? 0 : 2400;
    }

    static constexpr VstInt32 kMaxFrames = 16384;
    static constexpr VstInt32 kFrameBudget = 1 << 15;

    PluginEntry entry;
    TestHost host;
    std::string failure;
    Bytes in;
    double position = 0.0;
    VstInt32 previousFrames = 0;
    VstInt32 framesProcessed = 0;
};

}  // namespace

std::string playHostileRequests(PluginEntry entry, const std::uint8_t* data, std::size_t size) {
    return HostileRun(entry, Bytes(data, size)).run();
}
