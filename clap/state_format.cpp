#include "clap/state_format.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>

namespace {

constexpr unsigned char kMagic[4] = {'Q', 'B', 's', 't'};
constexpr std::uint32_t kVersion = 1;
constexpr std::size_t kHeaderSize = 12;
constexpr std::size_t kStateSize = kHeaderSize + 4 * kStateValueCount;

void putU32(unsigned char* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>(value >> (8 * i));
}

std::uint32_t getU32(const unsigned char* at) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(at[i]) << (8 * i);
    return value;
}

// A CLAP stream may move fewer bytes than asked, so both directions loop
// until all is moved. Each call must make progress: a write of 0 bytes or a
// count beyond what was asked is the host's error, not something to retry
// forever or trust.
bool writeAll(const clap::clap_ostream& stream, const unsigned char* bytes, std::size_t size) {
    if (stream.write == nullptr) return false;
    for (std::size_t done = 0; done < size;) {
        const std::int64_t moved = stream.write(&stream, bytes + done, size - done);
        if (moved <= 0 || static_cast<std::uint64_t>(moved) > size - done) return false;
        done += static_cast<std::size_t>(moved);
    }
    return true;
}

// The bytes read before the stream ended (0 from read), or none on error.
std::optional<std::size_t> readUpTo(const clap::clap_istream& stream, unsigned char* bytes, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const std::int64_t moved = stream.read(&stream, bytes + done, size - done);
        if (moved == 0) break;
        if (moved < 0 || static_cast<std::uint64_t>(moved) > size - done) return std::nullopt;
        done += static_cast<std::size_t>(moved);
    }
    return done;
}

}  // namespace

bool saveState(const clap::clap_ostream& stream, const StateValues& values) {
    unsigned char bytes[kStateSize];
    std::memcpy(bytes, kMagic, sizeof kMagic);
    putU32(bytes + 4, kVersion);
    putU32(bytes + 8, kStateValueCount);
    for (std::size_t i = 0; i < kStateValueCount; ++i)
        putU32(bytes + kHeaderSize + 4 * i, std::bit_cast<std::uint32_t>(values[i]));
    return writeAll(stream, bytes, kStateSize);
}

LoadedState loadState(const clap::clap_istream& stream) {
    LoadedState loaded{StateError::none, {}};
    if (stream.read == nullptr) return {StateError::streamFailed, {}};
    // The header first, so that a later version's state, which may be of
    // any length, is refused for what it is rather than for its size.
    unsigned char bytes[kStateSize + 1];
    const auto header = readUpTo(stream, bytes, kHeaderSize);
    if (!header) return {StateError::streamFailed, {}};
    if (std::memcmp(bytes, kMagic, std::min(*header, sizeof kMagic)) != 0) return {StateError::notOurs, {}};
    if (*header < kHeaderSize) return {StateError::truncated, {}};
    const std::uint32_t version = getU32(bytes + 4);
    if (version == 0) return {StateError::notOurs, {}};
    if (version > kVersion) return {StateError::futureVersion, {}};
    if (getU32(bytes + 8) != kStateValueCount) return {StateError::wrongCount, {}};

    // The values, and one byte more to learn whether the stream ends there.
    const auto rest = readUpTo(stream, bytes + kHeaderSize, kStateSize + 1 - kHeaderSize);
    if (!rest) return {StateError::streamFailed, {}};
    if (*rest < kStateSize - kHeaderSize) return {StateError::truncated, {}};
    if (*rest > kStateSize - kHeaderSize) return {StateError::tooLong, {}};
    for (std::size_t i = 0; i < kStateValueCount; ++i) {
        const float value = std::bit_cast<float>(getU32(bytes + kHeaderSize + 4 * i));
        // Put so that NaN fails it too.
        if (!(value >= 0.0f && value <= 1.0f)) return {StateError::badValue, {}};
        loaded.values[i] = value;
    }
    return loaded;
}
