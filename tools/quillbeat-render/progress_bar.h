// A progress bar on standard error, drawn only when someone is watching: it
// is off when standard error is not a terminal or --quiet is given, and
// then the tool says nothing on success.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// "[#######.............]  35%  3.5 / 10.0 s": `done` of `total` frames as a
// bar `barWidth` characters wide.
std::string progressLine(std::int64_t done, std::int64_t total, double sampleRate, int barWidth);

class ProgressBar {
public:
    ProgressBar(bool enabled, std::int64_t totalFrames, double sampleRate, std::FILE* out = stderr);

    // True when standard error is a terminal and the user did not ask for
    // quiet.
    static bool wanted(bool quiet);

    // Redraws when the shown percentage has changed since the last draw.
    void update(std::int64_t framesDone);
    // Draws the full bar and a line with the time taken, then a newline.
    void finish(double elapsedSeconds);

private:
    bool enabled;
    std::int64_t total;
    double rate;
    std::FILE* out;
    int shownPercent = -1;
};
