// The opcode dispatcher, row by row: which operation each request reaches,
// with which arguments, and what the host gets back; the editor requests with
// and without an editor; the extension layer's resume; the effect's own
// answers; and requests that carry null where an operation would write.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "effect/quillbeat_effect.h"
#include "host/effect_base_ext.h"
#include "tests/support/test_host.h"

namespace {

// The pointers a request carries, named so that a call reads as text: P is
// the request's ptr, V the address carried in its value.
char ptrTarget[64];
char valueTarget[64];
void* const P = ptrTarget;
const VstIntPtr V = reinterpret_cast<VstIntPtr>(valueTarget);

std::string show(VstInt32 v) { return std::to_string(v); }
std::string show(VstIntPtr v) { return v == V ? "V" : std::to_string(v); }
std::string show(bool b) { return b ? "true" : "false"; }
std::string show(float f) {
    std::ostringstream text;
    text << f;
    return text.str();
}
std::string show(const void* p) { return p == P ? "P" : p == valueTarget ? "V" : p ? "other" : "null"; }

struct CallLog {
    std::vector<std::string> calls;
    bool boolResult = true;
    VstInt32 intResult = -7;  // negative, to see it reach the host unchanged
    template <typename... Args>
    void note(const char* name, Args... args) {
        std::string text = std::string(name) + "(";
        const char* separator = "";
        ((text += separator + show(args), separator = ","), ...);
        (void)separator;  // unused for calls without arguments
        calls.push_back(text + ")");
    }
};

class TestEditor : public EffectEditor {
public:
    explicit TestEditor(CallLog& log) : log(log) {}
    bool getRect(ERect** rect) override { return log.note("editor.getRect", rect), log.boolResult; }
    bool open(void* parent) override { return log.note("editor.open", parent), log.boolResult; }
    void close() override { log.note("editor.close"); }
    void idle() override { log.note("editor.idle"); }
    bool onKeyDown(VstKeyCode& k) override { return noteKey("editor.keyDown", k); }
    bool onKeyUp(VstKeyCode& k) override { return noteKey("editor.keyUp", k); }
    bool setKnobMode(VstInt32 mode) override { return log.note("editor.setKnobMode", mode), log.boolResult; }

private:
    bool noteKey(const char* name, const VstKeyCode& k) {
        log.note(name, k.character, VstInt32{k.virt}, VstInt32{k.modifier});
        return log.boolResult;
    }
    CallLog& log;
};

// Every operation the dispatcher can reach, logged with its arguments; it
// answers with the log's scripted result for its type.
#define LOGGED(Result, name, params, ...) \
    Result name params override { return note(#name __VA_OPT__(, ) __VA_ARGS__), result<Result>(); }

class RecordingEffect : public EffectBaseExt, public CallLog {
public:
    RecordingEffect() : EffectBaseExt(nullptr, 16, 4) {}
    void attachEditor() { editor = new TestEditor(*this); }  // deleted by the base
    void processReplacing(float**, float**, VstInt32) override {}

    template <typename T>
    T result() {
        if constexpr (std::is_same_v<T, bool>) return boolResult;
        else if constexpr (!std::is_void_v<T>) return intResult;
    }
    using I = VstInt32;
    using Arrangement = VstSpeakerArrangement;

    LOGGED(void, open, ())
    LOGGED(void, close, ())
    LOGGED(void, suspend, ())
    LOGGED(void, resume, ())
    LOGGED(void, setSampleRate, (float r), r)
    LOGGED(void, setBlockSize, (I s), s)
    LOGGED(I, getProgram, ())
    LOGGED(void, setProgram, (I p), p)
    LOGGED(void, setProgramName, (char* t), t)
    LOGGED(void, getProgramName, (char* t), t)
    LOGGED(void, getParameterLabel, (I i, char* t), i, t)
    LOGGED(void, getParameterDisplay, (I i, char* t), i, t)
    LOGGED(void, getParameterName, (I i, char* t), i, t)
    LOGGED(I, getChunk, (void** d, bool p), d, p)
    LOGGED(I, setChunk, (void* d, I n, bool p), d, n, p)
    LOGGED(bool, canParameterBeAutomated, (I i), i)
    LOGGED(bool, string2parameter, (I i, char* t), i, t)
    LOGGED(bool, getParameterProperties, (I i, VstParameterProperties* p), i, p)
    LOGGED(bool, getProgramNameIndexed, (I c, I i, char* t), c, i, t)
    LOGGED(bool, beginSetProgram, ())
    LOGGED(bool, endSetProgram, ())
    LOGGED(I, beginLoadBank, (VstPatchChunkInfo* b), b)
    LOGGED(I, beginLoadProgram, (VstPatchChunkInfo* p), p)
    LOGGED(bool, getInputProperties, (I i, VstPinProperties* p), i, p)
    LOGGED(bool, getOutputProperties, (I i, VstPinProperties* p), i, p)
    LOGGED(bool, setSpeakerArrangement, (Arrangement* in, Arrangement* out), in, out)
    LOGGED(bool, getSpeakerArrangement, (Arrangement** in, Arrangement** out), in, out)
    LOGGED(bool, setBypass, (bool b), b)
    LOGGED(bool, setPanLaw, (I t, float g), t, g)
    LOGGED(bool, setProcessPrecision, (I p), p)
    LOGGED(I, getNumMidiInputChannels, ())
    LOGGED(I, getNumMidiOutputChannels, ())
    LOGGED(I, processEvents, (VstEvents* e), e)
    LOGGED(I, startProcess, ())
    LOGGED(I, stopProcess, ())
    LOGGED(bool, processVariableIo, (VstVariableIo* io), io)
    LOGGED(I, setTotalSampleToProcess, (I v), v)
    LOGGED(I, getTailSize, ())
    LOGGED(bool, getEffectName, (char* t), t)
    LOGGED(bool, getVendorString, (char* t), t)
    LOGGED(bool, getProductString, (char* t), t)
    LOGGED(I, getVendorVersion, ())
    LOGGED(VstIntPtr, vendorSpecific, (I i, VstIntPtr v, void* p, float o), i, v, p, o)
    LOGGED(I, canDo, (char* t), t)
    LOGGED(I, getVstVersion, ())
    LOGGED(I, getPlugCategory, ())
    LOGGED(I, getMidiProgramName, (I c, MidiProgramName* n), c, n)
    LOGGED(I, getCurrentMidiProgram, (I c, MidiProgramName* n), c, n)
    LOGGED(I, getMidiProgramCategory, (I c, MidiProgramCategory* n), c, n)
    LOGGED(bool, hasMidiProgramsChanged, (I c), c)
    LOGGED(bool, getMidiKeyName, (I c, MidiKeyName* n), c, n)
    LOGGED(I, getNextShellPlugin, (char* t), t)
    LOGGED(bool, offlineNotify, (VstAudioFile* f, I n, bool s), f, n, s)
    LOGGED(bool, offlinePrepare, (VstOfflineTask* t, I n), t, n)
    LOGGED(bool, offlineRun, (VstOfflineTask* t, I n), t, n)
};
#undef LOGGED

// How the operation's result becomes the answer.
enum class Kind { Zero, Bool, Integer, Identity };

// One request and what it must reach. Unless a row says otherwise the request
// carries index 3, value 5, ptr P and opt 0.5; an empty call means nothing is
// called. Editor rows reach the attached editor, or nothing without one.
struct Row {
    VstInt32 opcode;
    const char* call;
    Kind kind = Kind::Zero;
    VstInt32 index = 3;
    VstIntPtr value = 5;
    float opt = 0.5f;
    bool editor = false;
};

const Row kRows[] = {
    {0, "open()"}, {1, "close()"},
    {2, "setProgram(15)", Kind::Zero, 3, 15}, {2, "", Kind::Zero, 3, 16}, {2, "setProgram(-1)", Kind::Zero, 3, -1},
    {3, "getProgram()", Kind::Integer},
    {4, "setProgramName(P)"}, {5, "getProgramName(P)"},
    {6, "getParameterLabel(3,P)"}, {7, "getParameterDisplay(3,P)"}, {8, "getParameterName(3,P)"},
    {10, "setSampleRate(0.5)"}, {11, "setBlockSize(5)"},
    {12, "suspend()", Kind::Zero, 3, 0}, {12, "resume()", Kind::Zero, 3, 1}, {12, "resume()", Kind::Zero, 3, 5},
    {13, "editor.getRect(P)", Kind::Bool, 3, 5, 0.5f, true}, {14, "editor.open(P)", Kind::Bool, 3, 5, 0.5f, true},
    {15, "editor.close()", Kind::Zero, 3, 5, 0.5f, true}, {19, "editor.idle()", Kind::Zero, 3, 5, 0.5f, true},
    {22, "", Kind::Identity},
    {23, "getChunk(P,false)", Kind::Integer, 0}, {23, "getChunk(P,true)", Kind::Integer, 7},
    {24, "setChunk(P,5,true)", Kind::Integer}, {24, "setChunk(P,5,false)", Kind::Integer, 0},
    {25, "processEvents(P)", Kind::Integer}, {26, "canParameterBeAutomated(3)", Kind::Bool},
    {27, "string2parameter(3,P)", Kind::Bool}, {29, "getProgramNameIndexed(5,3,P)", Kind::Bool},
    {33, "getInputProperties(3,P)", Kind::Bool}, {34, "getOutputProperties(3,P)", Kind::Bool},
    {35, "getPlugCategory()", Kind::Integer},
    {38, "offlineNotify(P,5,true)", Kind::Bool}, {38, "offlineNotify(P,5,false)", Kind::Bool, 0},
    {39, "offlinePrepare(P,5)", Kind::Bool}, {40, "offlineRun(P,5)", Kind::Bool},
    {41, "processVariableIo(P)", Kind::Bool}, {42, "setSpeakerArrangement(V,P)", Kind::Bool, 3, V},
    {44, "setBypass(true)", Kind::Bool}, {44, "setBypass(false)", Kind::Bool, 3, 0},
    {45, "getEffectName(P)", Kind::Bool}, {47, "getVendorString(P)", Kind::Bool},
    {48, "getProductString(P)", Kind::Bool}, {49, "getVendorVersion()", Kind::Integer},
    {50, "vendorSpecific(3,5,P,0.5)", Kind::Integer}, {51, "canDo(P)", Kind::Integer},
    {52, "getTailSize()", Kind::Integer}, {56, "getParameterProperties(3,P)", Kind::Bool},
    {58, "getVstVersion()", Kind::Integer},
    // Key record: character = index, virtual key = low byte of value,
    // modifiers = low byte of opt truncated toward zero.
    {59, "editor.keyDown(97,255,2)", Kind::Bool, 97, 0x1FF, 258.9f, true},
    {59, "editor.keyDown(-4,0,255)", Kind::Bool, -4, 0x100, -1.5f, true},
    {60, "editor.keyUp(97,16,0)", Kind::Bool, 97, 0x10, 0.99f, true},
    {61, "editor.setKnobMode(5)", Kind::Bool, 3, 5, 0.5f, true},
    {62, "getMidiProgramName(3,P)", Kind::Integer}, {63, "getCurrentMidiProgram(3,P)", Kind::Integer},
    {64, "getMidiProgramCategory(3,P)", Kind::Integer}, {65, "hasMidiProgramsChanged(3)", Kind::Bool},
    {66, "getMidiKeyName(3,P)", Kind::Bool}, {67, "beginSetProgram()", Kind::Bool},
    {68, "endSetProgram()", Kind::Bool}, {69, "getSpeakerArrangement(V,P)", Kind::Bool, 3, V},
    {70, "getNextShellPlugin(P)", Kind::Integer}, {71, "startProcess()", Kind::Integer},
    {72, "stopProcess()", Kind::Integer}, {73, "setTotalSampleToProcess(5)", Kind::Integer},
    {74, "setPanLaw(5,0.5)", Kind::Bool}, {75, "beginLoadBank(P)", Kind::Integer},
    {76, "beginLoadProgram(P)", Kind::Integer}, {77, "setProcessPrecision(5)", Kind::Bool},
    {78, "getNumMidiInputChannels()", Kind::Integer}, {79, "getNumMidiOutputChannels()", Kind::Integer},
};

// Through the record's dispatcher function, as a host sends it; close goes to
// the operation directly, since through the record it destroys the object.
VstIntPtr send(EffectBase& effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    if (opcode == effClose) return effect.dispatcher(opcode, index, value, ptr, opt);
    AEffect* record = effect.getAeffect();
    return record->dispatcher(record, opcode, index, value, ptr, opt);
}

TEST(Dispatcher, EveryOpcodeReachesItsOperationAndAnswersByItsKind) {
    struct Results {
        bool boolean;
        VstInt32 integer;
    };
    for (const Results results : {Results{true, -7}, Results{false, 42}}) {
        for (const bool withEditor : {false, true}) {
            RecordingEffect effect;
            effect.boolResult = results.boolean;
            effect.intResult = results.integer;
            if (withEditor) effect.attachEditor();
            std::vector<VstInt32> opcodes;
            for (VstInt32 opcode = -1; opcode <= 80; ++opcode) opcodes.push_back(opcode);
            opcodes.insert(opcodes.end(), {INT32_MIN, -25, 1000, INT32_MAX});
            for (const VstInt32 opcode : opcodes) {
                SCOPED_TRACE("opcode " + std::to_string(opcode) + (withEditor ? " with editor" : ""));
                bool hasRow = false;
                for (const Row& row : kRows) {
                    if (row.opcode != opcode) continue;
                    hasRow = true;
                    effect.calls.clear();
                    const VstIntPtr answer = send(effect, opcode, row.index, row.value, P, row.opt);
                    const bool reached = withEditor || !row.editor;
                    const std::string call = reached ? row.call : "";
                    EXPECT_EQ(effect.calls, call.empty() ? std::vector<std::string>{} : std::vector{call});
                    const VstIntPtr expected = !reached                     ? 0
                                               : row.kind == Kind::Bool     ? (results.boolean ? 1 : 0)
                                               : row.kind == Kind::Integer  ? results.integer
                                               : row.kind == Kind::Identity ? 0x4E764566
                                                                            : 0;
                    EXPECT_EQ(answer, expected) << row.call;
                }
                if (hasRow) continue;
                effect.calls.clear();
                EXPECT_EQ(send(effect, opcode, 3, 5, P, 0.5f), 0);
                EXPECT_TRUE(effect.calls.empty());
            }
        }
    }
}

// ---- resume of the extension layer ---------------------------------------

class MidiQuestion : public EffectBaseExt {
public:
    MidiQuestion(audioMasterCallback host, VstInt32 answer) : EffectBaseExt(host, 1, 1), answer(answer) {}
    void processReplacing(float**, float**, VstInt32) override {}
    VstInt32 canDo(char* text) override { return asked.push_back(text), answer; }
    std::vector<std::string> asked;

private:
    VstInt32 answer;
};

TEST(Dispatcher, ResumeAsksForEventsOnlyForSynthsOrAnExactYes) {
    struct Case {
        bool synth;
        VstInt32 canDoAnswer;
        bool wantsEvents;
    };
    const Case cases[] = {{false, 0, false}, {false, 1, true}, {false, 2, false}, {false, -1, false}, {true, 0, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.synth) + " " + std::to_string(c.canDoAnswer));
        TestHost host;
        MidiQuestion& effect = host.build<MidiQuestion>(c.canDoAnswer);
        effect.isSynth(c.synth);
        EXPECT_EQ(send(effect, effMainsChanged, 0, 1, nullptr, 0.0f), 0);
        EXPECT_EQ(effect.asked, c.synth ? std::vector<std::string>{} : std::vector<std::string>{"receiveVstMidiEvent"});
        const auto calls = host.calls();
        ASSERT_EQ(calls.size(), c.wantsEvents ? 1u : 0u);
        if (!c.wantsEvents) continue;
        EXPECT_EQ(calls[0].effect, effect.getAeffect());
        EXPECT_EQ(calls[0].opcode, audioMasterWantMidi);
        EXPECT_EQ(calls[0].index, 0);
        EXPECT_EQ(calls[0].value, 1);
    }
    MidiQuestion withoutHost(nullptr, 1);
    withoutHost.resume();  // nothing to call, nothing to crash
}

// ---- the effect's own answers --------------------------------------------

TEST(Dispatcher, EffectAnswersThroughTheTestHost) {
    struct Case {
        VstInt32 opcode;
        VstInt32 index;
        VstIntPtr value;
        VstIntPtr answer;
    };
    const Case cases[] = {
        {58, 0, 0, 2400}, {63, 0, 0, -1}, {73, 0, 12345, 12345}, {35, 0, 0, 0},  {49, 0, 0, 2},
        {22, 0, 0, 0x4E764566}, {45, 0, 0, 1}, {47, 0, 0, 1}, {48, 0, 0, 1},
        {26, -1, 0, 1}, {26, 0, 0, 1}, {26, 11, 0, 1}, {26, 12, 0, 1}, {26, 1000, 0, 1},
    };
    TestHost host;
    ASSERT_NE(host.open(), nullptr);
    for (const Case& c : cases) {
        char buffer[256] = {};
        EXPECT_EQ(host.dispatch(c.opcode, c.index, c.value, buffer), c.answer) << "opcode " << c.opcode;
        EXPECT_EQ(host.dispatch(c.opcode, c.index, c.value, nullptr), c.answer) << "opcode " << c.opcode;
    }
    EXPECT_EQ(host.calls().size(), 1u);  // the version query of the entry point
}

TEST(Dispatcher, CategoryFollowsTheSynthFlag) {
    QuillbeatEffect effect(nullptr);
    EXPECT_EQ(send(effect, effGetPlugCategory, 0, 0, nullptr, 0.0f), 0);
    effect.isSynth(true);
    EXPECT_EQ(send(effect, effGetPlugCategory, 0, 0, nullptr, 0.0f), 2);
}

// ---- null where an operation writes --------------------------------------

// Every request once with room to write and once with null in its ptr (and
// in its value for 69): the same answer, and no write through null.
void expectNullsAreHarmless(const std::function<VstIntPtr(VstInt32, VstIntPtr, void*)>& request) {
    for (VstInt32 opcode = -1; opcode <= 80; ++opcode) {
        if (opcode == effClose) continue;
        alignas(16) char room[1024] = {};
        VstSpeakerArrangement* arrangements[2] = {};
        const auto value = [&](bool null) {
            return opcode != effGetSpeakerArrangement ? VstIntPtr{1}
                   : null                             ? VstIntPtr{0}
                                                      : reinterpret_cast<VstIntPtr>(&arrangements[0]);
        };
        const VstIntPtr withRoom = request(opcode, value(false), room);
        EXPECT_EQ(request(opcode, value(true), nullptr), withRoom) << "opcode " << opcode;
    }
}

class BareEffect : public EffectBaseExt {
public:
    BareEffect() : EffectBaseExt(nullptr, 16, 12) {}
    void processReplacing(float**, float**, VstInt32) override {}
};

TEST(Dispatcher, NullBuffersAreNeverWrittenByTheDefaults) {
    BareEffect effect;
    expectNullsAreHarmless([&](VstInt32 opcode, VstIntPtr value, void* ptr) {
        return send(effect, opcode, 0, value, ptr, 0.0f);
    });
}

TEST(Dispatcher, NullBuffersAreNeverWrittenByTheEffect) {
    TestHost host;
    ASSERT_NE(host.open(), nullptr);
    expectNullsAreHarmless([&](VstInt32 opcode, VstIntPtr value, void* ptr) {
        return host.dispatch(opcode, 0, value, ptr);
    });
}

// ---- exceptions stay inside ----------------------------------------------

class ThrowingEffect : public EffectBaseExt {
public:
    explicit ThrowingEffect(int& destroyed) : EffectBaseExt(nullptr, 1, 1), destroyed(destroyed) {}
    ~ThrowingEffect() override { ++destroyed; }
    [[noreturn]] static void fail() { throw std::runtime_error("effect failed"); }
    void close() override { fail(); }
    VstInt32 getVstVersion() override { fail(); }
    void setParameter(VstInt32, float) override { fail(); }
    float getParameter(VstInt32) override { fail(); }
    void processReplacing(float**, float**, VstInt32) override { fail(); }
    void processDoubleReplacing(double**, double**, VstInt32) override { fail(); }
    void processAccumulating(float**, float**, VstInt32) override { fail(); }

private:
    int& destroyed;
};

TEST(RecordFunctions, LetNoExceptionReachTheHost) {
    int destroyed = 0;
    AEffect* record = (new ThrowingEffect(destroyed))->getAeffect();
    EXPECT_EQ(record->dispatcher(record, effGetVstVersion, 0, 0, nullptr, 0.0f), 0);
    record->setParameter(record, 0, 0.5f);
    EXPECT_EQ(record->getParameter(record, 0), 0.0f);
    record->processReplacing(record, nullptr, nullptr, 0);
    record->processDoubleReplacing(record, nullptr, nullptr, 0);
    record->process(record, nullptr, nullptr, 0);
    EXPECT_EQ(record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f), 1);
    EXPECT_EQ(destroyed, 1);
}

}  // namespace
