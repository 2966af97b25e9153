#include "tools/quillbeat-render/waveform.h"

#include <cairo.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>

#include "tools/quillbeat-render/render_error.h"

namespace {

// Labels stay readable where a page shows the picture at half its width.
constexpr double kFontSize = 18.0;
constexpr int kLeftMargin = 84;
constexpr int kRightMargin = 16;
constexpr int kTopMargin = 12;
constexpr int kLaneGap = 24;  // room for the scales' end labels of both lanes
constexpr int kAxisHeight = 34;
constexpr int kHeight = kTopMargin + 2 * WaveformPicture::kLaneHeight + kLaneGap + kAxisHeight;

struct Colour {
    double r, g, b;
};
constexpr Colour kBackground{0.98, 0.98, 0.97};
constexpr Colour kLaneBackground{0.93, 0.93, 0.92};
constexpr Colour kGrid{0.80, 0.80, 0.78};
constexpr Colour kText{0.20, 0.20, 0.20};
constexpr Colour kInputPeak{0.62, 0.74, 0.87};
constexpr Colour kInputRms{0.23, 0.43, 0.65};
constexpr Colour kOutputPeak{0.96, 0.76, 0.55};
constexpr Colour kOutputRms{0.85, 0.45, 0.10};

// Bins per column: the frames a column shows are those of its bins, which
// reach past its edges by at most a quarter of its width.
constexpr std::size_t kBinsPerColumn = 8;

// Tick spacings in seconds; beyond them, 2, 5 and 10 times each power of
// ten of a day.
constexpr double kTickSteps[] = {0.05, 0.1,  0.25, 0.5,  1,    2,     5,     10,    15,   30,   60,   120,
                                 300,  600,  900,  1800, 3600, 7200,  10800, 21600, 43200, 86400};
constexpr double kDay = 86400;
constexpr double kMaxTicks = 12;
constexpr double kLabelGap = 8;  // pixels at least between two labels

// The amplitude scale beside each lane: full scale at the lane's edges.
struct ScaleMark {
    double amplitude;
    const char* label;
};
constexpr ScaleMark kScaleMarks[] = {{1.0, "1"}, {0.5, "0.5"}, {0.0, "0"}, {-0.5, "-0.5"}, {-1.0, "-1"}};

// Lane geometry: the centre line and the height of full scale above it.
double laneCentre(int top) { return top + WaveformPicture::kLaneHeight / 2.0; }
constexpr double kFullScale = WaveformPicture::kLaneHeight / 2.0 - 2.0;

void setColour(cairo_t* cr, const Colour& c) { cairo_set_source_rgb(cr, c.r, c.g, c.b); }

double textWidth(cairo_t* cr, const char* text) {
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text, &extents);
    return extents.x_advance;
}

// The lane's background, its name turned on its side at the far left, and
// its amplitude scale: a label and a faint line at each mark.
void drawLaneBackground(cairo_t* cr, int top, int columns, const char* name) {
    setColour(cr, kLaneBackground);
    cairo_rectangle(cr, kLeftMargin, top, columns, WaveformPicture::kLaneHeight);
    cairo_fill(cr);

    setColour(cr, kText);
    cairo_save(cr);
    cairo_move_to(cr, kFontSize + 4, laneCentre(top) + textWidth(cr, name) / 2.0);
    cairo_rotate(cr, -std::acos(0.0));
    cairo_show_text(cr, name);
    cairo_restore(cr);

    cairo_set_line_width(cr, 1.0);
    for (const ScaleMark& mark : kScaleMarks) {
        const double y = std::floor(laneCentre(top) - mark.amplitude * kFullScale) + 0.5;
        setColour(cr, kGrid);
        cairo_move_to(cr, kLeftMargin - 4, y);
        cairo_line_to(cr, kLeftMargin + columns, y);
        cairo_stroke(cr);
        setColour(cr, kText);
        cairo_move_to(cr, kLeftMargin - 7 - textWidth(cr, mark.label), y + kFontSize / 3.0);
        cairo_show_text(cr, mark.label);
    }
}

// One lane's sound: the peak as a light band and the RMS as a dark band
// inside it, both mirrored about the lane's centre line; full scale fills
// the lane.
void drawAmplitude(cairo_t* cr, const AmplitudeLane& lane, int top, const Colour& peak, const Colour& rms) {
    const double centre = laneCentre(top);
    const auto band = [&](int column, double amplitude) {
        const double extent = std::min(1.0, amplitude) * kFullScale;
        cairo_rectangle(cr, kLeftMargin + column, centre - extent, 1.0, std::max(1.0, 2.0 * extent));
    };
    setColour(cr, peak);
    for (int x = 0; x < lane.columns(); ++x) band(x, lane.peak(x));
    cairo_fill(cr);
    setColour(cr, rms);
    for (int x = 0; x < lane.columns(); ++x) band(x, lane.rms(x));
    cairo_fill(cr);
}

