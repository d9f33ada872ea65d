#include "core/wave_header.h"

#include "core/duration_text.h"
#include "core/format_chunk.h"
#include "core/riff_fields.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

namespace sundra {

namespace {

using riff::Tag;
using riff::tag;

constexpr Tag kRiff = tag("RIFF");
constexpr Tag kRf64 = tag("RF64");
constexpr Tag kBw64 = tag("BW64"); // the same layout under the broadcast name
constexpr Tag kWave = tag("WAVE");
constexpr Tag kDs64 = tag("ds64");
constexpr Tag kJunk = tag("JUNK");
constexpr Tag kFmt = tag("fmt ");
constexpr Tag kBext = tag("bext");
constexpr Tag kData = tag("data");

using riff::kGuidTail;
using riff::kTagExtensible;
using riff::kTagFloat;
using riff::kTagPcm;

// Bytes of the chunks this program writes.
constexpr std::int64_t kPlainFormatChunk = 8 + 16;
constexpr std::int64_t kExtensibleFormatChunk = 8 + 40;
constexpr std::int64_t kDs64Chunk = 8 + 28;

const char kNotWav[] = "The file is not a WAV file.";
const char kEndsInHeader[] = "The file ends inside its header.";
const char kNoFormat[] = "The file has no format chunk before its samples.";
const char kNoData[] = "The file has no sample data.";
const char kNoRf64Sizes[] = "The file's RF64 sizes are missing.";

struct ChunkHead {
    Tag id;
    std::uint32_t size;
};

// The chunk head at position at; false when fewer than its 8 bytes are left.
bool headAt(ByteReader& source, std::int64_t at, std::int64_t fileLength, ChunkHead& head) {
    if (at < 0 || at + 8 > fileLength)
        return false;
    source.seek(at, 1);
    return riff::readTag(source, head.id) && riff::readU32(source, head.size);
}

// Whether a chunk that some writer meant begins at at: a printable identifier
// and a size that fits the file. Before the samples, a data chunk's size may
// be anything (an unfinished recording leaves it wrong).
enum class DataSize { MayOverrun, MustFit };
bool chunkAt(ByteReader& source, std::int64_t at, std::int64_t fileLength, DataSize data) {
    ChunkHead head;
    if (!headAt(source, at, fileLength, head) || !riff::printable(head.id))
        return false;
    return (data == DataSize::MayOverrun && head.id == kData) ||
           at + 8 + static_cast<std::int64_t>(head.size) <= fileLength;
}

// Where the chunk after one that ends at end begins. An odd size is followed
// by a pad byte, unless the writer left it out and the next chunk starts at
// once.
std::int64_t nextChunk(ByteReader& source, std::int64_t end, bool oddSize, std::int64_t fileLength,
                       DataSize data) {
    if (oddSize && !chunkAt(source, end + 1, fileLength, data) &&
        chunkAt(source, end, fileLength, data))
        return end;
    return end + (oddSize ? 1 : 0);
}

// Whether the bytes at at are a tag that a tagger appended to the file without
// a chunk around it (ID3v2, or the 128 bytes of ID3v1).
bool bareTagAt(ByteReader& source, std::int64_t at, std::int64_t fileLength) {
    std::uint8_t start[3];
    source.seek(at, 1);
    if (at + 3 > fileLength || !riff::readExactly(source, start, 3))
        return false;
    return std::memcmp(start, "ID3", 3) == 0 ||
           (std::memcmp(start, "TAG", 3) == 0 && fileLength - at == 128);
}

// The sample bytes of a data chunk whose body begins at body. The declared
// size holds when a chunk (or a tag) follows the samples it counts; otherwise
// the header was not finished and the samples run to the end of the file.
std::int64_t dataExtent(ByteReader& source, std::int64_t body, std::uint64_t declared,
                        std::int64_t fileLength) {
    const auto remaining = static_cast<std::uint64_t>(fileLength - body);
    if (declared == 0 || declared == 0xFFFFFFFFu || declared >= remaining)
        return WaveHeader::kToEndOfFile;
    const std::int64_t end = body + static_cast<std::int64_t>(declared);
    const bool odd = declared % 2 == 1;
    if (odd && remaining - declared == 1)
        return static_cast<std::int64_t>(declared); // only the pad byte follows
    const std::int64_t next = nextChunk(source, end, odd, fileLength, DataSize::MustFit);
    if (chunkAt(source, next, fileLength, DataSize::MustFit) || bareTagAt(source, next, fileLength))
        return static_cast<std::int64_t>(declared);
    return WaveHeader::kToEndOfFile;
}

std::string tooLong(const WaveFormat& format, std::int64_t frames) {
    const std::int64_t rate = format.samplesPerSecond;
    return "The file lasts " + durationText(frames / rate) + "; at " + std::to_string(rate) +
           " Hz the program opens at most " +
           durationText(std::numeric_limits<std::int32_t>::max() / rate) + ".";
}

WaveHeader refused(std::string reason) {
    WaveHeader header;
    header.refusal = std::move(reason);
    return header;
}

} // namespace

std::int64_t WaveHeader::sampleBytes(std::int64_t fileLength) const {
    if (dataOffset == 0)
        return 0;
    return dataBytes == kToEndOfFile ? std::max<std::int64_t>(fileLength - dataOffset, 0)
                                     : dataBytes;
}

std::int64_t WaveHeader::frames(std::int64_t fileLength) const {
    const std::int64_t frame = frameSize(format);
    return frame > 0 ? sampleBytes(fileLength) / frame : 0;
}

WaveHeader readWaveHeader(ByteReader& source) {
    const std::int64_t fileLength = source.length();
    source.seek(0, 1);
    Tag container, wave;
    std::uint32_t riffSize;
    if (!riff::readTag(source, container) ||
        (container != kRiff && container != kRf64 && container != kBw64))
        return refused(kNotWav);
    if (!riff::readU32(source, riffSize) || !riff::readTag(source, wave))
        return refused(kEndsInHeader);
    if (wave != kWave)
        return refused(kNotWav);
    const bool rf64 = container != kRiff;

    WaveHeader header;
    bool haveFormat = false;
    std::uint64_t rf64DataBytes = 0xFFFFFFFFu;
    // Every step moves forward by at least the 8 bytes of a chunk head and
    // stays inside the file, so the walk ends.
    for (std::int64_t at = 12;;) {
        ChunkHead head;
        if (!headAt(source, at, fileLength, head))
            return refused(at < fileLength ? kEndsInHeader : haveFormat ? kNoData : kNoFormat);
        const std::int64_t body = at + 8;
        // RF64 puts its 64-bit sizes first.
        if (rf64 && at == 12 && (head.id != kDs64 || head.size < 28))
            return refused(kNoRf64Sizes);
        if (head.id == kData) {
            if (!haveFormat)
                return refused(kNoFormat);
            const std::uint64_t declared =
                rf64 && head.size == 0xFFFFFFFFu ? rf64DataBytes : head.size;
            header.dataOffset = body;
            header.dataBytes = dataExtent(source, body, declared, fileLength);
            break;
        }
        const std::int64_t end = body + static_cast<std::int64_t>(head.size);
        if (end > fileLength)
            return refused(kEndsInHeader);
        source.seek(body, 1);
        if (head.id == kFmt && !haveFormat) {
            if (std::string problem = readFormatChunk(source, head.size, header.format);
                !problem.empty())
                return refused(problem);
            haveFormat = true;
        } else if (head.id == kBext && !header.broadcast) {
            std::vector<std::uint8_t> bytes(std::min(head.size, kMaxBroadcastChunkRead));
            if (!riff::readExactly(source, bytes.data(), static_cast<std::int32_t>(bytes.size())))
                return refused(kEndsInHeader);
            header.broadcast = parseBroadcastChunk(bytes);
        } else if (head.id == kDs64 && rf64 && at == 12) {
            std::uint64_t riffBytes;
            if (!riff::readU64(source, riffBytes) || !riff::readU64(source, rf64DataBytes))
                return refused(kEndsInHeader);
        }
        at = nextChunk(source, end, head.size % 2 == 1, fileLength, DataSize::MayOverrun);
    }

    const std::int64_t frames = header.frames(fileLength);
    if (frames > std::numeric_limits<std::int32_t>::max())
        header.refusal = tooLong(header.format, frames);
    source.seek(header.dataOffset, 1);
    return header;
}

std::int64_t parseHeader(ByteReader& source, WaveFormat& format) {
    const WaveHeader header = readWaveHeader(source);
    if (!header.accepted())
        return 0;
    format = header.format;
    return header.dataOffset;
}

namespace {

using riff::put16;
using riff::put32;
using riff::put64;

// Wider samples get WAVE_FORMAT_EXTENSIBLE, which names their encoding
// unambiguously and says which speaker each channel feeds; so do samples that
// fill only part of their container, which only it can say.
bool extensible(const WaveFormat& format) {
    return format.bitsPerSample > 16 || significantBits(format) < format.bitsPerSample;
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

std::int64_t headerSize(const WaveFormat& format, HeaderRoom room, const BroadcastInfo* broadcast) {
    const std::int64_t bext =
        broadcast ? 8 + static_cast<std::int64_t>(broadcastChunkBody(*broadcast).size()) : 0;
    return 12 + (room == HeaderRoom::Rf64 ? kDs64Chunk : 0) +
           (extensible(format) ? kExtensibleFormatChunk : kPlainFormatChunk) + bext + 8;
}

bool needsRf64(std::int64_t headerBytes, std::int64_t dataBytes) {
    return headerBytes - 8 + dataBytes > 0xFFFFFFFFll;
}

std::int64_t writeHeader(ByteWriter& target, const WaveFormat& format, std::int64_t dataBytes,
                         HeaderRoom room, const BroadcastInfo* broadcast) {
    const auto align = static_cast<std::uint32_t>(frameSize(format));
    const auto rate = static_cast<std::uint32_t>(format.samplesPerSecond);
    const std::vector<std::uint8_t> bext =
        broadcast ? broadcastChunkBody(*broadcast) : std::vector<std::uint8_t>{};
    const std::int64_t size = headerSize(format, room, broadcast);
    dataBytes = std::max<std::int64_t>(dataBytes, 0);
    const std::int64_t riffSize = size - 8 + dataBytes;
    const bool rf64 = room == HeaderRoom::Rf64 && needsRf64(size, dataBytes);

    std::vector<std::uint8_t> header(static_cast<std::size_t>(size), 0);
    std::uint8_t* at = header.data();
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
        put16(at + 2, static_cast<std::uint32_t>(significantBits(format)));
        put32(at + 4, speakerMask(format.channels));
        put16(at + 8, isFloat(format) ? kTagFloat : kTagPcm);
        std::memcpy(at + 10, kGuidTail, sizeof kGuidTail);
        at += kExtensibleFormatChunk - kPlainFormatChunk;
    }
    if (broadcast) {
        std::memcpy(at, kBext.data(), 4);
        put32(at + 4, static_cast<std::uint32_t>(bext.size()));
        std::copy(bext.begin(), bext.end(), at + 8);
        at += 8 + static_cast<std::int64_t>(bext.size());
    }
    std::memcpy(at, kData.data(), 4);
    put32(at + 4, rf64 ? 0xFFFFFFFFu : size32(dataBytes));

    target.seek(0, 1);
    target.write(header.data(), static_cast<std::int32_t>(size));
    return target.tell();
}

std::int64_t writeHeader(ByteWriter& target, const WaveFormat& format, std::int32_t frames) {
    const std::int64_t dataBytes = static_cast<std::int64_t>(frames < 0 ? 0 : frames) *
                                   static_cast<std::uint32_t>(frameSize(format));
    return writeHeader(target, format, dataBytes, HeaderRoom::Riff);
}

} // namespace sundra
