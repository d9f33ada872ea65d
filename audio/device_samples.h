#pragma once
// The samples a sound device is given for those of a source. Devices take 8-,
// 16-, 24- and 32-bit integers and 32-bit floats as they are; 64-bit floats
// have no device format and are played as 32-bit floats, each sample rounded to
// the nearest single (beyond its range it becomes an infinity, as NaN stays
// NaN). Frames stay frames, only their bytes differ, so positions, lengths and
// levels remain those of the source. Only playback converts.

#include "core/wave_format.h"

#include <cstdint>

namespace sundra {

// The format the device is opened in for a source of format source.
WaveFormat deviceFormatOf(const WaveFormat& source);

// True when the device takes the source's bytes as they are.
bool playsAsItIs(const WaveFormat& source);

// Bytes the device gets for byteCount bytes of source samples. A converted
// format counts whole samples only.
std::int32_t deviceBytesOf(const WaveFormat& source, std::int32_t byteCount);

// Writes the device's form of byteCount bytes of source samples to out, which
// has room for deviceBytesOf(source, byteCount) bytes; returns that count.
std::int32_t toDeviceSamples(const WaveFormat& source, const std::uint8_t* samples,
                             std::int32_t byteCount, std::uint8_t* out);

} // namespace sundra
