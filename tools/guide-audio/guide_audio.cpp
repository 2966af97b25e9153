#include "tools/guide-audio/guide_audio.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "player/built_plugin.h"
#include "player/effect_host.h"
#include "presets/factory_presets.h"
#include "tests/render/support/tool_runner.h"

namespace {
constexpr std::int64_t kSawPeriod = 100;
// 44100 x 120: a step of a whole number of samples at 44.1 kHz divides it.
constexpr const char* kGalleryStart = "5292000";
constexpr double kGallerySeconds = 4.0;
constexpr const char* kGalleryBegin = "<!-- preset gallery: written by scripts/guide-pictures.sh -->\n";
constexpr const char* kGalleryEnd = "<!-- end of preset gallery -->\n";
}  // namespace

Sound guideInput(double seconds, int sampleRate) {
    Sound sound;
    sound.channels = 1;
    sound.sampleRate = sampleRate;
    const auto frames = static_cast<std::int64_t>(std::llround(seconds * sampleRate));
    sound.samples.reserve(static_cast<std::size_t>(frames));
    for (std::int64_t i = 0; i < frames; ++i) {
        // A division and a subtraction, both rounded the same way everywhere.
        const double ramp = static_cast<double>(i % kSawPeriod) / static_cast<double>(kSawPeriod);
        sound.samples.push_back(static_cast<float>(ramp - 0.5));
    }
    return sound;
}

std::string sampleHash(const Sound& sound) {
    // FNV-1a, 64 bits: no cryptography needed, only a change detector.
    std::uint64_t hash = 14695981039346656037ull;
    const auto mix = [&hash](std::uint64_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            hash ^= (value >> (8 * i)) & 0xffu;
            hash *= 1099511628211ull;
        }
    };
    mix(static_cast<std::uint64_t>(sound.channels), 4);
    mix(static_cast<std::uint64_t>(sound.sampleRate), 4);
    mix(static_cast<std::uint64_t>(sound.frames()), 8);
    for (float sample : sound.samples) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &sample, sizeof bits);
        mix(bits, 4);
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

std::vector<GuidePicture> readPictureTable(const std::string& path) {
    std::ifstream file(path);
    if (!file) throw std::runtime_error("cannot read " + path);
    std::vector<GuidePicture> pictures;
    std::string line;
    while (std::getline(file, line)) {
        std::istringstream words(line);
        GuidePicture picture;
        if (!(words >> picture.name) || picture.name[0] == '#') continue;
        if (!(words >> picture.seconds >> picture.sampleRate) || picture.seconds <= 0.0 || picture.sampleRate <= 0) {
            throw std::runtime_error(path + ": no length in seconds and sample rate for " + picture.name);
        }
        for (std::string option; words >> option;) picture.options.push_back(option);
        pictures.push_back(picture);
    }
    return pictures;
}

std::map<std::string, std::string> readAudioHashes(const std::string& path) {
    std::ifstream file(path);
    if (!file) throw std::runtime_error("cannot read " + path);
    std::map<std::string, std::string> hashes;
    std::string hash;
    std::string name;
    while (file >> hash >> name) hashes[name] = hash;
    return hashes;
}

std::vector<GuidePicture> presetPictures(const std::string& presetFolder) {
    std::vector<GuidePicture> pictures;
    for (const FactoryPreset& preset : kFactoryPresets) {
        const std::string slug(preset.slug);
        pictures.push_back({"preset-" + slug, kGallerySeconds, 44100,
                            {"--start", kGalleryStart, "--preset", presetFolder + "/" + slug + ".fxp"}});
    }
    return pictures;
}

std::string presetGallery() {
    EffectHost host;
    const PluginEntry entry = quillbeatLibrary().entry();
    AEffect* effect = entry != nullptr ? host.open(entry) : nullptr;
    if (effect == nullptr) throw std::runtime_error("the plug-in's entry point gave no effect");
    const auto shown = [&host](int index) {
        char text[64] = {};
        host.dispatch(effGetParamDisplay, index, 0, text);
        return std::string(text);
    };
    std::ostringstream gallery;
    for (const FactoryPreset& preset : kFactoryPresets) {
        const auto values = preset.values.inParameterOrder();
        for (int i = 0; i < kParameterCount; ++i)
            effect->setParameter(effect, i, values[static_cast<std::size_t>(i)]);
        if (gallery.tellp() > 0) gallery << "\n";
        gallery << "![" << preset.name << "](pictures/preset-" << preset.slug << ".png)\n\n**" << preset.name
                << "** (`" << preset.slug << ".fxp`, `" << shown(kRndSw) << "`, Tempo `" << shown(kTempo)
                << "`): " << preset.description << "\n";
    }
    return gallery.str();
}

void writePresetGallery(const std::string& path) {
    const std::string guide = readWholeFile(path);
    const std::size_t begin = guide.find(kGalleryBegin);
    const std::size_t end = guide.find(kGalleryEnd);
    if (begin == std::string::npos || end == std::string::npos || end < begin) {
        throw std::runtime_error(path + " lacks the lines " + kGalleryBegin + kGalleryEnd);
    }
    const std::size_t from = begin + std::string(kGalleryBegin).size();
    writeWholeFile(path, guide.substr(0, from) + presetGallery() + guide.substr(end));
}
