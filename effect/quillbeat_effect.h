// QuillbeatEffect: a tempo-locked gate. On a step grid counted from the host's
// sample position an amplitude envelope and a low-pass filter envelope restart
// several times per step; the envelope values come from the parameters
// ("MANUAL"), from the random generator ("RANDOM") or from stored patterns
// ("AUTO").
#pragma once

#include <cstdint>
#include <memory>

#include "effect/parameters.h"
#include "effect/program_record.h"
#include "effect/quillbeat_core.h"
#include "host/effect_base_ext.h"


class QuillbeatEffect : public EffectBaseExt {
public:
    // Programs in the bank.
    static constexpr int kProgramCount = 16;

    explicit QuillbeatEffect(audioMasterCallback hostCallback);
    ~QuillbeatEffect() override;

    void processReplacing(float** inputs, float** outputs, VstInt32 frames) override;
    void processDoubleReplacing(double** inputs, double** outputs, VstInt32 frames) override;
    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    void setProgram(VstInt32 program) override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    void getParameterLabel(VstInt32 index, char* label) override;
    void getParameterDisplay(VstInt32 index, char* text) override;
    void getParameterName(VstInt32 index, char* text) override;
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    VstInt32 getVendorVersion() override;

    // The effect's pseudo-random generator: a linear congruence whose upper
    // 16 bits are the result (0 to 65535). The core draws from it once per
    // block and at "RANDOM" and "AUTO" step changes.
    virtual std::uint32_t nextRandom();

private:
    // Written once at construction, read by the host's threads.
    float fallbackParameterValue;  // what getParameter answers for an unknown index
    std::unique_ptr<ProgramRecord[]> programs;  // the bank; names written by the host's threads

    // The parameters and the processing state. Its step grid counts with
    // the base's rate at construction, before any host has announced its
    // own, for the life of the effect: the step length does not follow a
    // rate the host sets later, and the rhythm of every session depends on
    // that.
    QuillbeatCore core;
};
