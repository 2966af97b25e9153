#include "tools/quillbeat-render/progress_bar.h"

#include <unistd.h>

#include <algorithm>

namespace {
constexpr int kBarWidth = 30;

int percentOf(std::int64_t done, std::int64_t total) {
    if (total <= 0) return 100;
    return static_cast<int>(std::clamp<std::int64_t>(done * 100 / total, 0, 100));
}
}  // namespace

std::string progressLine(std::int64_t done, std::int64_t total, double sampleRate, int barWidth) {
    const std::int64_t clamped = std::clamp<std::int64_t>(done, 0, std::max<std::int64_t>(total, 0));
    const int filled = total > 0 ? static_cast<int>(clamped * barWidth / total) : barWidth;
    std::string line = "[";
    line.append(static_cast<std::size_t>(filled), '#');
    line.append(static_cast<std::size_t>(barWidth - filled), '.');
    line += ']';
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, " %3d%%  %.1f / %.1f s", percentOf(clamped, total),
                  static_cast<double>(clamped) / sampleRate, static_cast<double>(total) / sampleRate);
    return line + numbers;
}

ProgressBar::ProgressBar(bool enabled, std::int64_t totalFrames, double sampleRate, std::FILE* out)
    : enabled(enabled), total(totalFrames), rate(sampleRate), out(out) {}

bool ProgressBar::wanted(bool quiet) { return !quiet && isatty(STDERR_FILENO) == 1; }

void ProgressBar::update(std::int64_t framesDone) {
    if (!enabled) return;
    const int percent = percentOf(framesDone, total);
    if (percent == shownPercent) return;
    shownPercent = percent;
    std::fprintf(out, "\r%s", progressLine(framesDone, total, rate, kBarWidth).c_str());
    std::fflush(out);
}

void ProgressBar::finish(double elapsedSeconds) {
    if (!enabled) return;
    const double audioSeconds = static_cast<double>(total) / rate;
    std::fprintf(out, "\r%s\n", progressLine(total, total, rate, kBarWidth).c_str());
    if (elapsedSeconds > 0.0) {
        std::fprintf(out, "rendered %.1f s of audio in %.2f s (%.0fx real time)\n", audioSeconds, elapsedSeconds,
                     audioSeconds / elapsedSeconds);
    }
    std::fflush(out);
}
