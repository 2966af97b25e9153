// guide-facts: the numbers of docs/guide.md that the plug-in alone can tell,
// asked of the built plug-in through its record as a host asks, and printed
// as the guide's Markdown tables. scripts/guide_tables.py writes them into
// the guide; the guide_tables_current test fails when they no longer match.
//
//   guide-facts tempo-lookup    the Tempo value for each common song tempo
//   guide-facts note-values     a vnotes value well inside each note count
//   guide-facts at-48k          the closest settings at 48 kHz, and their drift
//   guide-facts auto-shares     which AUTO pattern plays, over 20 000 steps
//   guide-facts thresholds      where the switch and the note counts change
//   guide-facts auto-picture    the patterns the AUTO picture plays
//
// Values are found from the value texts the host shows (which are monotonic
// in the value), and step lengths by playing the effect until its first step
// change: nothing here works the plug-in's formulas out again.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "effect/parameters.h"
#include "effect/pattern_table.h"
#include "player/built_plugin.h"
#include "player/effect_host.h"

namespace {

// One effect on a host with a fixed, playing transport, opened and resumed
// as a DAW does.
class Effect {
public:
    explicit Effect(float sampleRate = 44100.0f, int blockSize = 512) {
        host.timeAnswer = &time;
        PluginEntry entry = quillbeatLibrary().entry();
        record = entry != nullptr ? host.open(entry) : nullptr;
        if (record == nullptr) {
            std::fprintf(stderr, "guide-facts: the plug-in did not open\n");
            std::exit(1);
        }
        dispatch(effOpen);
        dispatch(effSetSampleRate, 0, 0, sampleRate);
        dispatch(effSetBlockSize, blockSize);
        dispatch(effMainsChanged, 1);
        buffer.assign(static_cast<std::size_t>(blockSize) * 2, 0.25f);
    }
    ~Effect() {
        dispatch(effMainsChanged, 0);
        host.close();
    }
    Effect(const Effect&) = delete;
    Effect& operator=(const Effect&) = delete;

    void set(int index, float value) { record->setParameter(record, index, value); }
    float get(int index) { return record->getParameter(record, index); }
    std::string shows(int index) {
        char text[64] = {};
        dispatch(effGetParamDisplay, index, 0, 0.0f, text);
        return text;
    }
    // One block of `frames` (at most the block size) at host position `at`.
    void play(double at, int frames) {
        time.samplePos = at;
        float* channels[2] = {buffer.data(), buffer.data() + buffer.size() / 2};
        record->processReplacing(record, channels, channels, frames);
    }

private:
    void dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, float opt = 0.0f, void* ptr = nullptr) {
        record->dispatcher(record, opcode, index, value, ptr, opt);
    }
    EffectHost host;
    VstTimeInfo time = playingTransport();
    AEffect* record = nullptr;
    std::vector<float> buffer;
};

int shownNumber(int index, float value) {
    Effect effect;
    effect.set(index, value);
    return std::atoi(effect.shows(index).c_str());
}

// The smallest value from 0 to 1 whose text passes `reached`, by bisection
// over the floats in order (the texts are monotonic in the value).
template <typename Reached>
float firstValueWhere(int index, Reached reached) {
    const auto shows = [&](float value) {
        Effect effect;
        effect.set(index, value);
        return reached(effect.shows(index));
    };
    std::uint32_t low = std::bit_cast<std::uint32_t>(0.0f), high = std::bit_cast<std::uint32_t>(1.0f);
    if (shows(0.0f)) return 0.0f;
    while (high - low > 1) {
        const std::uint32_t middle = low + (high - low) / 2;
        if (shows(std::bit_cast<float>(middle))) {
            high = middle;
        } else {
            low = middle;
        }
    }
    return std::bit_cast<float>(high);
}

// The smallest value whose text shows at least `number`.
float firstShowing(int index, int number) {
    return firstValueWhere(index, [number](const std::string& text) { return std::atoi(text.c_str()) >= number; });
}

struct Choice {
    float value;         // as a host stores the decimal
    std::string decimal;  // what to type
};

// The decimal with `places` places nearest the middle of the values that
// show `number`, checked to show it.
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
        std::fprintf(stderr, "guide-facts: %s shows %d, not %d\n", decimal.c_str(), shownNumber(index, value), number);
        std::exit(1);
    }
    return {value, decimal};
}

// The samples of a step at this Tempo: RANDOM rolls new values at the first
// step change, which comes one step after position 0.
long stepSamples(float tempo, float sampleRate = 44100.0f) {
    Effect effect(sampleRate, 1);
    effect.set(kRndSw, 0.5f);
    effect.set(kTempo, tempo);
    const float initial = effect.get(kVA);
    for (long position = 0; position <= 50000; ++position) {
        effect.play(static_cast<double>(position), 1);
        if (effect.get(kVA) != initial) return position;
    }
    std::fprintf(stderr, "guide-facts: no step change at Tempo %g\n", tempo);
    std::exit(1);
}

