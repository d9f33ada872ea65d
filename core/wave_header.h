#pragma once
// Reading and writing the RIFF/WAVE header. The parser is lenient (only the
// three identifiers at the front are checked and everything from the data chunk
// to the end of the file counts as samples) but safe: it never runs past the end
// of the file and refuses a frame size of 0 or a frame count beyond 32 bits.

#include "core/byte_stream.h"
#include "core/wave_format.h"

#include <cstdint>

namespace sundra {

// Size of the canonical header this program writes.
inline constexpr std::int64_t kCanonicalHeaderSize = 44;

// Returns the offset of the first sample byte, or 0 when the header is refused;
// on success fills format and leaves the source positioned at the first sample.
std::int64_t parseHeader(ByteReader& source, WaveFormat& format);

// Writes the canonical 44-byte header for frames frames at the start of target
// and leaves the position after it. Returns that position (44).
std::int64_t writeHeader(ByteWriter& target, const WaveFormat& format, std::int32_t frames);

} // namespace sundra
