#include "core/wave_header.h"

#include <algorithm>
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
constexpr Tag kRf64 = tag("RF64");
constexpr Tag kBw64 = tag("BW64"); // the same layout under the broadcast name
constexpr Tag kWave = tag("WAVE");
constexpr Tag kDs64 = tag("ds64");
constexpr Tag kJunk = tag("JUNK");
constexpr Tag kFmt = tag("fmt ");
constexpr Tag kData = tag("data");

constexpr std::uint32_t kTagPcm = 1;
constexpr std::uint32_t kTagFloat = 3;
constexpr std::uint32_t kTagExtensible = 0xFFFE;

// The sub-format GUIDs of WAVE_FORMAT_EXTENSIBLE are a format tag in their
// first two bytes followed by these fourteen.
constexpr std::uint8_t kGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                        0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// Bytes of the chunks this program writes.
constexpr std::int64_t kPlainFormatChunk = 8 + 16;
constexpr std::int64_t kExtensibleFormatChunk = 8 + 40;
constexpr std::int64_t kDs64Chunk = 8 + 28;

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

// The encoding a format chunk's tag stands for; false for every other tag
// (A-law, mu-law, ADPCM, compressed audio), which must not be read as samples.
bool encodingOf(std::uint32_t formatTag, SampleEncoding& encoding) {
    if (formatTag == kTagPcm)
        encoding = SampleEncoding::Integer;
    else if (formatTag == kTagFloat)
        encoding = SampleEncoding::Float;
    else
        return false;
    return true;
}

// Reads the 24 bytes of a WAVE_FORMAT_EXTENSIBLE extension and takes the
// encoding from its sub-format. The valid-bits field and the speaker mask do not
// change how the samples are stored, so they are not used.
bool readExtensible(ByteReader& source, std::uint32_t formatSize, SampleEncoding& encoding) {
    std::uint32_t extraSize, validBits, mask, subFormat;
    std::uint8_t tail[14];
    if (formatSize < 40 || !readU16(source, extraSize) || extraSize < 22 ||
        !readU16(source, validBits) || !readU32(source, mask) || !readU16(source, subFormat) ||
        !readExactly(source, tail, sizeof tail))
        return false;
    return std::memcmp(tail, kGuidTail, sizeof tail) == 0 && encodingOf(subFormat, encoding);
}

} // namespace

std::int64_t parseHeader(ByteReader& source, WaveFormat& format) {
    const std::int64_t fileLength = source.length();
    source.seek(0, 1);

    Tag container;
    std::uint32_t riffSize;
    if (!readTag(source, container) || !readU32(source, riffSize) || !expectTag(source, kWave))
        return 0;
    const bool rf64 = container == kRf64 || container == kBw64;
    if (container != kRiff && !rf64)
        return 0;

    Tag id;
    if (!readTag(source, id))
        return 0;
    // RF64 puts its 64-bit sizes first. The data is taken up to the end of the
    // file in either container, so they are only checked for being there.
    if (rf64) {
        std::uint32_t size;
        if (id != kDs64 || !readU32(source, size) || size < 28 ||
            !seekWithin(source, source.tell() + size, fileLength) || !readTag(source, id))
            return 0;
    }
    // Only padding may stand before the format chunk (the room a writer keeps
    // for a ds64 chunk); any other chunk there makes the file unreadable.
    while (id == kJunk) {
        std::uint32_t size;
        if (!readU32(source, size) || !seekWithin(source, source.tell() + size, fileLength) ||
            !readTag(source, id))
            return 0;
    }
    if (id != kFmt)
        return 0;

    std::uint32_t formatSize, formatTag, channels, rate, byteRate, blockAlign, bits;
    if (!readU32(source, formatSize) || !readU16(source, formatTag) || !readU16(source, channels) ||
        !readU32(source, rate) || !readU32(source, byteRate) || !readU16(source, blockAlign) ||
        !readU16(source, bits))
        return 0;
    // A format chunk shorter than its own fields would send the walk backwards.
    if (formatSize < 16)
        return 0;
    SampleEncoding encoding;
    std::uint32_t formatRead = 16;
    if (formatTag == kTagExtensible) {
        if (!readExtensible(source, formatSize, encoding))
            return 0;
        formatRead = 40;
    } else if (!encodingOf(formatTag, encoding)) {
        return 0;
    }
    if (!seekWithin(source, source.tell() + formatSize - formatRead, fileLength))
        return 0;

    // Every step moves forward by at least the 8 bytes of a chunk head and stays
    // inside the file, so the walk ends.
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
    parsed.encoding = encoding;
    if (rate > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max()))
        return 0;
    parsed.samplesPerSecond = static_cast<std::int32_t>(rate);
    // Floats come in two widths only; any other would be read as noise.
    if (isFloat(parsed) && parsed.bitsPerSample != 32 && parsed.bitsPerSample != 64)
        return 0;
    if (!usable(parsed, fileLength - dataOffset))
        return 0;
    format = parsed;
    return dataOffset;
}

