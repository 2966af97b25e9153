// The --waveform picture: the input's and the output's amplitude over time,
// one lane each, so the rhythm the effect cuts into the sound shows at a
// glance. The render streams, so the amplitude is gathered as blocks pass,
// into one column per pixel.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Peak and RMS of every column of one lane, over all channels.
class AmplitudeLane {
public:
    AmplitudeLane(std::int64_t totalFrames, int columns);
    // The next `frames` frames of `channelCount` channels.
    void add(const float* const* channels, int channelCount, int frames);

    int columns() const { return static_cast<int>(peaks.size()); }
    float peak(int column) const { return peaks[static_cast<std::size_t>(column)]; }
    float rms(int column) const;

private:
    std::int64_t total;
    std::int64_t position = 0;
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

// Draws both lanes into a PNG written to `descriptor`; `name` is the path
// shown in errors. Throws RenderError.
void writeWaveformPng(int descriptor, const std::string& name, const AmplitudeLane& input,
                      const AmplitudeLane& output, double sampleRate, std::int64_t totalFrames);
