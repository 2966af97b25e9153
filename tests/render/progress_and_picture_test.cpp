// What the tool shows besides the sound: the progress bar on a terminal,
// the waveform picture and the times its messages give.
#include <cairo.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "tests/render/support/sound_files.h"
#include "tests/render/support/tool_runner.h"
#include "tools/quillbeat-render/progress_bar.h"
#include "tools/quillbeat-render/render_time.h"
#include "tools/quillbeat-render/waveform.h"

namespace {

TEST(ProgressBar, LineShowsTheShareDoneInTheWidthGiven) {
    struct Case {
        std::int64_t done;
        std::optional<std::int64_t> total;
        int width;
        const char* line;
    };
    const Case cases[] = {
        {0, 441000, 32, "[..........]   0%   0.0 / 10.0 s"},
        {44100, 441000, 32, "[#.........]  10%   1.0 / 10.0 s"},
        {220499, 441000, 32, "[####......]  49%   5.0 / 10.0 s"},
        {441000, 441000, 32, "[##########] 100%  10.0 / 10.0 s"},
        {500000, 441000, 32, "[##########] 100%  10.0 / 10.0 s"},
        {0, 0, 30, "[##########] 100%  0.0 / 0.0 s"},
        // The bar takes what the numbers leave, up to 30 characters.
        {44100, 441000, 200, "[###...........................]  10%   1.0 / 10.0 s"},
        {220499, 441000, 27, "[##...]  49%   5.0 / 10.0 s"},
        {220499, 441000, 26, "49%   5.0 / 10.0 s"},
        // Then the bar goes, then the times.
        {44100, 441000, 25, "10%   1.0 / 10.0 s"},
        {44100, 441000, 16, "10%"},
        {44100, 441000, 2, ""},
        // A pipe: no total, so the audio rendered so far.
        {154350, std::nullopt, 40, "3.5 s"},
        {154350, std::nullopt, 4, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(progressLine(c.done, c.total, 44100.0, c.width), c.line) << c.done << " of width " << c.width;
    }
}

TEST(RenderTime, GivesMinutesSecondsAndTenthsNeverAfterTheFrame) {
    const std::pair<std::int64_t, const char*> cases[] = {
        {0, "0:00.0"},        {4409, "0:00.0"},      {4410, "0:00.1"},
        {2645999, "0:59.9"},  {2646000, "1:00.0"},   {198450000, "75:00.0"},
    };
    for (const auto& [frame, text] : cases) EXPECT_EQ(renderTimeText(frame, 44100.0), text) << frame;
}

TEST(ProgressBar, EndsItsLineWhenTheRenderFails) {
    std::FILE* shown = std::tmpfile();
    ASSERT_NE(shown, nullptr);
    {
        ProgressBar bar(true, 1000, 100.0, shown);
        bar.update(500);
    }  // gone without finish(), as when an error unwinds the render
    std::rewind(shown);
    std::string text(256, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), shown));
    std::fclose(shown);
    EXPECT_NE(text.find(" 50%   5.0 / 10.0 s"), std::string::npos) << text;
    EXPECT_EQ(text.back(), '\n') << text;
}