namespace {

void put64(std::uint8_t* at, std::uint64_t value) {
    for (int i = 0; i < 8; ++i)
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Wider samples get WAVE_FORMAT_EXTENSIBLE, which names their encoding
// unambiguously and says which speaker each channel feeds.
bool extensible(const WaveFormat& format) {
    return format.bitsPerSample > 16;
}

// The usual speaker layouts: mono is front centre, then stereo, 3.0, quad, 5.0,
// 5.1, 6.1 and 7.1. Other counts name no speakers.
std::uint32_t speakerMask(std::int32_t channels) {
    constexpr std::uint32_t kMasks[] = {0, 0x4, 0x3, 0x7, 0x33, 0x37, 0x3F, 0x70F, 0x63F};
    return channels >= 0 && channels < 9 ? kMasks[channels] : 0;
}

std::uint32_t size32(std::int64_t size) {
    return size > 0xFFFFFFFFll ? 0xFFFFFFFFu : static_cast<std::uint32_t>(size);
}

} // namespace

std::int64_t headerSize(const WaveFormat& format, HeaderRoom room) {
    return 12 + (room == HeaderRoom::Rf64 ? kDs64Chunk : 0) +
           (extensible(format) ? kExtensibleFormatChunk : kPlainFormatChunk) + 8;
}

bool needsRf64(std::int64_t headerBytes, std::int64_t dataBytes) {
    return headerBytes - 8 + dataBytes > 0xFFFFFFFFll;
}

std::int64_t writeHeader(ByteWriter& target, const WaveFormat& format, std::int64_t dataBytes,
                         HeaderRoom room) {
    const auto align = static_cast<std::uint32_t>(frameSize(format));
    const auto rate = static_cast<std::uint32_t>(format.samplesPerSecond);
    const std::int64_t size = headerSize(format, room);
    dataBytes = std::max<std::int64_t>(dataBytes, 0);
    const std::int64_t riffSize = size - 8 + dataBytes;
    const bool rf64 = room == HeaderRoom::Rf64 && needsRf64(size, dataBytes);

    std::uint8_t header[128] = {};
    std::uint8_t* at = header;
    std::memcpy(at, (rf64 ? kRf64 : kRiff).data(), 4);
    put32(at + 4, rf64 ? 0xFFFFFFFFu : size32(riffSize));
    std::memcpy(at + 8, kWave.data(), 4);
    at += 12;
    if (room == HeaderRoom::Rf64) {
        std::memcpy(at, (rf64 ? kDs64 : kJunk).data(), 4);
        put32(at + 4, 28);
        if (rf64) {
            put64(at + 8, static_cast<std::uint64_t>(riffSize));
            put64(at + 16, static_cast<std::uint64_t>(dataBytes));
            put64(at + 24, static_cast<std::uint64_t>(align > 0 ? dataBytes / align : 0));
            // No table of other large chunks (bytes 32..35 stay 0).
        }
        at += kDs64Chunk;
    }
    const bool wide = extensible(format);
    std::memcpy(at, kFmt.data(), 4);
    put32(at + 4, wide ? 40 : 16);
    put16(at + 8, wide ? kTagExtensible : kTagPcm);
    put16(at + 10, static_cast<std::uint32_t>(format.channels));
    put32(at + 12, rate);
    put32(at + 16, rate * align);
    put16(at + 20, align);
    put16(at + 22, static_cast<std::uint32_t>(format.bitsPerSample));
    at += kPlainFormatChunk;
    if (wide) {
        put16(at, 22);
        put16(at + 2, static_cast<std::uint32_t>(format.bitsPerSample));
        put32(at + 4, speakerMask(format.channels));
        put16(at + 8, isFloat(format) ? kTagFloat : kTagPcm);
        std::memcpy(at + 10, kGuidTail, sizeof kGuidTail);
        at += kExtensibleFormatChunk - kPlainFormatChunk;
    }
    std::memcpy(at, kData.data(), 4);
    put32(at + 4, rf64 ? 0xFFFFFFFFu : size32(dataBytes));

    target.seek(0, 1);
    target.write(header, static_cast<std::int32_t>(size));
    return target.tell();
}

std::int64_t writeHeader(ByteWriter& target, const WaveFormat& format, std::int32_t frames) {
    const std::int64_t dataBytes = static_cast<std::int64_t>(frames < 0 ? 0 : frames) *
                                   static_cast<std::uint32_t>(frameSize(format));
    return writeHeader(target, format, dataBytes, HeaderRoom::Riff);
}

} // namespace sundra
