#include "bench/floor_ratio_reporter.h"

#include <cstdio>
#include <set>
#include <utility>

namespace {
// Each case reports its time per stereo frame in this counter.
constexpr const char* kPerFrameCounter = "per_frame";
}  // namespace

FloorRatioReporter::FloorRatioReporter(std::vector<std::string> floorNames, std::vector<std::string> order,
                                       std::string floorDescription)
    : floorNames(std::move(floorNames)), order(std::move(order)), floorDescription(std::move(floorDescription)) {}

void FloorRatioReporter::ReportRuns(const std::vector<Run>& runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
        const auto counter = run.counters.find(kPerFrameCounter);
        if (counter == run.counters.end()) continue;
        // The fastest repetition is the one least disturbed by the machine's
        // other work.
        const double nanoseconds = counter->second.value * 1e9;
        const long block = std::stol(run.run_name.args);
        auto& cell = best[run.run_name.function_name];
        const auto found = cell.find(block);
        if (found == cell.end() || nanoseconds < found->second) cell[block] = nanoseconds;
    }
}

void FloorRatioReporter::Finalize() {
    ConsoleReporter::Finalize();
    std::set<long> blocks;
    for (const auto& [name, cells] : best)
        for (const auto& [block, ns] : cells) blocks.insert(block);
    std::map<long, double> floor;
    for (const std::string& name : floorNames) {
        const auto cells = best.find(name);
        if (cells == best.end()) continue;
        for (const auto& [block, ns] : cells->second)
            if (!floor.count(block) || ns < floor[block]) floor[block] = ns;
    }
    if (floor.empty()) return;

    std::printf("\nns per stereo frame (ratio to %s at the same block size), fastest repetition\n",
                floorDescription.c_str());
    std::printf("%-16s", "case");
    for (long block : blocks) std::printf(" %18ld", block);
    std::printf("\n");
    for (const std::string& name : order) {
        const auto cells = best.find(name);
        if (cells == best.end()) continue;
        std::printf("%-16s", name.c_str());
        for (long block : blocks) {
            const auto cell = cells->second.find(block);
            if (cell == cells->second.end() || !floor.count(block)) {
                std::printf(" %18s", "-");
                continue;
            }
            std::printf("    %6.2f (%5.3f)", cell->second, cell->second / floor[block]);
        }
        std::printf("\n");
    }
    std::fflush(stdout);
}
