#pragma once
// Curves over an envelope's windows, in decibels: the level of every window,
// and the running statistics that the gap detection reads them through (a
// running median that a click cannot move, running extremes over a stretch).

#include "split/loudness_envelope.h"

#include <cstdint>
#include <vector>

namespace sundra {

// The level that stands for digital silence (a power of exactly 0): far below
// anything a sample can hold, so that it sorts below every real level.
inline constexpr double kSilenceDb = -400.0;

// 10 log10 of each window's power (dBFS of its RMS), kSilenceDb for 0.
std::vector<float> levelsDb(const LoudnessEnvelope& envelope);

// The median of each value with its (width - 1) / 2 neighbours on either side
// (fewer at the ends, where the window is cut short).
std::vector<float> runningMedian(const std::vector<float>& values, std::int32_t width);

// The largest and the smallest of values[i, i + width), cut short at the end.
std::vector<float> runningMaxAhead(const std::vector<float>& values, std::int32_t width);
std::vector<float> runningMinAhead(const std::vector<float>& values, std::int32_t width);
std::vector<float> runningMinAround(const std::vector<float>& values, std::int32_t radius);

// The value below which the given fraction of values lies (0: the smallest).
float quantile(std::vector<float> values, double fraction);

} // namespace sundra
