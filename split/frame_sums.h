#pragma once
// The sums a loudness envelope is made of, over a run of frames: each channel's
// sum of sample values and the sum of the squares of every sample, on a full
// scale of 1.0. From them the energy about the run's own mean follows, which is
// what the ear hears of it: a DC offset and the slow swing of rumble drop out.
// 16- and 24-bit integers are summed exactly in integers (16-bit stereo, the
// usual transfer, with AVX2 where the machine has it); the other shapes
// through their level, in double.

#include "core/wave_format.h"

#include <cstdint>
#include <vector>

namespace sundra {

struct FrameSums {
    std::vector<double> channelSums; // one per channel
    double squares = 0.0;            // over every sample of every channel
    std::int32_t frames = 0;

    explicit FrameSums(std::int32_t channels) : channelSums(static_cast<std::size_t>(channels)) {}
    void clear();
    // Energy about each channel's mean, summed over the channels:
    // squares - sum over channels of channelSum^2 / frames; never below 0.
    double energyAboutMean() const;
};

// Adds frames frames of format starting at bytes to sums.
void addFrameSums(const std::uint8_t* bytes, std::int32_t frames, const WaveFormat& format,
                  FrameSums& sums);

} // namespace sundra
