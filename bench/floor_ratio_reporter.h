// The console report, followed by a table of nanoseconds per stereo frame for
// every case and block size with its ratio to the floor measured in the same
// run: the faster of the floor kernels at that block size. Absolute times
// drift from run to run on a shared machine; the ratio to a floor taken
// alongside holds.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

class FloorRatioReporter : public benchmark::ConsoleReporter {
public:
    // `floorNames` are the benchmark families that measure the floor, which
    // the table's heading calls `floorDescription`; the table lists the
    // families in `order`, block sizes as their argument.
    FloorRatioReporter(std::vector<std::string> floorNames, std::vector<std::string> order,
                       std::string floorDescription = "the faster floor kernel");

    void ReportRuns(const std::vector<Run>& runs) override;
    void Finalize() override;

private:
    std::vector<std::string> floorNames;
    std::vector<std::string> order;
    std::string floorDescription;
    // Fastest repetition of each family at each block size, in ns per frame.
    std::map<std::string, std::map<long, double>> best;
};
