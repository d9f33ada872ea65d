#pragma once
// Reading and writing the RIFF/WAVE header.
//
// The reader walks the chunks as other programs write them: any chunks may
// stand before and after the format chunk (Broadcast Wave files put "bext"
// first), odd-sized chunks are followed by RIFF's pad byte (or, where a writer
// left it out, by the next chunk at once), and the data chunk's size says where
// the samples end when it is plausible. When it is 0 or 0xFFFFFFFF, reaches
// past the end of the file, or is followed by bytes that are no chunk, the
// header was never finished (a recording cut short by a crash): every byte to
// the end of the file is then a sample. It reads plain PCM, IEEE float and
// WAVE_FORMAT_EXTENSIBLE (see format_chunk.h), in RIFF files and in RF64 files
// (64-bit sizes in a ds64 chunk, for data of 4 GiB and more). Whatever it
// refuses, it says why.
//
// The writer lays down the smallest header that describes the format: the
// canonical 44 bytes for 8- and 16-bit samples, WAVE_FORMAT_EXTENSIBLE (68
// bytes, with the speaker mask of the channel count) for wider ones and for
// samples with fewer valid bits than their container. A Broadcast Wave record
// goes between the format and the data. A writer that may pass 4 GiB keeps a
// 36-byte JUNK chunk in front of the format chunk, which becomes the ds64 chunk
// of an RF64 header once the sizes no longer fit 32 bits.

#include "core/broadcast_info.h"
#include "core/byte_stream.h"
#include "core/wave_format.h"

#include <cstdint>
#include <optional>
#include <string>

namespace sundra {

// Size of the canonical header this program writes for 8- and 16-bit samples.
inline constexpr std::int64_t kCanonicalHeaderSize = 44;

// What the header walk found in a file.
struct WaveHeader {
    WaveFormat format;
    // The first sample byte; 0 when the header gave no format and data.
    std::int64_t dataOffset = 0;
    // The sample bytes the data chunk holds, or kToEndOfFile.
    std::int64_t dataBytes = 0;
    std::optional<BroadcastInfo> broadcast;
    // Why the file cannot be worked on; empty when it can. A file too long for
    // the program's frame counts has its format and data and a refusal.
    std::string refusal;

    static constexpr std::int64_t kToEndOfFile = -1;

    bool accepted() const { return dataOffset != 0 && refusal.empty(); }
    // The sample bytes of a file of fileLength bytes.
    std::int64_t sampleBytes(std::int64_t fileLength) const;
    // Whole frames in a file of fileLength bytes.
    std::int64_t frames(std::int64_t fileLength) const;
};

// Walks the header of source from byte 0 and leaves the position at the first
// sample byte when it finds one.
WaveHeader readWaveHeader(ByteReader& source);

// Returns the offset of the first sample byte, or 0 when the header is refused;
// on success fills format and leaves the source positioned at the first sample.
std::int64_t parseHeader(ByteReader& source, WaveFormat& format);

// What a writer's header holds besides the format: whether it keeps room for
// the 64-bit sizes of RF64.
enum class HeaderRoom { Riff, Rf64 };

// The size of the header writeHeader lays down for format.
std::int64_t headerSize(const WaveFormat& format, HeaderRoom room,
                        const BroadcastInfo* broadcast = nullptr);

// True when a file of that header and data size cannot give its sizes in the
// 32 bits of a RIFF header.
bool needsRf64(std::int64_t headerBytes, std::int64_t dataBytes);

// Writes the header for dataBytes of samples at the start of target and leaves
// the position after it; returns that position. With HeaderRoom::Rf64 the
// header is RF64 when the sizes need it and RIFF with a JUNK chunk otherwise.
// Without that room, sizes that do not fit are written as 0xFFFFFFFF (read by
// most programs as "up to the end of the file"). A broadcast record is written
// as a bext chunk.
std::int64_t writeHeader(ByteWriter& target, const WaveFormat& format, std::int64_t dataBytes,
                         HeaderRoom room, const BroadcastInfo* broadcast = nullptr);

// The header for frames frames (the canonical 44 bytes for 8/16-bit samples).
std::int64_t writeHeader(ByteWriter& target, const WaveFormat& format, std::int32_t frames);

} // namespace sundra
