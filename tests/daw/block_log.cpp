#include "tests/daw/block_log.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {
constexpr char kHex[] = "0123456789abcdef";

std::string hexBytes(const void* data, std::size_t size) {
    std::string text;
    for (std::size_t i = 0; i < size; ++i) {
        const unsigned byte = static_cast<const unsigned char*>(data)[i];
        text += kHex[byte >> 4];
        text += kHex[byte & 15];
    }
    return text;
}

bool readHexBytes(const std::string& text, void* data, std::size_t size) {
    if (text.size() != 2 * size) return false;
    for (std::size_t i = 0; i < size; ++i) {
        const char* high = std::strchr(kHex, text[2 * i]);
        const char* low = std::strchr(kHex, text[2 * i + 1]);
        if (high == nullptr || low == nullptr || *high == 0 || *low == 0) return false;
        static_cast<unsigned char*>(data)[i] = static_cast<unsigned char>((high - kHex) * 16 + (low - kHex));
    }
    return true;
}
}  // namespace

std::string formatBlockLogEvent(const BlockLogEvent& event) {
    char number[64];
    switch (event.kind) {
        case BlockLogEvent::SampleRate:
            std::snprintf(number, sizeof number, "%a", event.sampleRate);
            return std::string("rate ") + number;
        case BlockLogEvent::BlockSize: return "block " + std::to_string(event.frames);
        case BlockLogEvent::Resume: return "resume";
        case BlockLogEvent::Suspend: return "suspend";
        case BlockLogEvent::Process:
            return "process " + std::to_string(event.frames) + " " +
                   (event.time ? hexBytes(&*event.time, sizeof(VstTimeInfo)) : std::string("-"));
    }
    return {};
}

std::vector<BlockLogEvent> readBlockLog(const std::string& path) {
    std::ifstream file(path);
    if (!file) throw std::runtime_error("cannot read " + path);
    std::vector<BlockLogEvent> events;
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        std::istringstream words(line);
        std::string kind, first, second;
        words >> kind >> first >> second;
        BlockLogEvent event = BlockLogEvent::of(BlockLogEvent::Resume);
        bool good = true;
        if (kind == "rate") {
            event.kind = BlockLogEvent::SampleRate;
            char* end = nullptr;
            event.sampleRate = std::strtod(first.c_str(), &end);
            good = !first.empty() && *end == 0;
        } else if (kind == "block" || kind == "process") {
            event.kind = kind == "block" ? BlockLogEvent::BlockSize : BlockLogEvent::Process;
            char* end = nullptr;
            event.frames = static_cast<std::int32_t>(std::strtol(first.c_str(), &end, 10));
            good = !first.empty() && *end == 0;
            if (good && kind == "process" && second != "-") {
                VstTimeInfo time{};
                good = readHexBytes(second, &time, sizeof time);
                event.time = time;
            }
        } else if (kind == "suspend") {
            event.kind = BlockLogEvent::Suspend;
        } else {
            good = kind == "resume";
        }
        if (!good) throw std::runtime_error(path + ":" + std::to_string(number) + ": not a recorded call: " + line);
        events.push_back(event);
    }
    return events;
}
