// EffectBase: the object behind one effect record. It owns the record the host
// holds, keeps the host callback and the state every effect shares, and gives
// every request a default that an effect class overrides where it has
// something to say.
//
// Threads: the host calls into an effect from its audio thread (processing)
// and from other threads (parameters, programs, texts). Nothing in this class
// is touched by the audio path except the record's process functions.
#pragma once

#include <atomic>

#include "host/effect_editor.h"
#include "host/record_functions.h"
#include "abi/vst2_abi.h"

class EffectBase {
public:
    EffectBase(audioMasterCallback hostCallback, VstInt32 programCount, VstInt32 parameterCount);
    EffectBase(const EffectBase&) = delete;
    EffectBase& operator=(const EffectBase&) = delete;

    // The virtual operations keep this order: effect classes and the
    // extension layer extend the table after them.
    virtual ~EffectBase();
    virtual VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
    virtual void open() {}
    virtual void close() {}
    virtual void suspend() {}
    virtual void resume() {}
    virtual void setSampleRate(float rate) { sampleRate.store(rate, std::memory_order_relaxed); }
    virtual void setBlockSize(VstInt32 size) { blockSize.store(size, std::memory_order_relaxed); }
    virtual void processReplacing(float** inputs, float** outputs, VstInt32 frames) = 0;
    virtual void processDoubleReplacing(double** inputs, double** outputs, VstInt32 frames);
    virtual void setParameter(VstInt32 index, float value);
    virtual float getParameter(VstInt32 index);
    virtual void setParameterAutomated(VstInt32 index, float value);
    virtual VstInt32 getProgram() { return currentProgram.load(std::memory_order_relaxed); }
    virtual void setProgram(VstInt32 program) { currentProgram.store(program, std::memory_order_relaxed); }
    virtual void setProgramName(char* name);
    virtual void getProgramName(char* name);
    virtual void getParameterLabel(VstInt32 index, char* label);
    virtual void getParameterDisplay(VstInt32 index, char* text);
    virtual void getParameterName(VstInt32 index, char* text);
    virtual VstInt32 getChunk(void** data, bool isPreset);
    virtual VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset);
    virtual void setUniqueID(VstInt32 id) { effectRecord.uniqueID = id; }
    virtual void setNumInputs(VstInt32 count) { effectRecord.numInputs = count; }
    virtual void setNumOutputs(VstInt32 count) { effectRecord.numOutputs = count; }
    virtual void canProcessReplacing(bool state) { setFlag(effFlagsCanReplacing, state); }
    virtual void canDoubleReplacing(bool state) { setFlag(effFlagsCanDoubleReplacing, state); }
    virtual void programsAreChunks(bool state) { setFlag(effFlagsProgramChunks, state); }
    virtual void setInitialDelay(VstInt32 delay) { effectRecord.initialDelay = delay; }
    virtual EffectEditor* getEditor() { return editor; }
    virtual AEffect* getAeffect() { return &effectRecord; }
    virtual float getSampleRate() { return sampleRate.load(std::memory_order_relaxed); }
    virtual VstInt32 getBlockSize() { return blockSize.load(std::memory_order_relaxed); }
    virtual VstInt32 getMasterVersion();
    virtual VstInt32 getCurrentUniqueId();
    virtual void masterIdle();
    virtual void dB2string(float value, char* text, VstInt32 maxLength);
    virtual void Hz2string(float samples, char* text, VstInt32 maxLength);
    virtual void ms2string(float samples, char* text, VstInt32 maxLength);
    virtual void float2string(float value, char* text, VstInt32 maxLength);
    virtual void int2string(VstInt32 value, char* text, VstInt32 maxLength);
    virtual void processAccumulating(float** inputs, float** outputs, VstInt32 frames);
    virtual float getVu() { return 0.0f; }
    virtual void hasVu(bool state) { setFlag(effFlagsHasVu, state); }
    virtual void hasClip(bool state) { setFlag(effFlagsHasClip, state); }
    virtual void canMono(bool state) { setFlag(effFlagsCanMono, state); }
    virtual void setRealQualities(VstInt32 qualities) { effectRecord.realQualities = qualities; }
    virtual void setOffQualities(VstInt32 qualities) { effectRecord.offQualities = qualities; }
    virtual bool isInputConnected(VstInt32 input);
    virtual bool isOutputConnected(VstInt32 output);

protected:
    // Sets or clears one bit of the record's flags; the others stay.
    void setFlag(VstInt32 bit, bool state) {
        effectRecord.flags = state ? (effectRecord.flags | bit) : (effectRecord.flags & ~bit);
    }

    // One call of the host by the common convention: the record's address, the
    // opcode and the four request parts. Without a callback nothing is called
    // and the answer is `whenNoHost`.
    VstIntPtr callHost(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f, VstIntPtr whenNoHost = 0);

    audioMasterCallback hostCallback;
    EffectEditor* editor;
    // Host requests write these on whatever thread the host uses while other
    // requests read them on others. Each is one relaxed atomic value (a plain
    // load or store on the targets we build for): a reader always sees a whole
    // value that was written, and the last write wins.
    static_assert(std::atomic<float>::is_always_lock_free && std::atomic<VstInt32>::is_always_lock_free);
    std::atomic<float> sampleRate;
    std::atomic<VstInt32> blockSize;
    VstInt32 programCount;
    VstInt32 parameterCount;
    std::atomic<VstInt32> currentProgram;
    AEffect effectRecord;
};

// Made by the product: a new effect object for the entry point, or null when
// no memory could be had for it.
EffectBase* createEffect(audioMasterCallback hostCallback);
