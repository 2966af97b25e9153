// A progress bar on standard error, drawn only when someone is watching: it
// is off when standard error is not a terminal or --quiet is given, and
// then the tool says nothing on success.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

// "[#######.............]  35%  3.5 / 10.0 s", at most `width` characters:
// the bar narrows with the width, and goes when it no longer fits, then the
// times. Without a total (a pipe), the audio rendered so far: "3.5 s".
std::string progressLine(std::int64_t done, std::optional<std::int64_t> total, double sampleRate, int width);

class ProgressBar {
public:
    ProgressBar(bool enabled, std::optional<std::int64_t> totalFrames, double sampleRate, std::FILE* out = stderr);
    // A bar still on screen (the render failed) gets its newline, so the
    // error that follows starts on a line of its own.
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // True when standard error is a terminal and the user did not ask for
    // quiet.
    static bool wanted(bool quiet);

    // Redraws, fitted to the terminal's width at the time, when the shown
    // percentage (or, without a total, the whole second) has changed.
    void update(std::int64_t framesDone);
    // Draws the full bar for the frames rendered, which are the true total,
    // and a line with the time taken.
    void finish(std::int64_t framesDone, double elapsedSeconds);

private:
    void draw(std::int64_t done, std::optional<std::int64_t> shownTotal);

    bool enabled;
    std::optional<std::int64_t> total;
    double rate;
    std::FILE* out;
    std::int64_t shownStep = -1;
    bool lineOpen = false;
};
