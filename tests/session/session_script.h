// The fixed session that the session host plays through the plug-in: what the
// host does, in order, as data. It covers the three switch modes, parameter
// and program changes between blocks, odd block sizes, a standing transport,
// position jumps (fractional, backwards, negative, beyond the 32-bit range),
// blocks without time information and non-finite input.
//
// With Tempo at 1 a step is 11025 frames, so blocks that straddle a multiple
// of 11025 cross into a new step; "straddle(k)" is such a block around the
// start of step k.
#pragma once

#include <bit>
#include <cstdint>

#include "effect/parameters.h"

enum class Act { SetParameter, SelectProgram, RenameProgram, Play, PlayWithoutTime, SweepTexts };

// What the input channels carry: a deterministic noise, or a cycle of values
// that a filter must survive (signed zeros, subnormals, huge values,
// infinities, NaN).
enum class Signal { Noise, EdgeValues };

struct Action {
    Act act;
    int index = 0;        // parameter or program
    float value = 0.0f;   // parameter value
    double position = 0;  // host sample position of the first block
    int frames = 0;       // frames per block
    int blocks = 1;       // blocks in a row, each placed right after the one before
    Signal signal = Signal::Noise;
    bool inPlace = false;      // outputs are the input buffers
    const char* name = nullptr;  // program name
};

constexpr Action set(int index, float value) { return {Act::SetParameter, index, value}; }
constexpr Action setBits(int index, std::uint32_t bits) { return set(index, std::bit_cast<float>(bits)); }
constexpr Action select(int program) { return {Act::SelectProgram, program}; }
constexpr Action rename(const char* name) {
    Action action{Act::RenameProgram};
    action.name = name;
    return action;
}
constexpr Action play(double position, int frames, int blocks = 1) {
    return {Act::Play, 0, 0.0f, position, frames, blocks};
}
constexpr Action playEdgeValues(double position, int frames, bool inPlace) {
    return {Act::Play, 0, 0.0f, position, frames, 1, Signal::EdgeValues, inPlace};
}
constexpr Action playWithoutTime(int frames) { return {Act::PlayWithoutTime, 0, 0.0f, 0.0, frames}; }
constexpr Action straddle(int step) { return play(step * 11025.0 - 40.0, 80); }
constexpr Action sweepTexts() { return {Act::SweepTexts}; }

constexpr Action kSession[] = {
    // Defaults ("AUTO", 140 beats per minute). The first block at position 0
    // passes through: the position has not moved since construction.
    play(0, 256),
    play(256, 512, 4),
    sweepTexts(),

    // "MANUAL" with eight amplitude and four filter starts per step.
    set(kRndSw, 0.0f), set(kTempo, 1.0f),
    set(kVA, 0.5f), set(kVD1, 0.3f), set(kVS, 0.4f), set(kVD2, 0.2f), set(kVNotes, 0.5f),
    set(kFA, 0.8f), set(kFD1, 0.25f), set(kFS, 0.3f), set(kFD2, 0.1f), set(kFNotes, 0.25f),
    // Odd block sizes in a row, across the steps at 11025 and 22050.
    play(2304, 1), play(2305, 7), play(2312, 127), play(2439, 333), play(2772, 1000), play(3772, 4093),
    play(7865, 4099, 4),
    // A standing transport passes through; a zero-frame block moves the
    // position on its own.
    play(24261, 512), play(24261, 512), play(24773, 300),
    play(25073, 0), play(25073, 64), play(25137, 64),
    // Sharp envelopes, then slow ones, changed between blocks.
    set(kVA, 1.0f), set(kVD1, 0.0f), set(kVD2, 0.0f), set(kVNotes, 1.0f), set(kFA, 0.0f),
    play(25201, 2048, 3),
    set(kVA, 0.1f), set(kVD1, 0.9f), set(kVS, 0.05f), set(kVD2, 0.6f), set(kVNotes, 0.0f),
    set(kFA, 1.0f), set(kFD1, 0.7f), set(kFS, 0.0f), set(kFD2, 0.9f), set(kFNotes, 1.0f),
    play(31345, 3000, 3),
    // Jumps: fractional positions, forward, back into step 0, onto a step's
    // first frame.
    play(60000.4, 200), play(60200.5, 200), play(5000.49, 300), play(11024.5, 100),
    // Negative positions: -0.7 rounds to 0, -1.5 to -1; step numbers
    // truncate toward zero.
    play(-0.7, 100), play(-1.5, 100), play(-11100, 200), play(-30000, 2000, 2),
    // No time information: each block follows the call before it.
    playWithoutTime(500), playWithoutTime(500), play(-25000, 256),
    // Positions beyond the 32-bit range, and the range's end crossed.
    play(5e9, 256), play(5e9 + 256, 256), play(-5e9, 256), play(2147483500.0, 256),

    // Other tempos: steps of 37800, 25200 and 44100 frames, and 122 beats
    // per minute where single-precision arithmetic would give 121.
    set(kTempo, 0.24f), play(37700, 300),
    set(kTempo, 0.5f), play(50300, 300),
    set(kTempo, 0.0f), play(88100, 300),
    setBits(kTempo, 0x3D98A61F), play(88400, 300),
    set(kTempo, 1.0f),

    // Programs: selecting one brings back its envelope values; names stay.
    select(3), rename("Groove"), select(5), play(100000, 1024),
    select(3), play(101024, 1024),
    rename("A name much longer than twenty-three characters"),
    select(7), rename("init"), select(0), play(102048, 1024),

    // "RANDOM": a run over six steps, then single step changes, odd, even
    // and negative.
    set(kRndSw, 0.5f),
    play(108250, 4093, 12),
    straddle(20), straddle(21), straddle(-3), straddle(-4), straddle(1),

    // "AUTO": a run over six steps, then single step changes.
    set(kRndSw, 1.0f),
    play(329750, 4093, 16),
    straddle(40), straddle(41), straddle(42), straddle(43), straddle(44), straddle(45), straddle(46),
    straddle(47), straddle(-5), straddle(-6), straddle(-7), straddle(-8), straddle(0),
    sweepTexts(),

    // Input that a filter must survive, moving and standing, in place and not.
    playEdgeValues(500000, 96, false), playEdgeValues(500000, 96, true), playEdgeValues(500096, 96, true),

    // The "MANUAL"/"RANDOM" border of the switch, on either side.
    setBits(kRndSw, 0x3EB08D3D), straddle(50),
    setBits(kRndSw, 0x3EB08D3E), straddle(51), straddle(52),
    select(9), play(600000, 777, 3),
};
