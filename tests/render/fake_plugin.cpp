// A plug-in of our own for the host tests, built in several variants from
// this one file (see CMakeLists.txt). The working variant multiplies its
// inputs by a gain and, when FAKE_PLUGIN_LOG names a file, writes one line
// there for every request it gets and every time record it sees, so a test
// can check what the host did from outside the host's process. When
// FAKE_PLUGIN_TRUNCATE names a file, the working variant empties it in its
// second block, as another program rewriting the file being read would.
#include <unistd.h>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "abi/vst2_abi.h"
#include "tests/support/plugin_record.h"

#ifndef FAKE_PLUGIN_VARIANT
#error "FAKE_PLUGIN_VARIANT selects the variant"
#endif
#define FAKE_WORKING 0
#define FAKE_NULL_ENTRY 1
#define FAKE_BAD_MAGIC 2
#define FAKE_NO_ENTRY 3
#define FAKE_MAIN_ONLY 4
#define FAKE_ACCUMULATING 5
#define FAKE_EXITS 6  // ends the program with exit(0) in its third block
#define FAKE_USES_USER 7  // takes the record's user field, which is the host's
#define FAKE_NAN 8  // its right channel is NaN from frame kNanFrom on

// 3.2 seconds at 44.1 kHz and a little more, inside a block.
constexpr long long kNanFrom = 141220;

