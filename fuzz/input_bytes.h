// A fuzzer's input read front to back; once it is used up every read gives
// zeros, so every byte string is a whole session.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}
    bool empty() const { return size == 0; }
    std::uint8_t byte() {
        if (size == 0) return 0;
        --size;
        return *data++;
    }
    template <typename T>
    T raw() {
        unsigned char bytes[sizeof(T)];
        for (unsigned char& b : bytes) b = byte();
        T value;
        std::memcpy(&value, bytes, sizeof(T));
        return value;
    }

private:
    const std::uint8_t* data;
    std::size_t size;
};
