// The tables of value texts and step lengths: the Tempo lookup, the note
// values, the settings at 48 kHz, and the thresholds of the switch and the
// note counts.
#include <cmath>
#include <cstdio>
#include <string>

#include "effect/parameters.h"
#include "tools/guide-facts/fact_tables.h"
#include "tools/guide-facts/hosted_effect.h"

namespace {

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

std::string driftAfter(int bars, double samplesPerBar, double rate) {
    if (samplesPerBar == 0.0) return "none";
    char text[32];
    std::snprintf(text, sizeof text, "%+.0f ms", bars * samplesPerBar * 1000.0 / rate);
    return text;
}

}  // namespace

void printTempoLookup() {
    std::printf("| Song tempo | Tempo value | Shows | A step is | Step (samples) | Drift per bar at 44.1 kHz |\n");
    std::printf("|---|---|---|---|---|---|\n");
    const int songs[] = {60,  70,  75,  80,  85,  87,  90,  95,  100, 105, 110, 115, 120, 122,
                         124, 125, 126, 128, 130, 135, 140, 145, 150, 160, 170, 174, 175, 180};
    for (int song : songs) {
        const int beats = song < 120 ? 1 : 2;
        const TempoSetting& setting = tempoSettingFor(song * 2 / beats);
        std::printf("| %d | %s | %d | %s | %ld | %s |\n", song, setting.tempo.decimal.c_str(), setting.bpm,
                    beats == 1 ? "one beat" : "two beats", setting.step,
                    drift(driftPerBar(setting.step, beats, song, 44100.0), 44100.0).c_str());
    }
}

void printNoteValues() {
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
// song's, a step of two beats or of one, and how far it has drifted after
// 8, 16 and 32 bars.
void printAt48k() {
    const double rate = 48000.0;
    std::printf("| Song tempo | Tempo value | Shows | A step is | Drift per bar at 48 kHz | After 8 bars | 16 bars "
                "| 32 bars |\n");
    std::printf("|---|---|---|---|---|---|---|---|\n");
    const int songs[] = {70, 80, 90, 100, 110, 120, 125, 128, 130, 140, 150, 160, 170, 174};
    // The step length does not follow the host's rate: measured there once.
    const TempoSetting& usual = tempoSettingFor(140);
    if (stepSamples(usual.tempo.value, static_cast<float>(rate)) != usual.step) {
        giveUp("the step at 48 kHz is not the step at 44.1 kHz");
    }
    for (int song : songs) {
        const TempoSetting* best = nullptr;
        int bestBeats = 0;
        double bestDrift = 0.0;
        for (int beats : {2, 1}) {
            for (const TempoSetting& setting : everyTempoSetting()) {
                const double d = driftPerBar(setting.step, beats, song, rate);
                if (best == nullptr || std::fabs(d) < std::fabs(bestDrift)) {
                    best = &setting;
                    bestBeats = beats;
                    bestDrift = d;
                }
            }
        }
        std::printf("| %d | %s | %d | %s | %s | %s | %s | %s |\n", song, best->tempo.decimal.c_str(), best->bpm,
                    bestBeats == 1 ? "one beat" : "two beats", drift(bestDrift, rate).c_str(),
                    driftAfter(8, bestDrift, rate).c_str(), driftAfter(16, bestDrift, rate).c_str(),
                    driftAfter(32, bestDrift, rate).c_str());
    }
}

// The smallest value that shows each mode and note count, as the shortest
// decimal a host stores as that very value: one float less shows the count
// below.
void printThresholds() {
    std::printf("| Control | Shows | From |\n");
    std::printf("|---|---|---|\n");
    // From 0 to 1 the switch reads MANUAL, then RANDOM, then AUTO.
    const float random = firstValueWhere(kRndSw, [](const std::string& text) { return text != "MANUAL"; });
    const float automatic = firstValueWhere(kRndSw, [](const std::string& text) { return text == "AUTO"; });
    std::printf("| `RndSw` | `RANDOM` | %s |\n", shortestDecimal(random).c_str());
    std::printf("| `RndSw` | `AUTO` | %s |\n", shortestDecimal(automatic).c_str());
    for (int count = 2; count <= 16; ++count) {
        std::printf("| `vnotes`, `fnotes` | `%d` | %s |\n", count, shortestDecimal(firstShowing(kVNotes, count)).c_str());
    }
}
