// guide-facts: the numbers of docs/guide.md that the plug-in alone can tell,
// asked of the built plug-in through its record as a host asks, and printed
// as the guide's Markdown tables. scripts/guide_tables.py writes them into
// the guide; the guide_tables_current test fails when they no longer match.
//
// Values are found from the value texts the host shows (which are monotonic
// in the value), step lengths by playing the effect until its first step
// change, and lengths and levels by playing it and measuring what comes out:
// nothing here works the plug-in's formulas out again.
#include <cstdio>
#include <string>

#include "tools/guide-facts/fact_tables.h"

namespace {

struct Command {
    const char* name;
    const char* what;
    void (*print)();
};

constexpr Command kCommands[] = {
    {"tempo-lookup", "the Tempo value for each common song tempo", printTempoLookup},
    {"note-values", "a vnotes value well inside each note count", printNoteValues},
    {"at-48k", "the closest settings at 48 kHz, and their drift", printAt48k},
    {"thresholds", "the smallest value that shows each mode and note count", printThresholds},
    {"auto-shares", "which AUTO pattern plays, over 20 000 steps", printAutoShares},
    {"auto-picture", "the patterns the AUTO picture plays", printAutoPicture},
    {"gap", "the worked example's notes: level at the next note, silence before it", printGap},
    {"fades", "the value for each fade length, at 44.1 and 48 kHz", printFades},
    {"longest-fades", "the longest fade at common tempi", printLongestFades},
    {"presets", "each factory preset measured; fails when two sound alike", printPresets},
};

}  // namespace

int main(int argc, char** argv) {
    const std::string name = argc == 2 ? argv[1] : "";
    for (const Command& command : kCommands) {
        if (name == command.name) {
            command.print();
            return 0;
        }
    }
    std::fprintf(stderr, "usage: guide-facts TABLE, where TABLE is one of\n");
    for (const Command& command : kCommands) std::fprintf(stderr, "  %-14s %s\n", command.name, command.what);
    return 2;
}
