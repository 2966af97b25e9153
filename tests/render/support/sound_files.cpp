#include "tests/render/support/sound_files.h"

#include <sndfile.h>

#include <cmath>
#include <stdexcept>

std::vector<float> Sound::channel(int c) const {
    std::vector<float> result;
    for (std::int64_t i = 0; i < frames(); ++i) result.push_back(at(i, c));
    return result;
}

Sound readSound(const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) throw std::runtime_error("cannot read " + path + ": " + sf_strerror(nullptr));
    Sound sound;
    sound.channels = info.channels;
    sound.sampleRate = info.samplerate;
    sound.format = info.format;
    // A file written to a pipe may not know its length: read to the end.
    std::vector<float> block(static_cast<std::size_t>(4096 * info.channels));
    for (sf_count_t got; (got = sf_readf_float(file, block.data(), 4096)) > 0;) {
        sound.samples.insert(sound.samples.end(), block.begin(), block.begin() + got * info.channels);
    }
    const bool complete =
        sf_error(file) == SF_ERR_NO_ERROR && (info.frames == SF_COUNT_MAX || sound.frames() == info.frames);
    sf_close(file);
    if (!complete) throw std::runtime_error("short read of " + path);
    return sound;
}

void writeSound(const std::string& path, const Sound& sound, int format) {
    SF_INFO info{};
    info.channels = sound.channels;
    info.samplerate = sound.sampleRate;
    info.format = format != 0 ? format : (SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) throw std::runtime_error("cannot write " + path + ": " + sf_strerror(nullptr));
    const sf_count_t written = sf_writef_float(file, sound.samples.data(), sound.frames());
    sf_close(file);
    if (written != sound.frames()) throw std::runtime_error("short write of " + path);
}

Sound testSignal(int channels, int sampleRate, std::int64_t frames) {
    Sound sound;
    sound.channels = channels;
    sound.sampleRate = sampleRate;
    std::uint32_t noise = 12345;
    for (std::int64_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        for (int c = 0; c < channels; ++c) {
            noise = noise * 1664525u + 1013904223u;
            const double hiss = (static_cast<double>(noise >> 8) / 16777216.0 - 0.5) * 0.1;
            const double value = 0.4 * std::sin(6.283185307179586 * (220.0 + 110.0 * c) * t) +
                                 0.3 * std::sin(6.283185307179586 * 1234.5 * t + c) + hiss;
            sound.samples.push_back(static_cast<float>(value));
        }
    }
    return sound;
}

double rms(const std::vector<float>& samples) {
    if (samples.empty()) return 0.0;
    double sum = 0.0;
    for (float s : samples) sum += static_cast<double>(s) * s;
    return std::sqrt(sum / static_cast<double>(samples.size()));
}
