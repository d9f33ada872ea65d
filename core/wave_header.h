#pragma once
// Reading and writing the RIFF/WAVE header. The parser is lenient (everything
// from the data chunk to the end of the file counts as samples) but safe: it
// never runs past the end of the file and refuses a frame size of 0, a frame
// count beyond 32 bits, and sample encodings other than integers and floats.
// It reads plain PCM (tag 1), IEEE float (tag 3) and WAVE_FORMAT_EXTENSIBLE
// with either sub-format, in RIFF files and in RF64 files (64-bit sizes in a
// ds64 chunk, for data of 4 GiB and more).
//
// The writer lays down the smallest header that describes the format: the
// canonical 44 bytes for 8- and 16-bit samples, WAVE_FORMAT_EXTENSIBLE (68
// bytes, with the speaker mask of the channel count) for wider ones. A writer
// that may pass 4 GiB keeps a 36-byte JUNK chunk in front of the format chunk,
// which becomes the ds64 chunk of an RF64 header once the sizes no longer fit
// 32 bits.

#include "core/byte_stream.h"
#include "core/wave_format.h"

#include <cstdint>

namespace sundra {

// Size of the canonical header this program writes for 8- and 16-bit samples.
inline constexpr std::int64_t kCanonicalHeaderSize = 44;

// Returns the offset of the first sample byte, or 0 when the header is refused;
// on success fills format and leaves the source positioned at the first sample.
std::int64_t parseHeader(ByteReader& source, WaveFormat& format);

// What a writer's header holds besides the format: whether it keeps room for
// the 64-bit sizes of RF64.
enum class HeaderRoom { Riff, Rf64 };

// The size of the header writeHeader lays down for format.
std::int64_t headerSize(const WaveFormat& format, HeaderRoom room);

// True when a file of that header and data size cannot give its sizes in the
// 32 bits of a RIFF header.
bool needsRf64(std::int64_t headerBytes, std::int64_t dataBytes);

// Writes the header for dataBytes of samples at the start of target and leaves
// the position after it; returns that position. With HeaderRoom::Rf64 the
// header is RF64 when the sizes need it and RIFF with a JUNK chunk otherwise.
// Without that room, sizes that do not fit are written as 0xFFFFFFFF (read by
// most programs as "up to the end of the file").
std::int64_t writeHeader(ByteWriter& target, const WaveFormat& format, std::int64_t dataBytes,
                         HeaderRoom room);

// The header for frames frames (the canonical 44 bytes for 8/16-bit samples).
std::int64_t writeHeader(ByteWriter& target, const WaveFormat& format, std::int32_t frames);

} // namespace sundra