// The decimals a label needs to tell ticks `step` apart: 0.5 needs one,
// 0.25 two.
int decimalsFor(double step) {
    int decimals = 0;
    for (double scaled = step; decimals < 2 && std::fabs(scaled - std::round(scaled)) > 1e-9; scaled *= 10) {
        ++decimals;
    }
    return decimals;
}

// The label of `time` on an axis that reaches `farthest` seconds from the
// song's start, with ticks `step` apart.
std::string timeLabel(double time, double farthest, double step) {
    char text[64];
    if (farthest < 60) {
        std::snprintf(text, sizeof text, step < 1.0 ? "%.2f s" : "%.0f s", time);
        return text;
    }
    const int decimals = decimalsFor(step);
    const double scale = std::pow(10.0, decimals);
    const auto units = static_cast<long long>(std::llround(std::fabs(time) * scale));
    const long long whole = units / static_cast<long long>(scale);
    const std::string sign = time < 0 && units != 0 ? "-" : "";
    char fraction[32] = "";
    if (decimals > 0) {
        std::snprintf(fraction, sizeof fraction, ".%0*lld", decimals, units % static_cast<long long>(scale));
    }
    if (farthest < 3600) {
        std::snprintf(text, sizeof text, "%s%lld:%02lld%s", sign.c_str(), whole / 60, whole % 60, fraction);
    } else {
        std::snprintf(text, sizeof text, "%s%lld:%02lld:%02lld%s", sign.c_str(), whole / 3600, whole / 60 % 60,
                      whole % 60, fraction);
    }
    return text;
}

// The ticks at the multiples of `step` from `start` to `start + seconds`,
// or none when there are too many or their labels would overlap. An axis
// with no multiple on it gets one tick, at its start.
std::vector<TimeTick> ticksEvery(double step, double start, double seconds, int columns,
                                 const std::function<double(const std::string&)>& labelWidth) {
    std::vector<TimeTick> ticks;
    if (seconds / step > kMaxTicks) return ticks;
    const double end = start + seconds;
    const double farthest = std::max(std::fabs(start), std::fabs(end));
    const auto add = [&](double time) {
        const double x = kLeftMargin + (seconds > 0 ? (time - start) / seconds * columns : 0.0);
        std::string label = timeLabel(time, farthest, step);
        const double width = labelWidth(label);
        // Centred under its line, but kept inside the picture.
        const double left = std::clamp(x - width / 2.0, 2.0, WaveformPicture::kWidth - 2.0 - width);
        if (!ticks.empty() && left < ticks.back().labelLeft + ticks.back().labelWidth + kLabelGap) return false;
        ticks.push_back({time, x, std::move(label), left, width});
        return true;
    };
    for (auto tick = static_cast<long long>(std::ceil(start / step - 1e-9)); tick * step <= end + 1e-9; ++tick) {
        if (!add(static_cast<double>(tick) * step)) return {};
    }
    if (ticks.empty()) add(start);
    return ticks;
}

// A grid line and a label every tick.
void drawTimeAxis(cairo_t* cr, int columns, double start, double seconds) {
    const auto measure = [cr](const std::string& text) { return textWidth(cr, text.c_str()); };
    const int plotBottom = kHeight - kAxisHeight;
    cairo_set_line_width(cr, 1.0);
    for (const TimeTick& tick : timeAxisTicks(start, seconds, columns, measure)) {
        setColour(cr, kGrid);
        cairo_move_to(cr, std::floor(tick.x) + 0.5, kTopMargin);
        cairo_line_to(cr, std::floor(tick.x) + 0.5, plotBottom + 4);
        cairo_stroke(cr);
        setColour(cr, kText);
        cairo_move_to(cr, tick.labelLeft, plotBottom + 4 + kFontSize);
        cairo_show_text(cr, tick.label.c_str());
    }
}

// Where the PNG goes, and the system's reason when it could not go there.
struct PngDestination {
    int fd;
    int error = 0;
};

cairo_status_t writeToDescriptor(void* closure, const unsigned char* data, unsigned int length) {
    auto* destination = static_cast<PngDestination*>(closure);
    while (length > 0) {
        const ssize_t written = write(destination->fd, data, length);
        if (written <= 0) {
            destination->error = written < 0 ? errno : EIO;
            return CAIRO_STATUS_WRITE_ERROR;
        }
        data += written;
        length -= static_cast<unsigned int>(written);
    }
    return CAIRO_STATUS_SUCCESS;
}

}  // namespace

AmplitudeLane::AmplitudeLane(int columns)
    : columnCount(columns),
      peaks(static_cast<std::size_t>(columns) * kBinsPerColumn, 0.0f),
      squares(peaks.size(), 0.0),
      counts(peaks.size(), 0) {}

