#pragma once
// The sample shapes the program has levels for: how the bytes of one sample
// give its level on a full scale of 1.0, how a level is stored back as bytes,
// and the shape's name. One table serves the level scans, the header parser and
// writer, the file information and the test-album generator.
//
//   8-bit integer   unsigned byte b      (b - 128) / 128
//   16-bit integer  signed s             s / 32768
//   24-bit integer  signed s             s / 2^23
//   32-bit integer  signed s             s / 2^31
//   32-bit float    IEEE single v        v
//   64-bit float    IEEE double v        v
// All little-endian.

#include "core/wave_format.h"

#include <cstdint>
#include <string>

namespace sundra {

struct SampleShape {
    SampleEncoding encoding;
    std::int32_t bits;
    // The level of the sample whose first byte is at sample.
    double (*level)(const std::uint8_t* sample);
    // Stores value (clipped to the shape's range, integers rounded to nearest)
    // at sample.
    void (*store)(double value, std::uint8_t* sample);
};

// The shape of format's samples, or null for a width without levels (those
// samples read 0.0). Samples with fewer valid bits than their container have
// the container's shape: their unused low bits are zero.
const SampleShape* sampleShape(const WaveFormat& format);

// "24-bit integer", "32-bit float", "20-bit integer in 24 bits": what the user
// is told about a format.
std::string sampleFormatName(const WaveFormat& format);

} // namespace sundra
