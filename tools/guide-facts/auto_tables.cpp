// What AUTO picks: the share of each pattern over many steps, and the
// patterns of the guide's AUTO picture.
#include <cstdio>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "effect/parameters.h"
#include "effect/pattern_table.h"
#include "tools/guide-facts/fact_tables.h"
#include "tools/guide-facts/hosted_effect.h"

namespace {

std::optional<int> patternPlaying(HostedEffect& effect) {
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
    HostedEffect effect;
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
            if (!pattern) giveUp("AUTO played no stored pattern");
            played.emplace_back(now, *pattern);
            if (static_cast<long>(played.size()) == steps) break;
        }
    }
    return played;
}

}  // namespace

void printAutoShares() {
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
void printAutoPicture() {
    const auto played = autoSteps(kInitialTempo, 37800.0, 100, static_cast<long>(4.3 * 44100));
    std::printf("Patterns, step by step:");
    for (const auto& [index, pattern] : played) std::printf(" %d", pattern);
    std::printf("\n");
}
