#include "tools/guide-facts/hosted_effect.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <utility>

#include "effect/float_search.h"
#include "effect/parameters.h"
#include "player/built_plugin.h"

HostedEffect::HostedEffect(float sampleRate, int blockSize)
    : blockSize(blockSize), left(static_cast<std::size_t>(blockSize)), right(static_cast<std::size_t>(blockSize)) {
    host.timeAnswer = &time;
    PluginEntry entry = quillbeatLibrary().entry();
    record = entry != nullptr ? host.open(entry) : nullptr;
    if (record == nullptr) giveUp("the plug-in did not open");
    dispatch(effOpen);
    dispatch(effSetSampleRate, 0, 0, sampleRate);
    dispatch(effSetBlockSize, blockSize);
    dispatch(effMainsChanged, 1);
}

HostedEffect::~HostedEffect() {
    dispatch(effMainsChanged, 0);
    host.close();
}

void HostedEffect::set(int index, float value) { record->setParameter(record, index, value); }

float HostedEffect::get(int index) { return record->getParameter(record, index); }

std::string HostedEffect::shows(int index) {
    char text[64] = {};
    dispatch(effGetParamDisplay, index, 0, 0.0f, text);
    return text;
}

void HostedEffect::play(double at, int frames) {
    std::fill(left.begin(), left.end(), 0.25f);
    std::fill(right.begin(), right.end(), 0.25f);
    time.samplePos = at;
    float* channels[2] = {left.data(), right.data()};
    record->processReplacing(record, channels, channels, frames);
}

void HostedEffect::process(double at, const float* input, float* output, int frames) {
    if (frames > blockSize) giveUp("a block longer than the effect was told");
    std::copy(input, input + frames, left.begin());
    std::copy(input, input + frames, right.begin());
    time.samplePos = at;
    float* channels[2] = {left.data(), right.data()};
    record->processReplacing(record, channels, channels, frames);
    std::copy(left.begin(), left.begin() + frames, output);
}

void HostedEffect::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, float opt, void* ptr) {
    record->dispatcher(record, opcode, index, value, ptr, opt);
}

void giveUp(const std::string& message) {
    std::fprintf(stderr, "guide-facts: %s\n", message.c_str());
    std::exit(1);
}

int shownNumber(int index, float value) {
    HostedEffect effect;
    effect.set(index, value);
    return std::atoi(effect.shows(index).c_str());
}

float firstValueWhere(int index, const std::function<bool(const std::string& text)>& reached) {
    const auto shows = [&](float value) {
        HostedEffect effect;
        effect.set(index, value);
        return reached(effect.shows(index));
    };
    // A text the effect never reaches is taken at the top of the range.
    return firstFloatWhere(shows).value_or(1.0f);
}

float firstShowing(int index, int number) {
    return firstValueWhere(index, [number](const std::string& text) { return std::atoi(text.c_str()) >= number; });
}

Choice safeValue(int index, int number, int places) {
    const bool top = number == shownNumber(index, 1.0f);
    const double low = firstShowing(index, number);
    const double high = top ? 1.0 : firstShowing(index, number + 1);
    // The ends of the whole range are safe in themselves: no host value lies beyond them.
    const double middle = low == 0.0 ? 0.0 : top ? 1.0 : (low + high) / 2;
    const double scale = std::pow(10.0, places);
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", places, std::round(middle * scale) / scale);
    std::string decimal = text;
    while (decimal.find('.') != std::string::npos && (decimal.back() == '0' || decimal.back() == '.')) {
        decimal.pop_back();
    }
    const float value = std::strtof(decimal.c_str(), nullptr);
    if (shownNumber(index, value) != number) {
        giveUp(decimal + " shows " + std::to_string(shownNumber(index, value)) + ", not " + std::to_string(number));
    }
    return {value, decimal};
}

long stepSamples(float tempo, float sampleRate) {
    static std::map<std::pair<float, float>, long> known;
    if (const auto found = known.find({tempo, sampleRate}); found != known.end()) return found->second;
    HostedEffect effect(sampleRate, 1);
    effect.set(kRndSw, 0.5f);
    effect.set(kTempo, tempo);
    const float initial = effect.get(kVA);
    for (long position = 0; position <= 50000; ++position) {
        effect.play(static_cast<double>(position), 1);
        if (effect.get(kVA) != initial) return known[{tempo, sampleRate}] = position;
    }
    giveUp("no step change at Tempo " + shortestDecimal(tempo));
}

const std::vector<TempoSetting>& everyTempoSetting() {
    static const std::vector<TempoSetting> settings = [] {
        std::vector<TempoSetting> all;
        const int slowest = shownNumber(kTempo, 0.0f), fastest = shownNumber(kTempo, 1.0f);
        for (int bpm = slowest; bpm <= fastest; ++bpm) {
            const Choice tempo = safeValue(kTempo, bpm, 4);
            all.push_back({bpm, tempo, stepSamples(tempo.value)});
        }
        return all;
    }();
    return settings;
}

const TempoSetting& tempoSettingFor(int bpm) {
    for (const TempoSetting& setting : everyTempoSetting()) {
        if (setting.bpm == bpm) return setting;
    }
    giveUp("Tempo cannot show " + std::to_string(bpm));
}

std::string shortestDecimal(float value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}
