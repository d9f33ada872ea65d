#include "core/wave_header.h"

#include <array>
#include <cstring>
#include <limits>

namespace sundra {

namespace {

using Tag = std::array<std::uint8_t, 4>;

constexpr Tag tag(const char (&text)[5]) {
    return {static_cast<std::uint8_t>(text[0]), static_cast<std::uint8_t>(text[1]),
            static_cast<std::uint8_t>(text[2]), static_cast<std::uint8_t>(text[3])};
}

constexpr Tag kRiff = tag("RIFF");
constexpr Tag kWave = tag("WAVE");
constexpr Tag kFmt = tag("fmt ");
constexpr Tag kData = tag("data");

// Every header field is read whole; a file that ends inside one is refused.
bool readExactly(ByteReader& source, void* out, std::int32_t count) {
    return source.read(out, count) == count;
}

bool readTag(ByteReader& source, Tag& out) {
    return readExactly(source, out.data(), 4);
}

bool readU16(ByteReader& source, std::uint32_t& out) {
    std::uint8_t bytes[2];
    if (!readExactly(source, bytes, 2))
        return false;
    out = static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8;
    return true;
}

bool readU32(ByteReader& source, std::uint32_t& out) {
    std::uint8_t bytes[4];
    if (!readExactly(source, bytes, 4))
        return false;
    out = static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
          static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
    return true;
}

// Moves to an absolute position inside the file; a position past the end means
// a chunk size that points outside the file.
bool seekWithin(ByteReader& source, std::int64_t position, std::int64_t fileLength) {
    if (position < 0 || position > fileLength)
        return false;
    source.seek(position, 1);
    return true;
}

bool expectTag(ByteReader& source, const Tag& expected) {
    Tag found;
    return readTag(source, found) && found == expected;
}

// The format must give whole frames, a rate to divide times by, and byte rates
// and frame counts that fit the signed 32-bit numbers the program computes with.
bool usable(const WaveFormat& format, std::int64_t dataBytes) {
    const std::int64_t frame = frameSize(format);
    if (frame <= 0 || format.samplesPerSecond <= 0)
        return false;
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    if (static_cast<std::int64_t>(format.samplesPerSecond) * frame > kMax)
        return false;
    return dataBytes / frame <= kMax;
}

void put16(std::uint8_t* at, std::uint32_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

void put32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

} // namespace

std::int64_t parseHeader(ByteReader& source, WaveFormat& format) {
    const std::int64_t fileLength = source.length();
    source.seek(0, 1);

    std::uint32_t riffSize;
    if (!expectTag(source, kRiff) || !readU32(source, riffSize) || !expectTag(source, kWave))
        return 0;
    // The format chunk must be the first chunk.
    if (!expectTag(source, kFmt))
        return 0;

    std::uint32_t formatSize, formatTag, channels, rate, byteRate, blockAlign, bits;
    if (!readU32(source, formatSize) || !readU16(source, formatTag) || !readU16(source, channels) ||
        !readU32(source, rate) || !readU32(source, byteRate) || !readU16(source, blockAlign) ||
        !readU16(source, bits))
        return 0;
    // A format chunk shorter than its own fields would send the walk backwards.
    if (formatSize < 16)
        return 0;
    if (!seekWithin(source, source.tell() + formatSize - 16, fileLength))
        return 0;

    // Every step moves forward by at least the 8 bytes of a chunk head and stays
    // inside the file, so the walk ends.
    Tag id;
    if (!readTag(source, id))
        return 0;
    while (id != kData) {
        std::uint32_t chunkSize;
        if (!readU32(source, chunkSize))
            return 0;
        if (!seekWithin(source, source.tell() + chunkSize, fileLength))
            return 0;
        if (!readTag(source, id))
            return 0;
    }
    // The data size is not used: every byte after the data offset is a sample.
    std::uint32_t dataSize;
    if (!readU32(source, dataSize))
        return 0;
    const std::int64_t dataOffset = source.tell();

    WaveFormat parsed;
    parsed.channels = static_cast<std::int32_t>(channels);
    parsed.bitsPerSample = static_cast<std::int32_t>(bits);
    if (rate > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max()))
        return 0;
    parsed.samplesPerSecond = static_cast<std::int32_t>(rate);
    if (!usable(parsed, fileLength - dataOffset))
        return 0;
    format = parsed;
    return dataOffset;
}

std::int64_t writeHeader(ByteWriter& target, const WaveFormat& format, std::int32_t frames) {
    const auto align = static_cast<std::uint32_t>(frameSize(format));
    const std::uint32_t dataSize = static_cast<std::uint32_t>(frames < 0 ? 0 : frames) * align;
    const auto rate = static_cast<std::uint32_t>(format.samplesPerSecond);

    std::uint8_t header[kCanonicalHeaderSize];
    std::memcpy(header + 0, kRiff.data(), 4);
    put32(header + 4, dataSize + 36);
    std::memcpy(header + 8, kWave.data(), 4);
    std::memcpy(header + 12, kFmt.data(), 4);
    put32(header + 16, 16);
    put16(header + 20, 1);
    put16(header + 22, static_cast<std::uint32_t>(format.channels));
    put32(header + 24, rate);
    put32(header + 28, rate * align);
    put16(header + 32, align);
    put16(header + 34, static_cast<std::uint32_t>(format.bitsPerSample));
    std::memcpy(header + 36, kData.data(), 4);
    put32(header + 40, dataSize);

    target.seek(0, 1);
    target.write(header, static_cast<std::int32_t>(kCanonicalHeaderSize));
    return target.tell();
}

} // namespace sundra
