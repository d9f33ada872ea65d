#pragma once
// The little-endian fields and four-byte chunk identifiers of RIFF files, read
// from a byte stream whole or not at all (a file that ends inside a field is a
// damaged header), and written into a byte image.

#include "core/byte_stream.h"

#include <array>
#include <cstdint>

namespace sundra::riff {

using Tag = std::array<std::uint8_t, 4>;

constexpr Tag tag(const char (&text)[5]) {
    return {static_cast<std::uint8_t>(text[0]), static_cast<std::uint8_t>(text[1]),
            static_cast<std::uint8_t>(text[2]), static_cast<std::uint8_t>(text[3])};
}

// The format tags of the samples we read and write.
inline constexpr std::uint32_t kTagPcm = 1;
inline constexpr std::uint32_t kTagFloat = 3;
inline constexpr std::uint32_t kTagExtensible = 0xFFFE;

// The sub-format GUIDs of WAVE_FORMAT_EXTENSIBLE are a format tag in their
// first two bytes followed by these fourteen.
inline constexpr std::uint8_t kGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                               0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// Chunk identifiers are printable ASCII; anything else is no chunk head.
inline bool printable(const Tag& id) {
    for (std::uint8_t c : id)
        if (c < 0x20 || c > 0x7E)
            return false;
    return true;
}

inline bool readExactly(ByteReader& source, void* out, std::int32_t count) {
    return source.read(out, count) == count;
}

inline bool readTag(ByteReader& source, Tag& out) {
    return readExactly(source, out.data(), 4);
}

inline bool readU16(ByteReader& source, std::uint32_t& out) {
    std::uint8_t bytes[2];
    if (!readExactly(source, bytes, 2))
        return false;
    out = static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8;
    return true;
}

inline bool readU32(ByteReader& source, std::uint32_t& out) {
    std::uint8_t bytes[4];
    if (!readExactly(source, bytes, 4))
        return false;
    out = static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
          static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
    return true;
}

inline bool readU64(ByteReader& source, std::uint64_t& out) {
    std::uint32_t low, high;
    if (!readU32(source, low) || !readU32(source, high))
        return false;
    out = static_cast<std::uint64_t>(high) << 32 | low;
    return true;
}

inline void put16(std::uint8_t* at, std::uint32_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

inline void put32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

inline void put64(std::uint8_t* at, std::uint64_t value) {
    for (int i = 0; i < 8; ++i)
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

} // namespace sundra::riff
