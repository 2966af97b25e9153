#include "presets/fxp_file.h"

#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

namespace {

constexpr std::size_t kHeaderBytes = 56;
constexpr std::size_t kNameBytes = 28;
constexpr std::size_t kNameOffset = 28;
// The size, magic and count fields come before the bytes that the size
// field counts.
constexpr std::size_t kUncountedBytes = 8;
constexpr std::int32_t kFormatVersion = 1;
// Far more than any plug-in has; a file that claims more is not a preset.
constexpr std::int32_t kMaxParameters = 65536;
constexpr std::size_t kMaxFileBytes = kHeaderBytes + 4 * static_cast<std::size_t>(kMaxParameters);

void putWord(std::string& out, std::uint32_t word) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((word >> shift) & 0xFFu);
}

std::uint32_t wordAt(std::string_view bytes, std::size_t offset) {
    std::uint32_t word = 0;
    for (std::size_t i = 0; i < 4; ++i) word = (word << 8) | static_cast<unsigned char>(bytes[offset + i]);
    return word;
}

}  // namespace

std::uint32_t fourCharacterCode(std::string_view code) {
    std::uint32_t word = 0;
    for (std::size_t i = 0; i < 4; ++i) word = (word << 8) | static_cast<unsigned char>(i < code.size() ? code[i] : 0);
    return word;
}

std::string encodeFxp(const FxpPreset& preset) {
    const auto count = static_cast<std::uint32_t>(preset.values.size());
    std::string bytes;
    putWord(bytes, fourCharacterCode("CcnK"));
    putWord(bytes, static_cast<std::uint32_t>(kHeaderBytes - kUncountedBytes) + 4 * count);
    putWord(bytes, fourCharacterCode("FxCk"));
    putWord(bytes, kFormatVersion);
    putWord(bytes, preset.pluginId);
    putWord(bytes, static_cast<std::uint32_t>(preset.pluginVersion));
    putWord(bytes, count);
    std::string name = preset.name.substr(0, kNameBytes - 1);
    name.resize(kNameBytes, '\0');
    bytes += name;
    for (float value : preset.values) putWord(bytes, std::bit_cast<std::uint32_t>(value));
    return bytes;
}

FxpPreset decodeFxp(std::string_view bytes) {
    if (bytes.size() < 12 || wordAt(bytes, 0) != fourCharacterCode("CcnK")) {
        throw FxpError("is not a VST 2 preset file (.fxp)");
    }
    const std::uint32_t kind = wordAt(bytes, 8);
    if (kind == fourCharacterCode("FxBk") || kind == fourCharacterCode("FBCh")) {
        throw FxpError("is a bank of presets (.fxb), not a single preset (.fxp)");
    }
    if (kind == fourCharacterCode("FPCh")) {
        throw FxpError("holds a plug-in's own data instead of parameter values, which this tool cannot apply");
    }
    if (kind != fourCharacterCode("FxCk")) throw FxpError("is not a VST 2 preset file (.fxp)");
    if (bytes.size() < kHeaderBytes) {
        throw FxpError("is cut short: it has " + std::to_string(bytes.size()) + " bytes, fewer than a preset's header");
    }
    const auto count = static_cast<std::int32_t>(wordAt(bytes, 24));
    if (count < 0 || count > kMaxParameters) {
        throw FxpError("is damaged: it claims " + std::to_string(count) + " parameters");
    }
    const std::size_t needed = kHeaderBytes + 4 * static_cast<std::size_t>(count);
    if (bytes.size() < needed) {
        throw FxpError("is cut short: it has " + std::to_string(bytes.size()) + " bytes of the " +
                       std::to_string(needed) + " that its " + std::to_string(count) + " parameters need");
    }
    // The size field and the parameter count must tell the same length.
    const std::uint64_t size = std::uint64_t{wordAt(bytes, 4)} + kUncountedBytes;
    if (size != needed) {
        throw FxpError("is damaged: its header gives its size as " + std::to_string(size) + " bytes, but " +
                       std::to_string(count) + " parameters make " + std::to_string(needed));
    }
    FxpPreset preset;
    preset.pluginId = wordAt(bytes, 16);
    preset.pluginVersion = static_cast<std::int32_t>(wordAt(bytes, 20));
    const std::string_view name = bytes.substr(kNameOffset, kNameBytes);
    preset.name = std::string(name.substr(0, name.find('\0')));
    for (std::int32_t i = 0; i < count; ++i) {
        preset.values.push_back(std::bit_cast<float>(wordAt(bytes, kHeaderBytes + 4 * static_cast<std::size_t>(i))));
    }
    return preset;
}

void writeFxpFile(const std::string& path, const FxpPreset& preset) {
    const std::string bytes = encodeFxp(preset);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) throw FxpError("cannot write " + path + ": " + std::strerror(errno));
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int writeError = errno;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) throw FxpError("cannot write " + path + ": " + std::strerror(written ? errno : writeError));
}

FxpPreset readFxpFile(const std::string& path) {
    // Opening a pipe would wait for a writer, for ever if none comes: only a
    // file is opened.
    std::error_code statusError;
    const std::filesystem::file_type type = std::filesystem::status(path, statusError).type();
    if (type == std::filesystem::file_type::directory) {
        throw FxpError("cannot read preset " + path + ": it is a folder");
    }
    if (type != std::filesystem::file_type::regular && type != std::filesystem::file_type::not_found &&
        type != std::filesystem::file_type::none) {
        const char* kind = type == std::filesystem::file_type::fifo     ? "a pipe"
                           : type == std::filesystem::file_type::socket ? "a socket"
                                                                        : "a device";
        throw FxpError("cannot read preset " + path + ": it is " + kind + ", not a preset file");
    }
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) throw FxpError("cannot read preset " + path + ": " + std::strerror(errno));
    // One byte more than the largest preset tells a file that is too large.
    std::string bytes(kMaxFileBytes + 1, '\0');
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file.get()));
    if (std::ferror(file.get())) throw FxpError("cannot read preset " + path + ": " + std::strerror(errno));
    if (bytes.size() > kMaxFileBytes) throw FxpError("preset " + path + " is not a VST 2 preset file (.fxp)");
    try {
        return decodeFxp(bytes);
    } catch (const FxpError& error) {
        throw FxpError("preset " + path + " " + error.what());
    }
}