namespace {

void logLine(const char* format, ...) __attribute__((format(printf, 1, 2)));
void logLine(const char* format, ...) {
    const char* path = std::getenv("FAKE_PLUGIN_LOG");
    if (path == nullptr) return;
    std::FILE* file = std::fopen(path, "a");
    if (file == nullptr) return;
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(file, format, arguments);
    va_end(arguments);
    std::fputc('\n', file);
    std::fclose(file);
}

constexpr int kParameterCount = 2;
constexpr const char* kParameterNames[kParameterCount] = {"Gain", "Spare"};
struct Program {
    const char* name;
    float gain;
};
constexpr Program kPrograms[] = {{"Unity", 1.0f}, {"Half", 0.5f}, {"Silent", 0.0f}};
constexpr int kProgramCount = 3;

struct FakeEffect {
    AEffect record{};
    audioMasterCallback host = nullptr;
    float parameters[kParameterCount] = {1.0f, 0.0f};
    int program = 0;
    int blocks = 0;
    long long frames = 0;
};

FakeEffect* self(AEffect* effect) { return static_cast<FakeEffect*>(effect->object); }

void copyText(void* ptr, const char* text) {
    if (ptr != nullptr) std::strcpy(static_cast<char*>(ptr), text);
}

VstIntPtr dispatcher(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    FakeEffect* fake = self(effect);
    logLine("dispatch %d %d %lld %.9g", opcode, index, static_cast<long long>(value), static_cast<double>(opt));
    switch (opcode) {
        case effClose: delete fake; return 1;
        case effSetProgram:
            if (value >= 0 && value < kProgramCount) {
                fake->program = static_cast<int>(value);
                fake->parameters[0] = kPrograms[value].gain;
            }
            return 0;
        case effGetProgram: return fake->program;
        case effGetProgramName: copyText(ptr, kPrograms[fake->program].name); return 0;
        case effGetProgramNameIndexed:
            if (index < 0 || index >= kProgramCount) return 0;
            copyText(ptr, kPrograms[index].name);
            return 1;
        case effGetParamName:
            if (index >= 0 && index < kParameterCount) copyText(ptr, kParameterNames[index]);
            return 0;
        case effGetParamLabel: copyText(ptr, index == 0 ? "x" : ""); return 0;
        case effGetParamDisplay:
            if (index >= 0 && index < kParameterCount && ptr != nullptr) {
                std::snprintf(static_cast<char*>(ptr), 9, "%.3f", static_cast<double>(fake->parameters[index]));
            }
            return 0;
        case effGetEffectName: copyText(ptr, "Fake Gain"); return 1;
        case effGetVendorString: copyText(ptr, "Quillbeat Tests"); return 1;
        case effGetProductString: copyText(ptr, "Fake"); return 1;
        case effGetVendorVersion: return 7;
        case effGetVstVersion: return 2400;
        default: return 0;
    }
}

void setParameter(AEffect* effect, VstInt32 index, float value) {
    logLine("set %d %.9g", index, static_cast<double>(value));
    if (index >= 0 && index < kParameterCount) self(effect)->parameters[index] = value;
}

float getParameter(AEffect* effect, VstInt32 index) {
    return index >= 0 && index < kParameterCount ? self(effect)->parameters[index] : 0.0f;
}

void processReplacing(AEffect* effect, float** inputs, float** outputs, VstInt32 frames) {
    FakeEffect* fake = self(effect);
    const int block = ++fake->blocks;
    if (FAKE_PLUGIN_VARIANT == FAKE_EXITS && block == 3) std::exit(0);
    const char* truncated = std::getenv("FAKE_PLUGIN_TRUNCATE");
    if (block == 2 && truncated != nullptr && truncate(truncated, 0) != 0) std::abort();
    const VstIntPtr answer = fake->host(effect, audioMasterGetTime, 0, 0xfe00, nullptr, 0.0f);
    const auto* time = reinterpret_cast<const VstTimeInfo*>(answer);
    if (time == nullptr) {
        logLine("process %d time null", frames);
    } else {
        logLine("process %d time %.17g %.17g %.17g %.17g %.17g %d %d %d", frames, time->samplePos, time->sampleRate,
                time->tempo, time->ppqPos, time->barStartPos, time->timeSigNumerator, time->timeSigDenominator,
                time->flags);
    }
    const float gain = fake->parameters[0];
    for (int c = 0; c < 2; ++c) {
        const float* in = inputs[c < FAKE_PLUGIN_INPUTS ? c : 0];
        for (VstInt32 i = 0; i < frames; ++i) outputs[c][i] = in[i] * gain;
    }
    for (VstInt32 i = 0; FAKE_PLUGIN_VARIANT == FAKE_NAN && i < frames; ++i) {
        if (fake->frames + i >= kNanFrom) outputs[1][i] = std::nanf("");
    }
    fake->frames += frames;
}

// The old way: add into the outputs, which the host has cleared.
void processAccumulating(AEffect* effect, float** inputs, float** outputs, VstInt32 frames) {
    if (FAKE_PLUGIN_VARIANT != FAKE_ACCUMULATING) return;
    const float gain = self(effect)->parameters[0];
    for (int c = 0; c < 2; ++c) {
        for (VstInt32 i = 0; i < frames; ++i) outputs[c][i] += inputs[c][i] * gain;
    }
}

[[maybe_unused]] AEffect* create(audioMasterCallback host) {
    const VstIntPtr version = host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f);
    logLine("version %lld", static_cast<long long>(version));
    auto* fake = new (std::nothrow) FakeEffect;
    if (fake == nullptr) return nullptr;
    fake->host = host;
    AEffect& r = fake->record;
    fillPluginRecord(r, fake,
                     {dispatcher, processAccumulating, setParameter, getParameter,
                      FAKE_PLUGIN_VARIANT == FAKE_ACCUMULATING ? nullptr : processReplacing, kProgramCount,
                      kParameterCount, FAKE_PLUGIN_INPUTS, fourCharCode("FkGn"), 3});
    if (FAKE_PLUGIN_VARIANT == FAKE_BAD_MAGIC) r.magic = fourCharCode("Nope");
    // The host's field, which a careless plug-in takes for its own.
    if (FAKE_PLUGIN_VARIANT == FAKE_USES_USER) r.user = fake;
    return &r;
}

}  // namespace

#if FAKE_PLUGIN_VARIANT == FAKE_WORKING || FAKE_PLUGIN_VARIANT == FAKE_BAD_MAGIC || \
    FAKE_PLUGIN_VARIANT == FAKE_ACCUMULATING || FAKE_PLUGIN_VARIANT == FAKE_EXITS || \
    FAKE_PLUGIN_VARIANT == FAKE_USES_USER || FAKE_PLUGIN_VARIANT == FAKE_NAN
VST2_EXPORT AEffect* VSTPluginMain(audioMasterCallback host) { return create(host); }
#elif FAKE_PLUGIN_VARIANT == FAKE_NULL_ENTRY
VST2_EXPORT AEffect* VSTPluginMain(audioMasterCallback host) {
    host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f);
    return nullptr;
}
#elif FAKE_PLUGIN_VARIANT == FAKE_MAIN_ONLY
VST2_EXPORT AEffect* fakeMain(audioMasterCallback host) __asm__("main");
AEffect* fakeMain(audioMasterCallback host) { return create(host); }
#elif FAKE_PLUGIN_VARIANT == FAKE_NO_ENTRY
VST2_EXPORT AEffect* createSomethingElse(audioMasterCallback host) { return create(host); }
#endif
