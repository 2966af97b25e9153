#include "tools/quillbeat-render/progress_bar.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>

namespace {

constexpr int kMaxBarWidth = 30;
constexpr int kMinBarWidth = 5;
// When the terminal does not say.
constexpr int kDefaultColumns = 80;

int percentOf(std::int64_t done, std::int64_t total) {
    if (total <= 0) return 100;
    return static_cast<int>(std::clamp<std::int64_t>(done * 100 / total, 0, 100));
}

std::string formatted(const char* format, double a, double b = 0.0) {
    char text[64];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

int terminalColumns(std::FILE* out) {
    winsize size{};
    if (ioctl(fileno(out), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return kDefaultColumns;
}

}  // namespace

std::string progressLine(std::int64_t done, std::optional<std::int64_t> total, double sampleRate, int width) {
    if (!total) {
        const double seconds = static_cast<double>(std::max<std::int64_t>(done, 0)) / sampleRate;
        const std::string text = formatted("%.1f s", seconds);
        return static_cast<int>(text.size()) <= width ? text : "";
    }
    const std::int64_t whole = std::max<std::int64_t>(*total, 0);
    const std::int64_t clamped = std::clamp<std::int64_t>(done, 0, whole);
    const int percent = percentOf(clamped, whole);
    // The time done is as wide as the total, so the bar keeps its width.
    const std::string totalText = formatted("%.1f", static_cast<double>(whole) / sampleRate);
    const std::string doneText = formatted("%.1f", static_cast<double>(clamped) / sampleRate);
    const std::string times =
        "  " + std::string(totalText.size() - std::min(totalText.size(), doneText.size()), ' ') + doneText + " / " +
        totalText + " s";
    const std::string numbers = formatted(" %3.0f%%", percent) + times;
    const int barWidth = std::min(kMaxBarWidth, width - 2 - static_cast<int>(numbers.size()));
    if (barWidth >= kMinBarWidth) {
        const int filled = whole > 0 ? static_cast<int>(clamped * barWidth / whole) : barWidth;
        std::string line(static_cast<std::size_t>(barWidth) + 2, '.');
        line.front() = '[';
        line.back() = ']';
        std::fill_n(line.begin() + 1, filled, '#');
        return line.append(numbers);
    }
    const std::string percentText = formatted("%.0f%%", percent);
    if (static_cast<int>(percentText.size() + times.size()) <= width) return percentText + times;
    return static_cast<int>(percentText.size()) <= width ? percentText : "";
}

ProgressBar::ProgressBar(bool enabled, std::optional<std::int64_t> totalFrames, double sampleRate, std::FILE* out)
    : enabled(enabled), total(totalFrames), rate(sampleRate), out(out) {}

ProgressBar::~ProgressBar() {
    if (lineOpen) {
        std::fputc('\n', out);
        std::fflush(out);
    }
}

bool ProgressBar::wanted(bool quiet) { return !quiet && isatty(STDERR_FILENO) == 1; }

void ProgressBar::draw(std::int64_t done, std::optional<std::int64_t> shownTotal) {
    // One column short of the width: a character in the last column makes
    // some terminals wrap.
    const std::string line = progressLine(done, shownTotal, rate, terminalColumns(out) - 1);
    // Erasing to the end of the line clears what a longer line before left.
    std::fprintf(out, "\r%s\033[K", line.c_str());
    std::fflush(out);
    lineOpen = true;
}

void ProgressBar::update(std::int64_t framesDone) {
    if (!enabled) return;
    const std::int64_t step =
        total ? percentOf(framesDone, *total) : static_cast<std::int64_t>(static_cast<double>(framesDone) / rate);
    if (step == shownStep) return;
    shownStep = step;
    draw(framesDone, total);
}

void ProgressBar::finish(std::int64_t framesDone, double elapsedSeconds) {
    if (!enabled) return;
    draw(framesDone, framesDone);
    std::fputc('\n', out);
    lineOpen = false;
    const double audioSeconds = static_cast<double>(framesDone) / rate;
    if (elapsedSeconds > 0.0) {
        std::string summary = formatted("rendered %.1f s of audio in %.2f s", audioSeconds, elapsedSeconds);
        const std::string speed = formatted(" (%.0fx real time)", audioSeconds / elapsedSeconds);
        if (static_cast<int>(summary.size() + speed.size()) < terminalColumns(out)) summary += speed;
        std::fprintf(out, "%s\n", summary.c_str());
    }
    std::fflush(out);
}
