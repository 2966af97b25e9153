// What the tool shows besides the sound: the progress bar on a terminal and
// the waveform picture.
#include <cairo.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "tests/render/support/sound_files.h"
#include "tests/render/support/tool_runner.h"
#include "tools/quillbeat-render/progress_bar.h"
#include "tools/quillbeat-render/waveform.h"

namespace {

TEST(ProgressBar, LineShowsTheShareDone) {
    struct Case {
        std::int64_t done, total;
        const char* line;
    };
    const Case cases[] = {
        {0, 441000, "[..........]   0%  0.0 / 10.0 s"},
        {44100, 441000, "[#.........]  10%  1.0 / 10.0 s"},
        {220499, 441000, "[####......]  49%  5.0 / 10.0 s"},
        {441000, 441000, "[##########] 100%  10.0 / 10.0 s"},
        {500000, 441000, "[##########] 100%  10.0 / 10.0 s"},
        {0, 0, "[##########] 100%  0.0 / 0.0 s"},
    };
    for (const Case& c : cases) EXPECT_EQ(progressLine(c.done, c.total, 44100.0, 10), c.line);
}

// Runs the tool with a terminal as its standard error and returns what the
// terminal showed.
std::string runOnTerminal(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv{RENDER_TOOL_PATH};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> pointers;
    for (std::string& argument : argv) pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    int terminal = -1;
    const pid_t child = forkpty(&terminal, nullptr, nullptr, nullptr);
    if (child < 0) return "forkpty failed";
    if (child == 0) {
        execv(pointers[0], pointers.data());
        _exit(127);
    }
    std::string shown;
    char buffer[4096];
    for (ssize_t n; (n = read(terminal, buffer, sizeof buffer)) > 0;) shown.append(buffer, static_cast<std::size_t>(n));
    close(terminal);
    int status = 0;
    waitpid(child, &status, 0);
    return shown;
}

TEST(ProgressBar, IsDrawnOnATerminalUnlessQuiet) {
    ScratchFolder folder;
    const std::string shown = runOnTerminal({"--seconds", "3", folder.file("out.wav")});
    EXPECT_NE(shown.find("\r[##############################] 100%  3.0 / 3.0 s"), std::string::npos) << shown;
    EXPECT_NE(shown.find("rendered 3.0 s of audio in "), std::string::npos) << shown;
    EXPECT_EQ(runOnTerminal({"--quiet", "--seconds", "3", folder.file("quiet.wav")}), "");
}

TEST(AmplitudeLane, GathersPeakAndRmsPerColumn) {
    // 8 frames into 4 columns, two channels: each column holds two frames.
    AmplitudeLane lane(8, 4);
    const float left[] = {0.5f, -0.5f, 0.0f, 0.0f, 1.0f, 0.0f, -0.25f, 0.25f};
    const float right[] = {0.5f, 0.5f, 0.0f, 0.0f, 0.0f, 0.0f, 0.25f, -0.25f};
    const float* first[] = {left, right};
    const float* rest[] = {left + 3, right + 3};
    lane.add(first, 2, 3);  // blocks need not match the columns
    lane.add(rest, 2, 5);
    const float peaks[] = {0.5f, 0.0f, 1.0f, 0.25f};
    const float rmsValues[] = {0.5f, 0.0f, 0.5f, 0.25f};
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(lane.peak(c), peaks[c]) << "column " << c;
        EXPECT_FLOAT_EQ(lane.rms(c), rmsValues[c]) << "column " << c;
    }
}

struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;  // 0xRRGGBB
    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)] & 0xFFFFFFu; }
};

Picture loadPng(const std::string& path) {
    cairo_surface_t* surface = cairo_image_surface_create_from_png(path.c_str());
    Picture picture;
    if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
        cairo_surface_flush(surface);
        picture.width = cairo_image_surface_get_width(surface);
        picture.height = cairo_image_surface_get_height(surface);
        const int stride = cairo_image_surface_get_stride(surface);
        const unsigned char* data = cairo_image_surface_get_data(surface);
        for (int y = 0; y < picture.height; ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(data + y * stride);
            picture.pixels.insert(picture.pixels.end(), row, row + picture.width);
        }
    }
    cairo_surface_destroy(surface);
    return picture;
}

// Share of the pixels in [from, to) of a row that show sound: the sound is
// drawn in colour, the backgrounds, grid and text in greys.
double inkedShare(const Picture& picture, int row, int from, int to) {
    int inked = 0;
    for (int x = from; x < to; ++x) {
        const std::uint32_t pixel = picture.at(x, row);
        const int r = static_cast<int>(pixel >> 16 & 0xFF);
        const int g = static_cast<int>(pixel >> 8 & 0xFF);
        const int b = static_cast<int>(pixel & 0xFF);
        inked += std::max({r, g, b}) - std::min({r, g, b}) > 40 ? 1 : 0;
    }
    return static_cast<double>(inked) / (to - from);
}

TEST(WaveformPicture, ShowsInputAndOutputInTheirOwnLanes) {
    ScratchFolder folder;
    // Sound in the first half, silence in the second; the fake plug-in's
    // gain is halved, so the output lane follows the input at half height.
    Sound input = testSignal(2, 44100, 88200);
    std::fill(input.samples.begin() + 88200, input.samples.end(), 0.0f);
    writeSound(folder.file("in.wav"), input);
    const ToolRun run = runTool({"--plugin", fakePlugin("fake_gain"), "--param", "Gain=0.5", "--waveform",
                                 folder.file("w.png"), folder.file("in.wav"), folder.file("out.wav")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Picture picture = loadPng(folder.file("w.png"));
    ASSERT_EQ(picture.width, WaveformPicture::kWidth);
    ASSERT_GT(picture.height, 2 * WaveformPicture::kLaneHeight);

    // The plot's columns: find the lane from its first and last column.
    const int plotLeft = WaveformPicture::kWidth - 16 - WaveformPicture::plotColumns();
    const int plotRight = plotLeft + WaveformPicture::plotColumns();
    const int middle = (plotLeft + plotRight) / 2;
    const int inputCentre = 12 + WaveformPicture::kLaneHeight / 2;
    const int outputCentre = inputCentre + WaveformPicture::kLaneHeight + 14;
    // The test signal peaks near 0.8: at 0.6 of the lane's half height the
    // input is drawn and the halved output is not.
    const int reach = static_cast<int>(0.6 * (WaveformPicture::kLaneHeight / 2 - 2));
    const int quarter = static_cast<int>(0.25 * (WaveformPicture::kLaneHeight / 2 - 2));
    EXPECT_GT(inkedShare(picture, inputCentre - reach, plotLeft + 5, middle - 5), 0.9);
    EXPECT_LT(inkedShare(picture, outputCentre - reach, plotLeft + 5, middle - 5), 0.05);
    EXPECT_GT(inkedShare(picture, outputCentre - quarter, plotLeft + 5, middle - 5), 0.9);
    // Silence draws nothing above the centre line in either lane.
    EXPECT_LT(inkedShare(picture, inputCentre - 3, middle + 5, plotRight - 5), 0.05);
    EXPECT_LT(inkedShare(picture, outputCentre - 3, middle + 5, plotRight - 5), 0.05);
}

}  // namespace
