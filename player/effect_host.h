// The host side of one effect: it opens the effect through a plug-in's entry
// point and answers the calls that effect makes back. Each call is routed
// through the record the effect passes: the record's user field belongs to
// the host, and holds the address of the host that opened it. So any number
// of effects can be open at once, on any threads, with no table or lock
// between them, and the library builds for every target. A call without a
// record (the entry point's version query, before any record exists) goes
// to the host that is calling into the plug-in on that thread.
//
// What one host answers is a small policy, set in its public fields:
//   - the version it reports (versionAnswer);
//   - the time request's answer (timeAnswer): null for a host without a
//     transport; a record the user keeps and moves (a fixed transport, or
//     one timeInfoAt() fills for each block); or each block's record of a
//     recorded session;
//   - counts of the requests, for the hosts that check what the effect asks.
// A host that answers more (the render tool) or records every call (the
// tests) overrides answer().
#pragma once

#include <cstdint>

#include "abi/vst2_abi.h"

// A plug-in's entry point.
using PluginEntry = AEffect* (*)(audioMasterCallback);

struct HostCall {
    AEffect* effect;
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    void* ptr;
    float opt;
};

struct HostRequestCounts {
    int version = 0;
    int time = 0;
    int other = 0;
};

class EffectHost {
public:
    EffectHost() = default;
    // Closes the effect that is still open, if it is one this host marked.
    virtual ~EffectHost();
    EffectHost(const EffectHost&) = delete;
    EffectHost& operator=(const EffectHost&) = delete;

    // Calls `entry` with the host callback and returns the record it gives,
    // or null; an effect this host had open is closed first. The host writes
    // its address into the user field of an effect's record that left it
    // null. Any other record is not marked (routes() is false): its calls
    // from outside the host's own requests would not find this host, and
    // the host does not close it.
    AEffect* open(PluginEntry entry);
    AEffect* effect() const { return record; }
    bool routes() const { return record != nullptr && record->user == this; }

    // A request through the record. The calls the effect makes with a null
    // record while it runs come to this host.
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f);
    // Closes the effect; the answer of the close request.
    VstIntPtr close();
    // Lets go of the record without calling it.
    void abandon();

    // ---- the policy ------------------------------------------------------
    VstIntPtr versionAnswer = kHostVersion;
    // The record the time request is answered with, or null.
    const VstTimeInfo* timeAnswer = nullptr;
    HostRequestCounts counts;

protected:
    // Answers one call: the version, the time, and 0 for anything else. Runs
    // on the thread that calls the effect, the audio thread included, so an
    // override that may be called from there must not allocate or lock.
    virtual VstIntPtr answer(const HostCall& call);

private:
    static VstIntPtr VST2_CALLBACK callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                            void* ptr, float opt);

    AEffect* record = nullptr;
};

// A playing transport at 44100 frames per second, 120 beats per minute in
// 4/4, at position 0: the fixed transport the tests and the benchmark move
// by hand.
VstTimeInfo playingTransport();

// The time record of a host's transport in 4/4 at sample `samplePos`, as a
// DAW reports it: the beat position and the start of its bar that follow
// from the position at `bpm`, playing or standing. `changed`: the transport
// has just started, stopped or moved somewhere else.
VstTimeInfo timeInfoAt(double samplePos, double sampleRate, double bpm, bool playing, bool changed);
