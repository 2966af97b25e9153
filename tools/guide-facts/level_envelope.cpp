#include "tools/guide-facts/level_envelope.h"

#include <algorithm>
#include <cmath>

std::vector<double> levelEnvelope(const std::vector<float>& input, const std::vector<float>& output,
                                  std::size_t windowFrames) {
    std::vector<double> levels;
    if (windowFrames == 0 || output.size() < windowFrames || input.size() < output.size()) return levels;
    // Running sums of squares, each added and taken away once: what a
    // silent window keeps of rounding is far below kSilenceDb.
    double inSum = 0, outSum = 0;
    const auto square = [](float s) { return static_cast<double>(s) * s; };
    for (std::size_t i = 0; i < output.size(); ++i) {
        inSum += square(input[i]);
        outSum += square(output[i]);
        if (i + 1 < windowFrames) continue;
        if (i >= windowFrames) {
            inSum -= square(input[i - windowFrames]);
            outSum -= square(output[i - windowFrames]);
        }
        const double ratio = std::max(outSum, 0.0) / inSum;
        levels.push_back(std::max(kSilenceDb, 10.0 * std::log10(ratio)));
    }
    return levels;
}

std::vector<std::size_t> pulsesHeard(const std::vector<double>& levels, double riseDb) {
    std::vector<std::size_t> heard;
    bool inPulse = false;  // watching for the pulse's top to fall away
    double lowest = 0.0, top = 0.0;
    for (std::size_t i = 0; i < levels.size(); ++i) {
        if (i == 0) {
            lowest = levels[i];
        } else if (inPulse) {
            top = std::max(top, levels[i]);
            if (levels[i] <= top - riseDb) {
                inPulse = false;
                lowest = levels[i];
            }
        } else if (levels[i] >= lowest + riseDb) {
            heard.push_back(i);
            inPulse = true;
            top = levels[i];
        } else {
            lowest = std::min(lowest, levels[i]);
        }
    }
    return heard;
}
