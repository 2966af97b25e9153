// The state format through streams that move a few bytes per call, as a
// host's may: good states load and save back to the same bytes, and every
// kind of bad input is refused for its own reason.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "clap/state_format.h"

namespace {

using Bytes = std::vector<unsigned char>;

// A host's stream over `bytes`, moving at most `piece` bytes per call and
// failing once `failAt` bytes have moved; `overcount` claims a byte more
// than it moved. It counts its calls and fails past a thousand, so a caller
// that keeps retrying shows in the count instead of hanging the test.
struct PieceStream {
    Bytes bytes;
    std::size_t piece = SIZE_MAX;
    std::size_t failAt = SIZE_MAX;
    bool overcount = false;
    std::size_t position = 0;
    int calls = 0;

    std::int64_t move(std::uint64_t size) {
        if (position >= failAt || ++calls > 1000) return -1;
        const std::size_t n = std::min<std::size_t>({size, piece, failAt - position});
        position += n;
        return static_cast<std::int64_t>(n) + (overcount ? 1 : 0);
    }
    static std::int64_t CLAP_CALLBACK read(const clap::clap_istream* stream, void* buffer, std::uint64_t size) {
        auto& self = *static_cast<PieceStream*>(stream->ctx);
        const std::size_t from = self.position;
        const std::int64_t moved = self.move(std::min<std::uint64_t>(size, self.bytes.size() - from));
        if (moved > 0) std::memcpy(buffer, self.bytes.data() + from, self.position - from);
        return moved;
    }
    static std::int64_t CLAP_CALLBACK write(const clap::clap_ostream* stream, const void* buffer, std::uint64_t size) {
        auto& self = *static_cast<PieceStream*>(stream->ctx);
        const std::size_t from = self.position;
        const std::int64_t moved = self.move(size);
        const auto* source = static_cast<const unsigned char*>(buffer);
        self.bytes.insert(self.bytes.end(), source, source + (self.position - from));
        return moved;
    }
    clap::clap_istream in() { return {this, &read}; }
    clap::clap_ostream out() { return {this, &write}; }
};

void put(Bytes& bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

Bytes state(std::vector<float> values, std::uint32_t version = 1, const char* magic = "QBst") {
    Bytes bytes(magic, magic + 4);
    put(bytes, version);
    put(bytes, static_cast<std::uint32_t>(values.size()));
    for (float value : values) put(bytes, std::bit_cast<std::uint32_t>(value));
    return bytes;
}

// Both ends of the range, a sign, a denormal and values with all bits used.
const std::vector<float> kValues{0.0f, 1.0f, 0.5f, -0.0f, 0x1p-149f, 1e-7f, 0.1f, 0.333333343f,
                                 0.99999994f, 0.75f, 0.0625f, 0.2f};

std::vector<float> with(std::size_t index, float value) {
    std::vector<float> values = kValues;
    values[index] = value;
    return values;
}

TEST(ClapStateFormat, LoadsWhatItSavesAndRefusesTheRest) {
    const Bytes good = state(kValues);
    struct Case {
        std::string what;
        Bytes bytes;
        std::size_t piece;
        StateError error;
        std::size_t failAt = SIZE_MAX;
        bool overcount = false;
    };
    std::vector<Case> cases{
        {"whole", good, SIZE_MAX, StateError::none},
        {"a byte per call", good, 1, StateError::none},
        {"five bytes per call", good, 5, StateError::none},
        {"a later version", state(kValues, 2), SIZE_MAX, StateError::futureVersion},
        {"a later, longer version", state(std::vector<float>(20, 0.5f), 7), 3, StateError::futureVersion},
        {"the highest version", state(kValues, UINT32_MAX), SIZE_MAX, StateError::futureVersion},
        {"version 0", state(kValues, 0), SIZE_MAX, StateError::notOurs},
        {"another magic", state(kValues, 1, "QBsT"), SIZE_MAX, StateError::notOurs},
        {"11 values", state({kValues.begin(), kValues.end() - 1}), SIZE_MAX, StateError::wrongCount},
        {"13 values", state([] { auto values = kValues; values.push_back(0.5f); return values; }()), SIZE_MAX, StateError::wrongCount},
        {"a byte too many", [&] { Bytes longer = good; longer.push_back(0); return longer; }(), 7,
         StateError::tooLong},
        {"NaN", state(with(3, std::numeric_limits<float>::quiet_NaN())), SIZE_MAX, StateError::badValue},
        {"just above 1", state(with(11, 1.00000012f)), SIZE_MAX, StateError::badValue},
        {"just below 0", state(with(0, -0x1p-149f)), SIZE_MAX, StateError::badValue},
        {"infinity", state(with(5, INFINITY)), SIZE_MAX, StateError::badValue},
        {"an error at the start", good, 4, StateError::streamFailed, 0},
        {"an error among the values", good, 4, StateError::streamFailed, 20},
        {"more bytes claimed than asked for", good, 4, StateError::streamFailed, SIZE_MAX, true},
    };
    for (std::size_t length = 0; length < good.size(); ++length)
        cases.push_back({"the first " + std::to_string(length) + " bytes", Bytes(good.begin(), good.begin() + length),
                         7, StateError::truncated});

    for (const Case& c : cases) {
        PieceStream source{c.bytes, c.piece, c.failAt, c.overcount};
        const clap::clap_istream in = source.in();
        const LoadedState loaded = loadState(in);
        EXPECT_EQ(loaded.error, c.error) << c.what;
        if (loaded.error != StateError::none) continue;
        for (std::size_t i = 0; i < kStateValueCount; ++i)
            EXPECT_EQ(std::bit_cast<std::uint32_t>(loaded.values[i]), std::bit_cast<std::uint32_t>(kValues[i]))
                << c.what << ", value " << i;
        PieceStream sink{{}, c.piece};
        const clap::clap_ostream out = sink.out();
        EXPECT_TRUE(saveState(out, loaded.values)) << c.what;
        EXPECT_EQ(sink.bytes, c.bytes) << c.what;
    }

    // The layout itself, so that no change to it goes unnoticed: the header
    // and the first two values (0 and 1), little-endian.
    const Bytes start{'Q', 'B', 's', 't', 1, 0, 0, 0, 12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80, 0x3f};
    EXPECT_EQ(Bytes(good.begin(), good.begin() + start.size()), start);

    // A host's stream that fails, or takes nothing, ends the save.
    for (PieceStream sink : {PieceStream{{}, 8, 30}, PieceStream{{}, 0}}) {
        const clap::clap_ostream out = sink.out();
        EXPECT_FALSE(saveState(out, StateValues{})) << "piece " << sink.piece << ", failing at " << sink.failAt;
        EXPECT_LE(sink.calls, 8) << "piece " << sink.piece << ", failing at " << sink.failAt;
    }
}

}  // namespace
