// The opcode dispatcher: every host request by number reaches at most one
// operation, and the operation's result becomes the host's answer.
//
// Both layers keep their requests as a table of rows, one per opcode, so the
// routing can be read (and checked) row by row. Opcodes without a row call
// nothing and are answered 0.
#include <array>

#include "host/effect_base_ext.h"
#include "host/float_conversion.h"

namespace {

struct Request {
    VstInt32 index;
    VstIntPtr value;
    void* ptr;
    float opt;
};

template <typename Effect>
using Handler = VstIntPtr (*)(Effect& effect, const Request& request);

template <typename Effect>
struct Row {
    VstInt32 opcode;
    Handler<Effect> handler;
};

// Spreads a list of rows into a table indexed by opcode.
template <typename Effect, std::size_t Size, std::size_t RowCount>
constexpr std::array<Handler<Effect>, Size> byOpcode(const Row<Effect> (&rows)[RowCount]) {
    std::array<Handler<Effect>, Size> table{};
    for (const Row<Effect>& row : rows) table[static_cast<std::size_t>(row.opcode)] = row.handler;
    return table;
}

template <typename Effect, std::size_t Size>
bool findHandler(const std::array<Handler<Effect>, Size>& table, VstInt32 opcode, Handler<Effect>& handler) {
    // Taken as unsigned, a negative opcode is never in range.
    const auto slot = static_cast<std::uint32_t>(opcode);
    if (slot >= Size || table[slot] == nullptr) return false;
    handler = table[slot];
    return true;
}

VstIntPtr answer(bool result) { return result ? 1 : 0; }

template <typename T>
T* pointerIn(VstIntPtr value) {
    return reinterpret_cast<T*>(value);
}

char* textIn(const Request& r) { return static_cast<char*>(r.ptr); }

}  // namespace

// Opcodes 0 to 24.
VstIntPtr EffectBase::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    using E = EffectBase;
    using R = const Request&;
    static constexpr Row<E> rows[] = {
        {effOpen, [](E& e, R) -> VstIntPtr { e.open(); return 0; }},
        {effClose, [](E& e, R) -> VstIntPtr { e.close(); return 0; }},
        {effSetProgram, [](E& e, R r) -> VstIntPtr {
             // Compared as 32-bit signed numbers; the effect refuses what is
             // left of the range.
             if (static_cast<VstInt32>(r.value) < e.programCount) e.setProgram(static_cast<VstInt32>(r.value));
             return 0;
         }},
        {effGetProgram, [](E& e, R) -> VstIntPtr { return e.getProgram(); }},
        {effSetProgramName, [](E& e, R r) -> VstIntPtr { e.setProgramName(textIn(r)); return 0; }},
        {effGetProgramName, [](E& e, R r) -> VstIntPtr { e.getProgramName(textIn(r)); return 0; }},
        {effGetParamLabel, [](E& e, R r) -> VstIntPtr { e.getParameterLabel(r.index, textIn(r)); return 0; }},
        {effGetParamDisplay, [](E& e, R r) -> VstIntPtr { e.getParameterDisplay(r.index, textIn(r)); return 0; }},
        {effGetParamName, [](E& e, R r) -> VstIntPtr { e.getParameterName(r.index, textIn(r)); return 0; }},
        {effSetSampleRate, [](E& e, R r) -> VstIntPtr { e.setSampleRate(r.opt); return 0; }},
        {effSetBlockSize, [](E& e, R r) -> VstIntPtr { e.setBlockSize(static_cast<VstInt32>(r.value)); return 0; }},
        {effMainsChanged, [](E& e, R r) -> VstIntPtr {
             if (r.value == 0) e.suspend(); else e.resume();
             return 0;
         }},
        {effEditGetRect, [](E& e, R r) -> VstIntPtr {
             return e.editor != nullptr ? answer(e.editor->getRect(static_cast<ERect**>(r.ptr))) : 0;
         }},
        {effEditOpen, [](E& e, R r) -> VstIntPtr {
             return e.editor != nullptr ? answer(e.editor->open(r.ptr)) : 0;
         }},
        {effEditClose, [](E& e, R) -> VstIntPtr {
             if (e.editor != nullptr) e.editor->close();
             return 0;
         }},
        {effEditIdle, [](E& e, R) -> VstIntPtr {
             if (e.editor != nullptr) e.editor->idle();
             return 0;
         }},
        {effIdentify, [](E&, R) -> VstIntPtr { return fourCharCode("NvEf"); }},
        {effGetChunk, [](E& e, R r) -> VstIntPtr {
             return e.getChunk(static_cast<void**>(r.ptr), r.index != 0);
         }},
        {effSetChunk, [](E& e, R r) -> VstIntPtr {
             return e.setChunk(r.ptr, static_cast<VstInt32>(r.value), r.index != 0);
         }},
    };
    static constexpr auto table = byOpcode<E, effSetChunk + 1>(rows);

    Handler<E> handler = nullptr;
    if (!findHandler(table, opcode, handler)) return 0;
    return handler(*this, Request{index, value, ptr, opt});
}