void AmplitudeLane::mergeNeighbours() {
    const std::size_t half = peaks.size() / 2;
    for (std::size_t i = 0; i < half; ++i) {
        peaks[i] = std::max(peaks[2 * i], peaks[2 * i + 1]);
        squares[i] = squares[2 * i] + squares[2 * i + 1];
        counts[i] = counts[2 * i] + counts[2 * i + 1];
    }
    std::fill(peaks.begin() + static_cast<std::ptrdiff_t>(half), peaks.end(), 0.0f);
    std::fill(squares.begin() + static_cast<std::ptrdiff_t>(half), squares.end(), 0.0);
    std::fill(counts.begin() + static_cast<std::ptrdiff_t>(half), counts.end(), 0);
    framesPerBin *= 2;
}

void AmplitudeLane::add(const float* const* channels, int channelCount, int frames) {
    if (peaks.empty()) return;
    for (int i = 0; i < frames; ++i, ++position) {
        if (position / framesPerBin >= static_cast<std::int64_t>(peaks.size())) mergeNeighbours();
        const auto bin = static_cast<std::size_t>(position / framesPerBin);
        for (int c = 0; c < channelCount; ++c) {
            const float sample = channels[c][i];
            peaks[bin] = std::max(peaks[bin], std::fabs(sample));
            squares[bin] += static_cast<double>(sample) * sample;
            ++counts[bin];
        }
    }
}

std::pair<std::size_t, std::size_t> AmplitudeLane::binsOf(int column) const {
    const std::int64_t first = position * column / columnCount;
    const std::int64_t end = std::max(first + 1, position * (column + 1) / columnCount);
    return {static_cast<std::size_t>(first / framesPerBin), static_cast<std::size_t>((end - 1) / framesPerBin)};
}

float AmplitudeLane::peak(int column) const {
    if (position == 0) return 0.0f;
    const auto [first, last] = binsOf(column);
    return *std::max_element(peaks.begin() + static_cast<std::ptrdiff_t>(first),
                             peaks.begin() + static_cast<std::ptrdiff_t>(last) + 1);
}

float AmplitudeLane::rms(int column) const {
    if (position == 0) return 0.0f;
    const auto [first, last] = binsOf(column);
    double sum = 0.0;
    std::int64_t count = 0;
    for (std::size_t bin = first; bin <= last; ++bin) {
        sum += squares[bin];
        count += counts[bin];
    }
    return count > 0 ? static_cast<float>(std::sqrt(sum / static_cast<double>(count))) : 0.0f;
}

std::vector<TimeTick> timeAxisTicks(double start, double seconds, int columns,
                                    const std::function<double(const std::string&)>& labelWidth) {
    if (!std::isfinite(start)) start = 0.0;
    if (!(seconds > 0 && std::isfinite(seconds))) seconds = 0.0;
    for (double step : kTickSteps) {
        std::vector<TimeTick> ticks = ticksEvery(step, start, seconds, columns, labelWidth);
        if (!ticks.empty()) return ticks;
    }
    // Once a step passes the length, one tick is left, which always fits.
    for (double days = 1;; days *= 10) {
        for (double times : {2.0, 5.0, 10.0}) {
            std::vector<TimeTick> ticks = ticksEvery(kDay * days * times, start, seconds, columns, labelWidth);
            if (!ticks.empty()) return ticks;
        }
    }
}

int WaveformPicture::plotColumns() { return kWidth - kLeftMargin - kRightMargin; }

void writeWaveformPng(int descriptor, const std::string& name, const AmplitudeLane& input,
                      const AmplitudeLane& output, double sampleRate, std::int64_t firstFrame,
                      std::int64_t totalFrames) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, WaveformPicture::kWidth, kHeight);
    cairo_t* cr = cairo_create(surface);
    setColour(cr, kBackground);
    cairo_paint(cr);
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, kFontSize);
    const int outputTop = kTopMargin + WaveformPicture::kLaneHeight + kLaneGap;
    // Back to front: lanes, time grid, sound.
    drawLaneBackground(cr, kTopMargin, input.columns(), "input");
    drawLaneBackground(cr, outputTop, output.columns(), "output");
    drawTimeAxis(cr, output.columns(), static_cast<double>(firstFrame) / sampleRate,
                 static_cast<double>(totalFrames) / sampleRate);
    drawAmplitude(cr, input, kTopMargin, kInputPeak, kInputRms);
    drawAmplitude(cr, output, outputTop, kOutputPeak, kOutputRms);
    const cairo_status_t drawn = cairo_status(cr);
    cairo_destroy(cr);
    PngDestination destination{descriptor};
    const cairo_status_t written = drawn == CAIRO_STATUS_SUCCESS
                                       ? cairo_surface_write_to_png_stream(surface, writeToDescriptor, &destination)
                                       : drawn;
    cairo_surface_destroy(surface);
    if (written != CAIRO_STATUS_SUCCESS) {
        const std::string reason =
            destination.error != 0 ? systemErrorText(destination.error) : cairo_status_to_string(written);
        throw RenderError("cannot write waveform " + name + ": " + reason);
    }
}
