// Sound files for the tests, read and written with libsndfile, and the test
// signals they hold.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Sound {
    int channels = 0;
    int sampleRate = 0;
    int format = 0;  // libsndfile's major format | subtype
    std::vector<float> samples;  // interleaved
    std::int64_t frames() const { return channels > 0 ? static_cast<std::int64_t>(samples.size()) / channels : 0; }
    float at(std::int64_t frame, int channel) const {
        return samples[static_cast<std::size_t>(frame * channels + channel)];
    }
    std::vector<float> channel(int c) const;
};

// Throws std::runtime_error when the file cannot be read.
Sound readSound(const std::string& path);
// Writes 32-bit float WAV unless `format` says otherwise.
void writeSound(const std::string& path, const Sound& sound, int format = 0);

// A test signal that changes in every sample: two sines and a little
// deterministic noise, different in each channel, peaking near 0.8.
Sound testSignal(int channels, int sampleRate, std::int64_t frames);

// Root mean square of a run of samples.
double rms(const std::vector<float>& samples);
