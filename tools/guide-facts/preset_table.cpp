// The factory presets measured: for each, what it suits, its pulses per
// beat, its range of 10-ms levels and the fastest Tempo at which it keeps
// its shape. Two presets that a listener could not tell apart at the same
// Tempo stop the table.
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "effect/parameters.h"
#include "presets/factory_presets.h"
#include "tools/guide-facts/fact_tables.h"
#include "tools/guide-facts/hosted_effect.h"
#include "tools/guide-facts/level_envelope.h"
#include "tools/guide-facts/preset_measures.h"

namespace {

constexpr int kSteps = 16;
// The Tempo at which the presets are compared with one another.
constexpr int kComparedAt = 140;

// "silent to -0.3 dB", "-26.0 to 0.0 dB".
std::string levelRange(double lowestDb, double peakDb) {
    const auto number = [](double db) {
        char text[32];
        // Rounded first, so that a level just below 0 does not read "-0.0".
        std::snprintf(text, sizeof text, "%.1f", std::round(db * 10) / 10 + 0.0);
        return std::string(text);
    };
    return (lowestDb <= kSilenceDb ? "silent" : number(lowestDb)) + " to " + number(peakDb) + " dB";
}

bool picksItsOwnValues(float rndSw) {
    HostedEffect effect;
    effect.set(kRndSw, rndSw);
    return effect.shows(kRndSw) != "MANUAL";
}

void refuseTwins() {
    std::vector<LevelMeasure> measures;
    for (const FactoryPreset& preset : kFactoryPresets) {
        ParameterValues values = preset.values.inParameterOrder();
        values[kTempo] = tempoSettingFor(kComparedAt).tempo.value;
        measures.push_back(measureSetting(values, kSteps));
    }
    for (std::size_t a = 0; a < measures.size(); ++a) {
        for (std::size_t b = a + 1; b < measures.size(); ++b) {
            if (soundApart(measures[a], measures[b])) continue;
            giveUp("the presets " + std::string(kFactoryPresets[a].name) + " and " +
                   std::string(kFactoryPresets[b].name) + " sound alike at " + std::to_string(kComparedAt) +
                   " BPM: the same pulses per beat, and 10-ms levels within 3 dB of each other");
        }
    }
}

}  // namespace

void printPresets() {
    refuseTwins();
    std::printf("| Preset | Suits | Pulses per beat | Level | Keeps its shape up to |\n");
    std::printf("|---|---|---|---|---|\n");
    for (const FactoryPreset& preset : kFactoryPresets) {
        const ParameterValues values = preset.values.inParameterOrder();
        const LevelMeasure measure = measureSetting(values, kSteps);
        const bool picked = picksItsOwnValues(values[kRndSw]);
        char pulses[48];
        std::snprintf(pulses, sizeof pulses, picked ? "about %.1f, changing" : "%g", measure.pulsesPerBeat);
        std::string upTo = std::to_string(kFastestTried) + " BPM and beyond";
        if (picked) {
            upTo = "(its picks change)";
        } else if (const std::optional<int> bpm = keepsItsShapeUpTo(values)) {
            upTo = std::to_string(*bpm) + " BPM";
        }
        std::printf("| %s | %s | %s | %s | %s |\n", std::string(preset.name).c_str(),
                    std::string(preset.suits).c_str(), pulses, levelRange(measure.lowestDb, measure.peakDb).c_str(),
                    upTo.c_str());
    }
}
