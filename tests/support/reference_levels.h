#pragma once
// The level rules written out plainly, from the bytes and without a shortcut,
// for the tests that hold the program's scans against them: a sample's signed
// level on a full scale of 1.0, and a frame's level, the largest magnitude over
// its channels. Every exactness test of the levels and of the split takes its
// rule from here.

#include "core/wave_format.h"

#include <cstdint>

namespace sundra::test {

// Channel c of the frame at frame; 0.0 for a channel the format lacks and for
// widths without a level.
double referenceSampleLevel(const std::uint8_t* frame, const WaveFormat& format,
                            std::int32_t channel);

// max over the channels of |referenceSampleLevel|, starting from 0.0 (so a NaN
// sample adds nothing).
double referenceFrameLevel(const std::uint8_t* frame, const WaveFormat& format);

// Writes level (exact at 8, 16, 24 and 32 bits for multiples of 2^-(bits-1)
// from -1.0 up) as channel c of the frame at frame.
void putReferenceSample(std::uint8_t* frame, const WaveFormat& format, std::int32_t channel,
                        double level);

} // namespace sundra::test
