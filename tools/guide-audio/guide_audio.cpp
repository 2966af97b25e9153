#include "tools/guide-audio/guide_audio.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "player/built_plugin.h"
#include "player/effect_host.h"
#include "presets/factory_presets.h"
#include "tests/render/support/tool_runner.h"
#include "tools/guide-audio/guide_sawtooth.h"

namespace {
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
    for (std::int64_t i = 0; i < frames; ++i) sound.samples.push_back(guideSawtooth(i));
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
                            {"--start", std::to_string(kGalleryStartFrame), "--preset", presetFolder + "/" + slug + ".fxp"}});
    }
    return pictures;
}

namespace {

// A value as a musician types it: the shortest decimal a host reads back
// as the same float, or four places where that is long.
std::string decimalToType(float value) {
    char text[32];
    const auto shortest = std::to_chars(text, text + sizeof text, value);
    std::string decimal(text, shortest.ptr);
    if (decimal.size() <= 6) return decimal;
    std::snprintf(text, sizeof text, "%.4f", static_cast<double>(value));
    decimal = text;
    while (decimal.back() == '0') decimal.pop_back();
    return decimal;
}

}  // namespace

std::string presetGallery() {
    EffectHost host;
    const PluginEntry entry = quillbeatLibrary().entry();
    AEffect* effect = entry != nullptr ? host.open(entry) : nullptr;
    if (effect == nullptr) throw std::runtime_error("the plug-in's entry point gave no effect");
    const auto shown = [&host, effect](int index, float value) {
        effect->setParameter(effect, index, value);
        char text[64] = {};
        host.dispatch(effGetParamDisplay, index, 0, text);
        return std::string(text);
    };
    std::ostringstream gallery;
    for (const FactoryPreset& preset : kFactoryPresets) {
        if (gallery.tellp() > 0) gallery << "\n";
        gallery << "![" << preset.name << "](pictures/preset-" << preset.slug << ".png)\n\n**" << preset.name
                << "** (`" << preset.slug << ".fxp`, for " << preset.suits << "): " << preset.description << "\\\n";
        // The twelve values, to set by hand where a host loads no preset:
        // each as typed, and what the host then shows where that says more.
        const auto values = preset.values.inParameterOrder();
        for (int i = 0; i < kParameterCount; ++i) {
            const float value = values[static_cast<std::size_t>(i)];
            const std::string typed = decimalToType(value);
            const std::string text = shown(i, value);
            if (shown(i, std::strtof(typed.c_str(), nullptr)) != text) {
                throw std::runtime_error(std::string(preset.slug) + ": " + typed + " does not show " + text);
            }
            gallery << (i == 0 ? "" : ", ") << "`" << kParameterTable[i].name << "` " << typed;
            if (kParameterTable[i].valueText != ValueText::Number) gallery << " (`" << text << "`)";
        }
        gallery << "\n";
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