// Every BPM the Tempo control shows, with a value for it and its step.
struct Setting {
    int bpm;
    Choice tempo;
    long step;
};

const std::vector<Setting>& everySetting() {
    static const std::vector<Setting> settings = [] {
        std::vector<Setting> all;
        const int slowest = shownNumber(kTempo, 0.0f), fastest = shownNumber(kTempo, 1.0f);
        for (int bpm = slowest; bpm <= fastest; ++bpm) {
            const Choice tempo = safeValue(kTempo, bpm, 4);
            all.push_back({bpm, tempo, stepSamples(tempo.value)});
        }
        return all;
    }();
    return settings;
}

const Setting& settingFor(int bpm) {
    for (const Setting& setting : everySetting()) {
        if (setting.bpm == bpm) return setting;
    }
    std::fprintf(stderr, "guide-facts: Tempo cannot show %d\n", bpm);
    std::exit(1);
}

// How far a 4/4 bar of the effect's steps runs from the song's bar, in
// samples at `rate`: positive when the effect's bar is longer.
double driftPerBar(long step, int beatsPerStep, double songBpm, double rate) {
    return 4.0 / beatsPerStep * static_cast<double>(step) - 4.0 * 60.0 * rate / songBpm;
}

std::string drift(double samples, double rate) {
    if (samples == 0.0) return "none";
    char text[64];
    std::snprintf(text, sizeof text, "%+.2f samples (%+.3f ms)", samples, samples * 1000.0 / rate);
    return text;
}

void tempoLookup() {
    std::printf("| Song tempo | Tempo value | Shows | A step is | Step (samples) | Drift per bar at 44.1 kHz |\n");
    std::printf("|---|---|---|---|---|---|\n");
    const int songs[] = {60,  70,  75,  80,  85,  87,  90,  95,  100, 105, 110, 115, 120, 122,
                         124, 125, 126, 128, 130, 135, 140, 145, 150, 160, 170, 174, 175, 180};
    for (int song : songs) {
        const int beats = song < 120 ? 1 : 2;
        const Setting& setting = settingFor(song * 2 / beats);
        std::printf("| %d | %s | %d | %s | %ld | %s |\n", song, setting.tempo.decimal.c_str(), setting.bpm,
                    beats == 1 ? "one beat" : "two beats", setting.step,
                    drift(driftPerBar(setting.step, beats, song, 44100.0), 44100.0).c_str());
    }
}

void noteValues() {
    std::printf("| Notes per step | With a step of two beats | With a step of one beat | vnotes, fnotes |\n");
    std::printf("|---|---|---|---|\n");
    struct Row {
        int count;
        const char* twoBeats;
        const char* oneBeat;
    };
    const Row rows[] = {{1, "half notes", "quarter notes"},
                        {2, "quarter notes", "eighth notes"},
                        {3, "quarter-note triplets", "eighth-note triplets"},
                        {4, "eighth notes", "sixteenth notes"},
                        {6, "eighth-note triplets", "sixteenth-note triplets"},
                        {8, "sixteenth notes", "thirty-second notes"},
                        {12, "sixteenth-note triplets", "thirty-second-note triplets"},
                        {16, "thirty-second notes", "sixty-fourth notes"}};
    for (const Row& row : rows) {
        const Choice value = safeValue(kVNotes, row.count, 2);
        std::printf("| %d | %s | %s | %s |\n", row.count, row.twoBeats, row.oneBeat, value.decimal.c_str());
    }
}

// At 48 kHz: for each song tempo, the setting whose bar comes closest to the
// song's, a step of two beats or of one.
void at48k() {
    const double rate = 48000.0;
    std::printf("| Song tempo | Tempo value | Shows | A step is | Drift per bar at 48 kHz |\n");
    std::printf("|---|---|---|---|---|\n");
    const int songs[] = {70, 80, 90, 100, 110, 120, 125, 128, 130, 140, 150, 160, 170, 174};
    // The step length does not follow the host's rate: measured there once.
    if (stepSamples(settingFor(140).tempo.value, static_cast<float>(rate)) != settingFor(140).step) std::exit(1);
    for (int song : songs) {
        const Setting* best = nullptr;
        int bestBeats = 0;
        double bestDrift = 0.0;
        for (int beats : {2, 1}) {
            for (const Setting& setting : everySetting()) {
                const double d = driftPerBar(setting.step, beats, song, rate);
                if (best == nullptr || std::fabs(d) < std::fabs(bestDrift)) {
                    best = &setting;
                    bestBeats = beats;
                    bestDrift = d;
                }
            }
        }
        std::printf("| %d | %s | %d | %s | %s |\n", song, best->tempo.decimal.c_str(), best->bpm,
                    bestBeats == 1 ? "one beat" : "two beats", drift(bestDrift, rate).c_str());
    }
}