// Opcodes 25 to 79; everything else goes to the layer below.
VstIntPtr EffectBaseExt::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    using E = EffectBaseExt;
    using R = const Request&;
    // The key record of the editor's key requests: character, virtual key and
    // modifiers, the last two cut to their low byte.
    static constexpr auto keyOf = [](R r) {
        VstKeyCode key{};
        key.character = r.index;
        key.virt = static_cast<unsigned char>(r.value);
        key.modifier = static_cast<unsigned char>(truncToInt32(r.opt));
        return key;
    };
    static constexpr Row<E> rows[] = {
        {effProcessEvents, [](E& e, R r) -> VstIntPtr { return e.processEvents(static_cast<VstEvents*>(r.ptr)); }},
        {effCanBeAutomated, [](E& e, R r) -> VstIntPtr { return answer(e.canParameterBeAutomated(r.index)); }},
        {effString2Parameter, [](E& e, R r) -> VstIntPtr { return answer(e.string2parameter(r.index, textIn(r))); }},
        {effGetProgramNameIndexed, [](E& e, R r) -> VstIntPtr {
             return answer(e.getProgramNameIndexed(static_cast<VstInt32>(r.value), r.index, textIn(r)));
         }},
        {effGetInputProperties, [](E& e, R r) -> VstIntPtr {
             return answer(e.getInputProperties(r.index, static_cast<VstPinProperties*>(r.ptr)));
         }},
        {effGetOutputProperties, [](E& e, R r) -> VstIntPtr {
             return answer(e.getOutputProperties(r.index, static_cast<VstPinProperties*>(r.ptr)));
         }},
        {effGetPlugCategory, [](E& e, R) -> VstIntPtr { return e.getPlugCategory(); }},
        {effOfflineNotify, [](E& e, R r) -> VstIntPtr {
             return answer(e.offlineNotify(static_cast<VstAudioFile*>(r.ptr), static_cast<VstInt32>(r.value),
                                           r.index != 0));
         }},
        {effOfflinePrepare, [](E& e, R r) -> VstIntPtr {
             return answer(e.offlinePrepare(static_cast<VstOfflineTask*>(r.ptr), static_cast<VstInt32>(r.value)));
         }},
        {effOfflineRun, [](E& e, R r) -> VstIntPtr {
             return answer(e.offlineRun(static_cast<VstOfflineTask*>(r.ptr), static_cast<VstInt32>(r.value)));
         }},
        {effProcessVarIo, [](E& e, R r) -> VstIntPtr {
             return answer(e.processVariableIo(static_cast<VstVariableIo*>(r.ptr)));
         }},
        {effSetSpeakerArrangement, [](E& e, R r) -> VstIntPtr {
             return answer(e.setSpeakerArrangement(pointerIn<VstSpeakerArrangement>(r.value),
                                                   static_cast<VstSpeakerArrangement*>(r.ptr)));
         }},
        {effSetBypass, [](E& e, R r) -> VstIntPtr { return answer(e.setBypass(r.value != 0)); }},
        {effGetEffectName, [](E& e, R r) -> VstIntPtr { return answer(e.getEffectName(textIn(r))); }},
        {effGetVendorString, [](E& e, R r) -> VstIntPtr { return answer(e.getVendorString(textIn(r))); }},
        {effGetProductString, [](E& e, R r) -> VstIntPtr { return answer(e.getProductString(textIn(r))); }},
        {effGetVendorVersion, [](E& e, R) -> VstIntPtr { return e.getVendorVersion(); }},
        {effVendorSpecific, [](E& e, R r) -> VstIntPtr { return e.vendorSpecific(r.index, r.value, r.ptr, r.opt); }},
        {effCanDo, [](E& e, R r) -> VstIntPtr { return e.canDo(textIn(r)); }},
        {effGetTailSize, [](E& e, R) -> VstIntPtr { return e.getTailSize(); }},
        {effGetParameterProperties, [](E& e, R r) -> VstIntPtr {
             return answer(e.getParameterProperties(r.index, static_cast<VstParameterProperties*>(r.ptr)));
         }},
        {effGetVstVersion, [](E& e, R) -> VstIntPtr { return e.getVstVersion(); }},
        {effEditKeyDown, [](E& e, R r) -> VstIntPtr {
             if (e.editor == nullptr) return 0;
             VstKeyCode key = keyOf(r);
             return answer(e.editor->onKeyDown(key));
         }},
        {effEditKeyUp, [](E& e, R r) -> VstIntPtr {
             if (e.editor == nullptr) return 0;
             VstKeyCode key = keyOf(r);
             return answer(e.editor->onKeyUp(key));
         }},
        {effSetEditKnobMode, [](E& e, R r) -> VstIntPtr {
             return e.editor != nullptr ? answer(e.editor->setKnobMode(static_cast<VstInt32>(r.value))) : 0;
         }},
        {effGetMidiProgramName, [](E& e, R r) -> VstIntPtr {
             return e.getMidiProgramName(r.index, static_cast<MidiProgramName*>(r.ptr));
         }},
        {effGetCurrentMidiProgram, [](E& e, R r) -> VstIntPtr {
             return e.getCurrentMidiProgram(r.index, static_cast<MidiProgramName*>(r.ptr));
         }},
        {effGetMidiProgramCategory, [](E& e, R r) -> VstIntPtr {
             return e.getMidiProgramCategory(r.index, static_cast<MidiProgramCategory*>(r.ptr));
         }},
        {effHasMidiProgramsChanged, [](E& e, R r) -> VstIntPtr { return answer(e.hasMidiProgramsChanged(r.index)); }},
        {effGetMidiKeyName, [](E& e, R r) -> VstIntPtr {
             return answer(e.getMidiKeyName(r.index, static_cast<MidiKeyName*>(r.ptr)));
         }},
        {effBeginSetProgram, [](E& e, R) -> VstIntPtr { return answer(e.beginSetProgram()); }},
        {effEndSetProgram, [](E& e, R) -> VstIntPtr { return answer(e.endSetProgram()); }},
        {effGetSpeakerArrangement, [](E& e, R r) -> VstIntPtr {
             return answer(e.getSpeakerArrangement(pointerIn<VstSpeakerArrangement*>(r.value),
                                                   static_cast<VstSpeakerArrangement**>(r.ptr)));
         }},
        {effShellGetNextPlugin, [](E& e, R r) -> VstIntPtr { return e.getNextShellPlugin(textIn(r)); }},
        {effStartProcess, [](E& e, R) -> VstIntPtr { return e.startProcess(); }},
        {effStopProcess, [](E& e, R) -> VstIntPtr { return e.stopProcess(); }},
        {effSetTotalSampleToProcess, [](E& e, R r) -> VstIntPtr {
             return e.setTotalSampleToProcess(static_cast<VstInt32>(r.value));
         }},
        {effSetPanLaw, [](E& e, R r) -> VstIntPtr { return answer(e.setPanLaw(static_cast<VstInt32>(r.value), r.opt)); }},
        {effBeginLoadBank, [](E& e, R r) -> VstIntPtr { return e.beginLoadBank(static_cast<VstPatchChunkInfo*>(r.ptr)); }},
        {effBeginLoadProgram, [](E& e, R r) -> VstIntPtr {
             return e.beginLoadProgram(static_cast<VstPatchChunkInfo*>(r.ptr));
         }},
        {effSetProcessPrecision, [](E& e, R r) -> VstIntPtr {
             return answer(e.setProcessPrecision(static_cast<VstInt32>(r.value)));
         }},
        {effGetNumMidiInputChannels, [](E& e, R) -> VstIntPtr { return e.getNumMidiInputChannels(); }},
        {effGetNumMidiOutputChannels, [](E& e, R) -> VstIntPtr { return e.getNumMidiOutputChannels(); }},
    };
    static constexpr auto table = byOpcode<E, effGetNumMidiOutputChannels + 1>(rows);

    Handler<E> handler = nullptr;
    if (!findHandler(table, opcode, handler)) return EffectBase::dispatcher(opcode, index, value, ptr, opt);
    return handler(*this, Request{index, value, ptr, opt});
}

void EffectBaseExt::resume() {
    if (effectRecord.flags & effFlagsIsSynth) {
        wantEvents(1);
        return;
    }
    char capability[] = "receiveVstMidiEvent";
    if (canDo(capability) == 1) wantEvents(1);
}
