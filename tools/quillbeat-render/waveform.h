// The --waveform picture: the input's and the output's amplitude over time,
// one lane each, so the rhythm the effect cuts into the sound shows at a
// glance. The render streams, so the amplitude is gathered as blocks pass,
// into one column per pixel.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// Peak and RMS of every column of one lane, over all channels. The length
// need not be known in advance (a pipe): frames are gathered into bins far
// narrower than a column, two neighbours merging whenever the bins run out,
// and the columns are spread over all the frames seen when they are read.
class AmplitudeLane {
public:
    explicit AmplitudeLane(int columns);
    // The next `frames` frames of `channelCount` channels.
    void add(const float* const* channels, int channelCount, int frames);

    int columns() const { return columnCount; }
    float peak(int column) const;
    float rms(int column) const;

private:
    // The bins that hold the frames of `column`.
    std::pair<std::size_t, std::size_t> binsOf(int column) const;
    void mergeNeighbours();

    int columnCount;
    std::int64_t position = 0;
    std::int64_t framesPerBin = 1;
    std::vector<float> peaks;
    std::vector<double> squares;
    std::vector<std::int64_t> counts;
};

struct WaveformPicture {
    static constexpr int kWidth = 1200;
    static constexpr int kLaneHeight = 150;
    // The columns a lane needs for the picture's plot area.
    static int plotColumns();
};

// One tick of the time axis: its grid line and its label as drawn.
struct TimeTick {
    double seconds;  // on the song's timeline
    double x;  // the grid line, in pixels from the picture's left edge
    std::string label;  // "0.25 s", "5 s" under a minute; "1:30", "2:00.5"; "2:00:00"
    double labelLeft;   // where the label starts, kept inside the picture
    double labelWidth;
};

// The ticks of a time axis from `start` seconds on the song's timeline to
// `start + seconds` over the plot's `columns`, at the multiples of the first
// step of 1, 2, 5, 10, 15, 30 s, 1, 2, 5, 10, 15, 30 min, 1, 2, 3, 6, 12 h,
// 1, 2, 5, 10 days ... that gives at most a dozen steps and labels that do
// not overlap; `labelWidth` measures a label in pixels. Labels read the
// song's time, in the form the axis's far end needs.
std::vector<TimeTick> timeAxisTicks(double start, double seconds, int columns,
                                    const std::function<double(const std::string&)>& labelWidth);

// Draws both lanes into a PNG written to `descriptor`; `name` is the path
// shown in errors. The time axis reads the song's time: the first frame is
// at `firstFrame` on the host's timeline. Throws RenderError.
void writeWaveformPng(int descriptor, const std::string& name, const AmplitudeLane& input,
                      const AmplitudeLane& output, double sampleRate, std::int64_t firstFrame,
                      std::int64_t totalFrames);
