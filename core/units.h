#pragma once
// The conversions that every display, block size and level threshold shares:
// block sizes of 1/d second, clock texts of whole seconds, the 0..1000 position
// bar, and signed sample levels on a full scale of 1.0. Only 8-bit (unsigned)
// and 16-bit (signed little-endian) samples have a level; other widths read 0.0.
// Results are exactly those of the double-precision definitions; the 8- and
// 16-bit mono and stereo level paths are written so the compiler vectorises them.

#include "core/sample_buffer.h"
#include "core/sample_stream.h"
#include "core/wave_format.h"

#include <cstdint>
#include <string>

namespace sundra {

// Sizes.
// Bytes of one d-th of a second, rounded up to whole frames.
std::int32_t blockBytes(const WaveFormat& format, std::int32_t divisor);
std::int32_t usedFrames(const SampleBuffer& buffer);
std::int32_t capacityFrames(const SampleBuffer& buffer);

// Time.
std::int32_t wholeSeconds(std::int32_t frames, const WaveFormat& format);
// 0 for an empty stream, else tell() / samplesPerSecond.
std::int32_t currentSeconds(const SampleStream& stream);
// "%H:%M:%S" of whole seconds; hours wrap after 23.
std::string clock(std::int64_t seconds);
// tell() / length() in double; 0.0 for an empty stream.
double positionRatio(const SampleStream& stream);
// positionRatio x 1000, truncated: 0..1000.
std::int32_t positionBar(const SampleStream& stream);
// length() x clamp(x, 0, 1) truncated; NaN counts as below 0.
std::int32_t frameAtRatio(const SampleStream& stream, double x);

// Levels.
struct FrameView {
    const std::uint8_t* bytes;
    const WaveFormat* format;
};
// Level of channel c in one frame; 0.0 for a channel the format does not have.
double sampleLevel(const FrameView& frame, std::int32_t channel);
// Mean over the frame's channels of their levels, summed in channel order.
double frameMean(const FrameView& frame);
// Largest level of channel c over the used frames, never below 0.0.
double channelPeak(const SampleBuffer& buffer, std::int32_t channel);
// Largest frameMean over the used frames, never below 0.0 (the block level).
double meanPeak(const SampleBuffer& buffer);
// True when some used frame's frameMean is strictly greater than threshold.
bool anyFrameAbove(const SampleBuffer& buffer, double threshold);
// The same over the used frames [first, first + count) only; the range is
// clipped to the used frames, so an empty or outside range is never above.
bool anyFrameAbove(const SampleBuffer& buffer, std::int32_t first, std::int32_t count,
                   double threshold);

} // namespace sundra
