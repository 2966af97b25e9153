// A lean host for the benchmarks: loads the built plug-in, opens one effect
// through its entry point and calls its record as a host does, answering the
// effect's time-information request from a transport that the benchmark
// moves. It records nothing, so the host's own cost per block stays small.
#pragma once

#include "abi/vst2_abi.h"
#include "player/effect_host.h"

class BenchHost {
public:
    BenchHost();

    bool opened() const { return record != nullptr; }
    void setParameter(VstInt32 index, float value) { record->setParameter(record, index, value); }

    // One block through the record's replacing-process function, placed at
    // the transport's position; a moving transport then advances by the
    // block, a standing one stays.
    void process(float** inputs, float** outputs, VstInt32 frames) {
        transport.samplePos = position;
        record->processReplacing(record, inputs, outputs, frames);
        if (moving) position += frames;
    }

    double position = 1000.0;
    bool moving = true;

private:
    EffectHost host;
    VstTimeInfo transport = playingTransport();
    AEffect* record = nullptr;
};
