// The built plug-in as guide-facts plays it: one effect on a host with a
// playing transport, opened and resumed as a DAW does, and the searches
// that find values from the value texts the host shows.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "player/effect_host.h"

class HostedEffect {
public:
    explicit HostedEffect(float sampleRate = 44100.0f, int blockSize = 512);
    ~HostedEffect();
    HostedEffect(const HostedEffect&) = delete;
    HostedEffect& operator=(const HostedEffect&) = delete;

    void set(int index, float value);
    float get(int index);
    std::string shows(int index);
    // One block of `frames` (at most the block size) at host position `at`,
    // of a steady input; what comes out is not kept.
    void play(double at, int frames);
    // One block of a mono `input` fed to both channels, at host position
    // `at`; the left output goes to `output`.
    void process(double at, const float* input, float* output, int frames);

private:
    void dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, float opt = 0.0f, void* ptr = nullptr);
    EffectHost host;
    VstTimeInfo time = playingTransport();
    AEffect* record = nullptr;
    int blockSize;
    std::vector<float> left, right;
};

// The number a fresh effect shows for `value` of parameter `index`.
int shownNumber(int index, float value);

// The smallest float from 0 to 1 whose value text shows at least `number`,
// by bisection over the floats in order (the texts are monotonic).
float firstShowing(int index, int number);

// The smallest float from 0 to 1 whose value text passes `reached`.
float firstValueWhere(int index, const std::function<bool(const std::string& text)>& reached);

struct Choice {
    float value;          // as a host stores the decimal
    std::string decimal;  // what to type
};

// The decimal with `places` places nearest the middle of the values that
// show `number`, checked to show it.
Choice safeValue(int index, int number, int places);

// The frames of a step at this Tempo, found by playing: RANDOM rolls new
// values at the first step change, which comes one step after position 0.
long stepSamples(float tempo, float sampleRate = 44100.0f);

// A BPM the Tempo control shows, with a value for it and its step.
struct TempoSetting {
    int bpm;
    Choice tempo;
    long step;
};

// Every BPM the Tempo control can show, slowest first.
const std::vector<TempoSetting>& everyTempoSetting();
const TempoSetting& tempoSettingFor(int bpm);

// The shortest decimal that a host reading it as a float stores as `value`.
std::string shortestDecimal(float value);

// Stops guide-facts with `message`: a fact it could not establish.
[[noreturn]] void giveUp(const std::string& message);