// Runs the tool with a terminal `columns` wide as its standard error and
// returns what the terminal showed.
std::string runOnTerminal(const std::vector<std::string>& arguments, unsigned short columns = 80) {
    std::vector<std::string> argv{RENDER_TOOL_PATH};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> pointers;
    for (std::string& argument : argv) pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    int terminal = -1;
    winsize size{};
    size.ws_row = 24;
    size.ws_col = columns;
    const pid_t child = forkpty(&terminal, nullptr, nullptr, &size);
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

// The line is one column short of the terminal's width (the widths
// themselves are in the table above).
TEST(ProgressBar, FitsANarrowTerminal) {
    ScratchFolder folder;
    const std::string shown = runOnTerminal({"--seconds", "300", folder.file("out.wav")}, 30);
    EXPECT_NE(shown.find("\r[#####] 100%  300.0 / 300.0 s\033[K\r\n"), std::string::npos) << shown;
}

// A pipe's length is not known until it ends: the bar counts the audio, and
// the end shows the true length.
TEST(ProgressBar, ShowsTheTrueLengthOfAPipe) {
    ScratchFolder folder;
    writeSound(folder.file("in.wav"), testSignal(2, 44100, 88200));
    const std::string fifo = folder.file("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const pid_t writer = fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
        const std::string content = readWholeFile(folder.file("in.wav"));
        std::FILE* pipe = std::fopen(fifo.c_str(), "wb");
        const bool written = pipe != nullptr && std::fwrite(content.data(), 1, content.size(), pipe) == content.size();
        _exit(written && std::fclose(pipe) == 0 ? 0 : 1);
    }
    const std::string shown = runOnTerminal({"--plugin", fakePlugin("fake_gain"), fifo, folder.file("out.wav")});
    int status = 0;
    waitpid(writer, &status, 0);
    EXPECT_NE(shown.find("] 100%  2.0 / 2.0 s"), std::string::npos) << shown;
    EXPECT_NE(shown.find("rendered 2.0 s of audio in "), std::string::npos) << shown;
    EXPECT_EQ(readSound(folder.file("out.wav")).frames(), 88200);
}

TEST(AmplitudeLane, GathersPeakAndRmsPerColumn) {
    // 8 frames into 4 columns, two channels: each column holds two frames.
    const float left[] = {0.5f, -0.5f, 0.0f, 0.0f, 1.0f, 0.0f, -0.25f, 0.25f};
    const float right[] = {0.5f, 0.5f, 0.0f, 0.0f, 0.0f, 0.0f, 0.25f, -0.25f};
    const float peaks[] = {0.5f, 0.0f, 1.0f, 0.25f};
    const float rmsValues[] = {0.5f, 0.0f, 0.5f, 0.25f};
    // Each frame once, and each frame 64 times over, which outgrows the bins
    // and merges them, as a long render of unknown length does.
    for (int repeat : {1, 64}) {
        std::vector<float> longLeft;
        std::vector<float> longRight;
        for (int i = 0; i < 8; ++i) {
            longLeft.insert(longLeft.end(), static_cast<std::size_t>(repeat), left[i]);
            longRight.insert(longRight.end(), static_cast<std::size_t>(repeat), right[i]);
        }
        AmplitudeLane lane(4);
        const int firstBlock = 3 * repeat - 1;  // blocks need not match the columns
        const float* first[] = {longLeft.data(), longRight.data()};
        const float* rest[] = {longLeft.data() + firstBlock, longRight.data() + firstBlock};
        lane.add(first, 2, firstBlock);
        lane.add(rest, 2, 8 * repeat - firstBlock);
        for (int c = 0; c < 4; ++c) {
            EXPECT_EQ(lane.peak(c), peaks[c]) << "column " << c << ", repeat " << repeat;
            EXPECT_FLOAT_EQ(lane.rms(c), rmsValues[c]) << "column " << c << ", repeat " << repeat;
        }
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
    const int outputCentre = inputCentre + WaveformPicture::kLaneHeight + 24;
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

// Any length gets a readable axis: a bounded number of ticks, in order,
// with distinct labels that do not overlap, in seconds, minutes or hours,
// reading the song's time from wherever the render starts.
TEST(WaveformPicture, TimeAxisSuitsAnyLength) {
    struct Case {
        double start;  // on the song's timeline
        double seconds;
        const char* someLabel;  // one label the axis must have
    };
    const Case cases[] = {
        {0, 0.1, "0.05 s"},  {0, 0.7, "0.50 s"}, {0, 10, "10 s"},        {0, 59, "55 s"},         {0, 60, "1:00"},
        {0, 90, "1:30"},     {0, 601, "5:00"},   {0, 3599, "50:00"},     {0, 3600, "1:00:00"},    {0, 5400, "1:30:00"},
        {0, 40000, "10:00:00"}, {0, 100000, "24:00:00"}, {0, 1e6, "240:00:00"}, {0, 1e8, "4800:00:00"},
        // The guide's pictures: one step in, and the gallery's two minutes in.
        {37800.0 / 44100, 2.6, "1.00 s"}, {120, 4, "2:00.5"}, {120, 0.3, "2:00.25"}, {3599, 2, "1:00:00.5"},
        // A count-in before the timeline's zero, and a render of no length.
        {-1.5, 3, "-1.00 s"}, {-90, 60, "-1:00"}, {125, 0, "2:05.00"}, {0.3, 0, "0.30 s"},
    };
    // As wide as the picture's 18-pixel sans font draws a digit.
    const auto width = [](const std::string& label) { return 10.0 * static_cast<double>(label.size()); };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.start << " + " << c.seconds);
        const std::vector<TimeTick> ticks = timeAxisTicks(c.start, c.seconds, WaveformPicture::plotColumns(), width);
        ASSERT_GE(ticks.size(), c.seconds > 0 ? 2u : 1u);
        EXPECT_LE(ticks.size(), 13u);
        if (c.start == 0) {
            EXPECT_EQ(ticks.front().seconds, 0.0);
        }
        std::vector<std::string> labels;
        const double plotLeft = WaveformPicture::kWidth - 16 - WaveformPicture::plotColumns();
        for (std::size_t i = 0; i < ticks.size(); ++i) {
            labels.push_back(ticks[i].label);
            EXPECT_GE(ticks[i].seconds, c.start - 1e-9);
            EXPECT_LE(ticks[i].seconds, c.start + c.seconds + 1e-9);
            // The grid line sits where its time falls on the plot.
            const double share = c.seconds > 0 ? (ticks[i].seconds - c.start) / c.seconds : 0.0;
            EXPECT_NEAR(ticks[i].x, plotLeft + share * WaveformPicture::plotColumns(), 1e-6);
            EXPECT_GE(ticks[i].labelLeft, 0.0);
            EXPECT_LE(ticks[i].labelLeft + ticks[i].labelWidth, WaveformPicture::kWidth);
            if (i == 0) continue;
            EXPECT_GT(ticks[i].seconds, ticks[i - 1].seconds);
            EXPECT_GT(ticks[i].x, ticks[i - 1].x);
            EXPECT_GE(ticks[i].labelLeft, ticks[i - 1].labelLeft + ticks[i - 1].labelWidth) << ticks[i].label;
        }
        EXPECT_NE(std::find(labels.begin(), labels.end(), c.someLabel), labels.end()) << testing::PrintToString(labels);
        std::sort(labels.begin(), labels.end());
        EXPECT_EQ(std::adjacent_find(labels.begin(), labels.end()), labels.end());
    }
}

}  // namespace
