// The number-to-text conversions no request reaches with its own limit or
// sample rate: int2string, float2string at other limits, and the decibel,
// frequency and millisecond texts.
#include <gtest/gtest.h>

#include <limits>

#include "effect/quillbeat_effect.h"
#include "tests/support/canary_buffer.h"

namespace {

enum class Op { Float, Int, Db, Hz, Ms };

struct Row {
    Op op;
    double value;
    int limit;
    const char* text;
    float rate = 44100.0f;
};

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kIntMin = std::numeric_limits<VstInt32>::min();

const Row kRows[] = {
    {Op::Int, 0, 8, ""}, {Op::Int, 7, 8, "7"}, {Op::Int, 16, 8, "16"}, {Op::Int, 120, 8, "120"},
    {Op::Int, -5, 8, "-5"}, {Op::Int, 99999999, 8, "99999999"}, {Op::Int, 100000000, 8, "Huge!"},
    {Op::Int, 2147483647, 8, "Huge!"}, {Op::Int, -99999999, 8, "-9999999"}, {Op::Int, -99999999, 9, "-99999999"},
    {Op::Int, 12345, 3, "123"}, {Op::Int, -5, 1, "-"}, {Op::Int, 7, 0, ""}, {Op::Int, 100000000, 3, "Hug"},
    {Op::Int, -999999999, 10, "-999999999"}, {Op::Int, -1000000000, 10, "Huge!"}, {Op::Int, kIntMin, 8, "Huge!"},
    {Op::Float, 0.5, 5, "0.500"}, {Op::Float, 123.456, 4, "123."}, {Op::Float, 123.456, 2, "12"},
    {Op::Float, -0.25, 3, "-0."}, {Op::Float, 0.5, 0, ""}, {Op::Float, 1e9, 3, "Hug"}, {Op::Float, kNaN, 2, "Na"},
    {Op::Db, 1.0, 8, "0.000000"}, {Op::Db, 0.5, 8, "-6.02059"}, {Op::Db, 2.0, 8, "6.020599"},
    {Op::Db, 10.0, 8, "20.00000"}, {Op::Db, 0.001, 8, "-60.0000"}, {Op::Db, 0.0, 8, "-oo"}, {Op::Db, -1.0, 8, "-oo"},
    {Op::Db, kNaN, 8, "-oo"}, {Op::Db, 0.0, 2, "-o"}, {Op::Db, 0.5, 4, "-6.0"},
    {Op::Hz, 0, 8, "0.000000"}, {Op::Hz, 100, 8, "441.0000"}, {Op::Hz, 441, 8, "100.0000"},
    {Op::Hz, 100, 8, "480.0000", 48000.0f}, {Op::Hz, 441, 3, "100"},
    {Op::Ms, 44100, 8, "1000.000"}, {Op::Ms, 441, 8, "10.00000"}, {Op::Ms, 1, 8, "0.022675"},
    {Op::Ms, 48, 8, "1.000000", 48000.0f}, {Op::Ms, 441, 8, "Huge!", 0.0f}, {Op::Ms, 441, 3, "Hug", 0.0f},
};

void format(QuillbeatEffect& effect, Op op, double value, char* text, int limit) {
    const auto f = static_cast<float>(value);
    switch (op) {
        case Op::Float: return effect.float2string(f, text, limit);
        case Op::Int: return effect.int2string(static_cast<VstInt32>(value), text, limit);
        case Op::Db: return effect.dB2string(f, text, limit);
        case Op::Hz: return effect.Hz2string(f, text, limit);
        case Op::Ms: return effect.ms2string(f, text, limit);
    }
}

TEST(ValueText, EveryRowIsBoundedToItsLimit) {
    QuillbeatEffect effect(nullptr);
    for (const Row& row : kRows) {
        effect.setSampleRate(row.rate);
        CanaryBuffer buffer;
        format(effect, row.op, row.value, buffer.data(), row.limit);
        EXPECT_EQ(buffer.contents(), CanaryBuffer::bounded(row.text, row.limit))
            << "op " << static_cast<int>(row.op) << " value " << row.value << " limit " << row.limit;
        format(effect, row.op, row.value, nullptr, row.limit);  // no buffer: nothing written, no fault
    }
}

}  // namespace
