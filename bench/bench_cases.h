// The effect's benchmark cases, shared by the timing benchmark and the cost
// host that callgrind and the trace tools run: the input tapes, and per case
// the parameters set before the first block and whether the transport moves.
#pragma once

#include <span>
#include <vector>

constexpr int kTapeFrames = 1 << 16;

// Input that the blocks read in turn: noise, then exact silence from
// `noiseFrames` on.
struct Tape {
    explicit Tape(int noiseFrames);
    std::vector<float> left, right;
};

// Noise over the whole tape.
const Tape& noiseTape();
// Noise long enough to fill the filters, then a long run of exact silence in
// which they decay to 0 and stay there.
const Tape& silenceTailTape();

// The buffers of one run: successive windows of a tape as input, and output
// buffers of one block.
class Buffers {
public:
    Buffers(const Tape& tape, int block) : tape(tape), block(block), outLeft(block), outRight(block) {}

    // The next window of the tape, wrapping at its end.
    void next() {
        inputs[0] = const_cast<float*>(tape.left.data()) + offset;
        inputs[1] = const_cast<float*>(tape.right.data()) + offset;
        offset = offset + 2 * block <= kTapeFrames ? offset + block : 0;
    }
    float** in() { return inputs; }
    float** out() { return outputs; }

private:
    const Tape& tape;
    int block;
    int offset = 0;
    std::vector<float> outLeft, outRight;
    float* inputs[2] = {nullptr, nullptr};
    float* outputs[2] = {outLeft.data(), outRight.data()};
};

// A parameter's value, set before the first block.
struct Setting {
    int index;
    float value;
};

struct EffectCase {
    const char* name;
    std::span<const Setting> settings;
    const Tape& (*tape)();
    bool standing;  // the transport stays: every block passes through
};

extern const EffectCase kEffectCases[6];

// The case of that name, or null.
const EffectCase* findEffectCase(const char* name);
