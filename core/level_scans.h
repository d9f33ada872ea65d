#pragma once
// The fast paths of the level scans in core/units: for the sample shapes that
// have one, the largest magnitude over a run of samples (every sample of a
// buffer, or one channel of stereo frames). Each gives exactly the largest
// |sampleLevel| in double, starting from 0.0; the integer ones reduce the raw
// samples to their lowest and highest value first (loops the compiler
// vectorises) and take the magnitude of those two. Only units.cpp uses them.

#include "core/wave_format.h"

#include <cstdint>

namespace sundra {

struct MagnitudeScans {
    // The largest magnitude of `samples` consecutive samples.
    double (*everySample)(const std::uint8_t* bytes, std::int32_t samples);
    // Whether some sample's magnitude is strictly greater than threshold;
    // stops soon after the first.
    bool (*anyAbove)(const std::uint8_t* bytes, std::int32_t samples, double threshold);
    // The largest magnitude of channel 0 or 1 over `frames` stereo frames.
    double (*stereoChannel[2])(const std::uint8_t* bytes, std::int32_t frames);
};

// The fast paths of format's sample shape; null when it has none (or on a
// host that is not little-endian).
const MagnitudeScans* magnitudeScans(const WaveFormat& format);

} // namespace sundra
