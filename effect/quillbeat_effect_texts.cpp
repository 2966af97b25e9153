// What the host shows: the effect's identity, each parameter's name, label and
// value text, and the program names.
#include <cstring>

#include "effect/display_text.h"
#include "effect/identity.h"
#include "effect/quillbeat_effect.h"
#include "host/bounded_text.h"

namespace {
constexpr std::string_view kDefaultProgramName = "Init";

bool isParameterIndex(VstInt32 index) { return index >= 0 && index < kParameterCount; }
}  // namespace

bool QuillbeatEffect::getEffectName(char* name) {
    copyBounded(name, kEffectName, kVstMaxEffectNameLen);
    return true;
}

bool QuillbeatEffect::getProductString(char* text) {
    copyBounded(text, kProductName, kVstMaxProductStrLen);
    return true;
}

bool QuillbeatEffect::getVendorString(char* text) {
    copyBounded(text, kVendorName, kVstMaxVendorStrLen);
    return true;
}

VstInt32 QuillbeatEffect::getVendorVersion() { return kVendorVersion; }

void QuillbeatEffect::getParameterName(VstInt32 index, char* text) {
    if (isParameterIndex(index)) copyBounded(text, kParameterTable[index].name, kVstMaxParamStrLen);
}

void QuillbeatEffect::getParameterLabel(VstInt32 index, char* label) {
    if (isParameterIndex(index)) copyBounded(label, kParameterLabel, kVstMaxParamStrLen);
}

void QuillbeatEffect::getParameterDisplay(VstInt32 index, char* text) {
    if (isParameterIndex(index)) displayText(index, core.parameterValue(index), text);
}

// Names are stored with their terminator in a 24-byte field; a longer name is
// cut to 23 characters rather than written past the field, and the rest of
// the field is cleared so no part of an earlier, longer name stays behind it.
void QuillbeatEffect::setProgramName(char* name) {
    if (!programs || name == nullptr) return;
    const VstInt32 program = currentProgram.load(std::memory_order_relaxed);
    programs[program].name.store(std::string_view(name, strnlen(name, ProgramName::kSize - 1)));
}

void QuillbeatEffect::getProgramName(char* name) {
    if (!programs || name == nullptr) return;
    // One reading of the current program serves both the name and its number.
    const VstInt32 program = currentProgram.load(std::memory_order_relaxed);
    char stored[ProgramName::kSize];
    programs[program].name.load(stored);
    if (std::string_view(stored) != kDefaultProgramName) {
        copyWithTerminator(name, stored);
        return;
    }
    // Unnamed programs are numbered from 1: "Init 1" to "Init 16".
    char number[12];
    int digits = 0;
    for (unsigned n = static_cast<unsigned>(program) + 1; n > 0 || digits == 0; n /= 10)
        number[digits++] = static_cast<char>('0' + n % 10);
    char* out = name;
    for (char c : kDefaultProgramName) *out++ = c;
    *out++ = ' ';
    while (digits > 0) *out++ = number[--digits];
    *out = '\0';
}

bool QuillbeatEffect::getProgramNameIndexed(VstInt32 /*category*/, VstInt32 index, char* text) {
    if (!programs || index < 0 || index >= programCount) return false;
    char stored[ProgramName::kSize];
    programs[index].name.load(stored);
    copyWithTerminator(text, stored);
    return true;
}