// Where the switch and the note counts change, to seven digits.
void thresholds() {
    std::printf("| Control | Shows | From |\n");
    std::printf("|---|---|---|\n");
    // From 0 to 1 the switch reads MANUAL, then RANDOM, then AUTO.
    const float random = firstValueWhere(kRndSw, [](const std::string& text) { return text != "MANUAL"; });
    const float automatic = firstValueWhere(kRndSw, [](const std::string& text) { return text == "AUTO"; });
    std::printf("| `RndSw` | `RANDOM` | %.7f |\n", static_cast<double>(random));
    std::printf("| `RndSw` | `AUTO` | %.7f |\n", static_cast<double>(automatic));
    for (int count = 2; count <= 16; ++count) {
        std::printf("| `vnotes`, `fnotes` | `%d` | %.7f |\n", count, static_cast<double>(firstShowing(kVNotes, count)));
    }
}

std::optional<int> patternPlaying(Effect& effect) {
    for (std::size_t pattern = 0; pattern < patternTable.size(); ++pattern) {
        bool same = true;
        for (int index = 0; index < kEnvelopeParameterCount; ++index) {
            same = same && effect.get(index) == patternTable[pattern][static_cast<std::size_t>(index)];
        }
        if (same) return static_cast<int>(pattern);
    }
    return std::nullopt;
}

// Plays AUTO from `start` in blocks of 512 and lists the pattern of every
// step that begins on the way, with its step number.
std::vector<std::pair<long, int>> autoSteps(float tempo, double start, long steps, long frames) {
    Effect effect;
    effect.set(kRndSw, 1.0f);
    effect.set(kTempo, tempo);
    const long step = stepSamples(tempo);
    std::vector<std::pair<long, int>> played;
    for (double at = start; at < start + static_cast<double>(frames); at += 512) {
        const long before = static_cast<long>(at - 1) / step;
        effect.play(at, 512);
        const long now = static_cast<long>(at + 511) / step;
        if (now != before) {
            const std::optional<int> pattern = patternPlaying(effect);
            if (!pattern) std::exit(1);
            played.emplace_back(now, *pattern);
            if (static_cast<long>(played.size()) == steps) break;
        }
    }
    return played;
}

void autoShares() {
    const auto played = autoSteps(1.0f, 0.0, 20000, 1L << 40);
    // Steps and picks by parity: [0] even steps, [1] odd ones.
    long steps[2] = {0, 0}, repeats = 0;
    std::map<int, long> picks[2];
    for (std::size_t i = 0; i < played.size(); ++i) {
        const auto [index, pattern] = played[i];
        ++steps[index % 2];
        ++picks[index % 2][pattern];
        if (i > 0 && played[i - 1].second == pattern) ++repeats;
    }
    std::printf("| Pattern | Notes | Plays on | Share of those steps | Share of all steps |\n");
    std::printf("|---|---|---|---|---|\n");
    for (std::size_t pattern = 0; pattern < patternTable.size(); ++pattern) {
        for (int parity : {1, 0}) {
            const auto found = picks[parity].find(static_cast<int>(pattern));
            if (found == picks[parity].end()) continue;
            const auto share = [&](long of) { return 100.0 * static_cast<double>(found->second) / static_cast<double>(of); };
            std::printf("| %zu | %d | %s steps | %.1f %% | %.1f %% |\n", pattern,
                        shownNumber(kVNotes, patternTable[pattern][kVNotes]), parity == 1 ? "odd" : "even",
                        share(steps[parity]), share(static_cast<long>(played.size())));
        }
    }
    std::printf("\nOf %zu steps, %ld played the same pattern as the step before.\n", played.size(), repeats);
}

// The AUTO picture: docs/pictures/pictures.txt, line mode-auto.
void autoPicture() {
    const auto played = autoSteps(kInitialTempo, 37800.0, 100, static_cast<long>(4.3 * 44100));
    std::printf("Patterns, step by step:");
    for (const auto& [index, pattern] : played) std::printf(" %d", pattern);
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc == 2 ? argv[1] : "";
    if (command == "tempo-lookup") {
        tempoLookup();
    } else if (command == "note-values") {
        noteValues();
    } else if (command == "at-48k") {
        at48k();
    } else if (command == "auto-shares") {
        autoShares();
    } else if (command == "thresholds") {
        thresholds();
    } else if (command == "auto-picture") {
        autoPicture();
    } else {
        std::fprintf(stderr, "usage: guide-facts tempo-lookup|note-values|at-48k|auto-shares|thresholds|auto-picture\n");
        return 2;
    }
    return 0;
}
