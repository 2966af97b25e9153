#include "player/plugin_instance.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "edition/block_parts.h"

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::optional<HostPosition> positionAt(const Block& block, std::uint32_t frame) {
    const HostPosition* named = block.position;
    std::uint32_t namedAt = 0;
    for (const PositionChange& jump : block.jumps) {
        if (jump.frame > frame) break;
        named = &jump.position;
        namedAt = jump.frame;
    }
    if (named == nullptr) return std::nullopt;
    HostPosition at = *named;
    if (at.playing) at.sample += static_cast<double>(frame - namedAt);
    return at;
}

bool CutBlockInstance::play(const Block& block) {
    const auto part = [&](std::uint32_t from, std::uint32_t to) { playPart(block, from, to); };
    BlockParts parts(block.frames);
    const bool cutAtJumps = !tellsJumpsInside();
    std::size_t jump = 0;
    const auto cutAtJumpsUntil = [&](std::uint32_t frame) {
        for (; cutAtJumps && jump < block.jumps.size() && block.jumps[jump].frame <= frame; ++jump)
            parts.playUntil(block.jumps[jump].frame, part);
    };
    for (const ParameterChange& change : block.changes) {
        cutAtJumpsUntil(change.frame);
        parts.playUntil(change.frame, part);
        setValue(change.index, change.value);
    }
    cutAtJumpsUntil(block.frames);
    if (block.frames == 0) playPart(block, 0, 0);
    parts.finish(part);
    return true;
}

std::optional<std::vector<std::uint8_t>> CutBlockInstance::saveState() {
    std::vector<float> values;
    for (std::size_t i = 0; i < parameterCount(); ++i) values.push_back(static_cast<float>(valueInUse(i)));
    return valuesAsState(values);
}

bool CutBlockInstance::loadState(std::span<const std::uint8_t> state) {
    const auto values = valuesFromState(state, parameterCount());
    if (!values) return false;
    for (std::size_t i = 0; i < values->size(); ++i) setValue(i, (*values)[i]);
    return true;
}

void checkClaimedChannels(const std::string& where, std::int64_t inputs, std::int64_t outputs) {
    const std::int64_t most = PluginInstance::maxChannels();
    if (inputs < 0 || inputs > most || outputs < 0 || outputs > most) {
        throw std::runtime_error(where + " reports " + std::to_string(inputs) + " inputs and " +
                                 std::to_string(outputs) + " outputs: this host takes plug-ins with 0 to " +
                                 std::to_string(most) + " of each");
    }
}

void checkClaimedCount(const std::string& where, std::int64_t count, std::int64_t most, const char* things) {
    if (count > most) {
        throw std::runtime_error(where + " reports " + std::to_string(count) + " " + things +
                                 ": this host takes up to " + std::to_string(most));
    }
}

const char* formatName(PluginFormat format) {
    switch (format) {
        case PluginFormat::vst2: return "VST 2";
        case PluginFormat::clap: return "CLAP";
        case PluginFormat::lv2: return "LV2";
    }
    return "";
}

PluginFormat formatOf(const std::string& where) {
    std::error_code error;
    const std::filesystem::path path(where);
    if (std::filesystem::is_directory(path, error)) return PluginFormat::lv2;
    const std::size_t scheme = where.find(':');
    if (scheme != std::string::npos && scheme > 0 && where.find('/') > scheme && !std::filesystem::exists(path, error))
        return PluginFormat::lv2;
    return path.extension() == ".clap" ? PluginFormat::clap : PluginFormat::vst2;
}

std::optional<std::size_t> PluginInstance::findParameter(std::string_view name) const {
    const std::string_view wanted = trimmed(name);
    const auto& parameters = described.parameters;
    std::optional<std::size_t> caseless;
    int caselessMatches = 0;
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        const std::string_view own = trimmed(parameters[i].name);
        if (own == wanted) return i;
        if (sameIgnoringCase(own, wanted)) caseless = i, ++caselessMatches;
    }
    if (caselessMatches == 1) return caseless;
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        if (parameters[i].id == wanted) return i;
    }
    std::size_t index = 0;
    const auto [end, error] = std::from_chars(wanted.data(), wanted.data() + wanted.size(), index);
    if (error == std::errc() && end == wanted.data() + wanted.size() && !wanted.empty() && index < parameters.size())
        return index;
    return std::nullopt;
}

std::vector<std::uint8_t> valuesAsState(const std::vector<float>& values) {
    std::vector<std::uint8_t> state;
    for (const float value : values) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        for (int shift = 0; shift < 32; shift += 8) state.push_back(static_cast<std::uint8_t>(bits >> shift));
    }
    return state;
}

std::optional<std::vector<float>> valuesFromState(std::span<const std::uint8_t> state, std::size_t count) {
    if (state.size() != count * 4) return std::nullopt;
    std::vector<float> values(count);
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t bits = 0;
        for (int byte = 3; byte >= 0; --byte) bits = bits << 8 | state[i * 4 + static_cast<std::size_t>(byte)];
        std::memcpy(&values[i], &bits, sizeof bits);
    }
    return values;
}
