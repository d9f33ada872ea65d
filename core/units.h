#pragma once
// The conversions that every display, block size and level threshold shares:
// block sizes of 1/d second, clock texts of whole seconds, the 0..1000 position
// bar, and sample levels on a full scale of 1.0. Every shape of
// core/sample_shape.h has a level (8-bit unsigned, 16/24/32-bit signed
// integers, 32/64-bit floats); other widths read 0.0.
//
// A sample's level is signed; every judgement of loudness takes magnitudes.
// A frame is as loud as its loudest channel in either direction, so two
// channels swinging in opposite directions (wide stereo) or a lopsided waveform
// count fully, and -1.0 is as loud as it gets. Results are exactly those of the
// double-precision definitions; the scans take shortcuts per sample shape
// (core/level_scans.h).

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
// Truncation toward zero that stays defined outside the int32 range: it
// saturates there, and NaN gives 0.
std::int32_t truncateToInt32(double value);

std::int32_t positionBar(const SampleStream& stream);
// length() x clamp(x, 0, 1) truncated; NaN counts as below 0.
std::int32_t frameAtRatio(const SampleStream& stream, double x);

// Levels.
struct FrameView {
    const std::uint8_t* bytes;
    const WaveFormat* format;
};
// Signed level of channel c in one frame; 0.0 for a channel the format does
// not have.
double sampleLevel(const FrameView& frame, std::int32_t channel);
// The level of a frame: the largest magnitude |sampleLevel| over its channels
// (NaN samples pass unnoticed), never below 0.0.
double frameLevel(const FrameView& frame);
// Largest magnitude of channel c over the used frames, never below 0.0 (what
// the meters show).
double channelPeak(const SampleBuffer& buffer, std::int32_t channel);
// The block level: the largest frameLevel over the used frames, 0.0 for none.
double blockLevel(const SampleBuffer& buffer);
// True when some used frame's frameLevel is strictly greater than threshold.
bool anyFrameAbove(const SampleBuffer& buffer, double threshold);
// The same over the used frames [first, first + count) only; the range is
// clipped to the used frames, so an empty or outside range is never above.
bool anyFrameAbove(const SampleBuffer& buffer, std::int32_t first, std::int32_t count,
                   double threshold);
// blockLevel over the used frames [first, first + count) only, clipped as
// above; 0.0 for an empty range.
double blockLevel(const SampleBuffer& buffer, std::int32_t first, std::int32_t count);

} // namespace sundra
