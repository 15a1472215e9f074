#pragma once
// Byte-exact little-endian fields of the stored records (settings values, the selection).
// Written out byte by byte so the layout does not depend on the host's byte order or on
// how a compiler pads a struct.
#include <cstdint>
#include <cstring>

namespace orvanta {

inline void PutUint32LE(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline std::uint32_t GetUint32LE(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}

inline void PutInt32LE(std::uint8_t* p, std::int32_t v) {
    PutUint32LE(p, static_cast<std::uint32_t>(v));
}

inline std::int32_t GetInt32LE(const std::uint8_t* p) {
    return static_cast<std::int32_t>(GetUint32LE(p));
}

// IEEE 754 doubles and floats as their bit patterns.
inline void PutDoubleLE(std::uint8_t* p, double d) {
    std::uint64_t bits;
    std::memcpy(&bits, &d, 8);
    for (int i = 0; i < 8; ++i) p[i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

inline double GetDoubleLE(const std::uint8_t* p) {
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) bits = (bits << 8) | p[i];
    double d;
    std::memcpy(&d, &bits, 8);
    return d;
}

inline void PutFloatLE(std::uint8_t* p, float f) {
    std::uint32_t bits;
    std::memcpy(&bits, &f, 4);
    PutUint32LE(p, bits);
}

inline float GetFloatLE(const std::uint8_t* p) {
    std::uint32_t bits = GetUint32LE(p);
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

}  // namespace orvanta
