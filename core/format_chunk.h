#pragma once
// The "fmt " chunk of a WAV file made into a WaveFormat, or refused with the
// reason a user is told. Only what some recorder writes is taken: plain PCM,
// IEEE float and WAVE_FORMAT_EXTENSIBLE of either, 1 to 64 channels, 1 Hz to
// 768 kHz, and no more bytes per second than 64 channels of 32-bit samples at
// 96 kHz: every buffer the program sizes from a format (one second at most)
// stays within that, whatever a header says.
//
// A frame is the format's block align. Each sample fills the container that
// block align gives it (the bits rounded up to whole bytes); fewer valid bits
// than the container holds (12 in 16, 20 in 24, 24 in 32) are kept as the
// format's validBits. The container must be one of the sample shapes.

#include "core/byte_stream.h"
#include "core/wave_format.h"

#include <cstdint>
#include <string>

namespace sundra {

inline constexpr std::uint32_t kMaxChannels = 64;
inline constexpr std::uint32_t kMaxSampleRate = 768000;
inline constexpr std::uint64_t kMaxBytesPerSecond = 64ull * 96000 * 4;

// Reads the body of a format chunk of size bytes from the current position and
// fills format. Returns an empty text when the format is taken, otherwise why
// it is not (format is then left alone). The position afterwards lies inside
// the chunk; the caller moves on by the chunk's size.
std::string readFormatChunk(ByteReader& source, std::uint32_t size, WaveFormat& format);

} // namespace sundra
