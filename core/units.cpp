#include "core/units.h"

#include "core/level_scans.h"
#include "core/sample_shape.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace sundra {

namespace {

std::int32_t saturate(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

// Frames that lie wholly inside both the used and the allocated bytes, so that a
// buffer whose used count is out of bounds is never read past its end.
std::int32_t readableFrames(const SampleBuffer& buffer) {
    const std::int32_t size = frameSize(buffer.format);
    if (size <= 0 || buffer.data == nullptr) {
        return 0;
    }
    const std::int32_t bytes = std::clamp(buffer.used, 0, std::max(buffer.capacity, 0));
    return bytes / size;
}

constexpr double kLevel8 = 0x1.0p-7;   // 1 / 128
constexpr double kLevel16 = 0x1.0p-15; // 1 / 32768

bool hasLevels(const WaveFormat& format) {
    return sampleShape(format) != nullptr;
}

// Kept out of line so that sampleLevel stays as small as the 8- and 16-bit
// frame-by-frame scans need it to be inlined.
[[gnu::noinline]] double wideSampleLevel(const FrameView& frame, std::int32_t channel) {
    const WaveFormat& format = *frame.format;
    if (const SampleShape* shape = sampleShape(format)) {
        return shape->level(frame.bytes +
                            static_cast<std::ptrdiff_t>(channel) * (format.bitsPerSample / 8));
    }
    return 0.0;
}

const std::uint8_t* frameAt(const SampleBuffer& buffer, std::int32_t frame) {
    return buffer.data.get() + static_cast<std::ptrdiff_t>(frame) * frameSize(buffer.format);
}

struct FrameRange {
    std::int32_t first = 0;
    std::int32_t count = 0;
};

// The used frames [first, first + count), clipped to the readable ones.
FrameRange clipToReadable(const SampleBuffer& buffer, std::int32_t first, std::int32_t count) {
    const std::int64_t begin = std::max<std::int64_t>(first, 0);
    const std::int64_t end =
        std::min<std::int64_t>(std::int64_t{first} + std::max(count, 0), readableFrames(buffer));
    if (begin >= end) {
        return {};
    }
    return {static_cast<std::int32_t>(begin), static_cast<std::int32_t>(end - begin)};
}

// The frame level of every frame is the largest magnitude over its channels,
// so the largest over some frames is the largest over all their samples,
// whatever channel they belong to: the fast scans run over every sample.
double largestFrameLevel(const SampleBuffer& buffer, std::int32_t first, std::int32_t frames) {
    const WaveFormat& format = buffer.format;
    if (frames <= 0 || !hasLevels(format)) {
        return 0.0;
    }
    if (const MagnitudeScans* scans = magnitudeScans(format)) {
        return scans->everySample(frameAt(buffer, first), frames * format.channels);
    }
    double level = 0.0;
    for (std::int32_t i = first; i < first + frames; ++i) {
        const double frame = frameLevel(FrameView{frameAt(buffer, i), &format});
        if (frame > level) {
            level = frame;
        }
    }
    return level;
}

bool anyFrameAboveIn(const SampleBuffer& buffer, std::int32_t first, std::int32_t frames,
                     double threshold) {
    const WaveFormat& format = buffer.format;
    if (frames <= 0) {
        return false;
    }
    if (!hasLevels(format)) {
        return 0.0 > threshold; // every frame's level is 0.0
    }
    if (const MagnitudeScans* scans = magnitudeScans(format)) {
        return scans->anyAbove(frameAt(buffer, first), frames * format.channels, threshold);
    }
    for (std::int32_t i = first; i < first + frames; ++i) {
        if (frameLevel(FrameView{frameAt(buffer, i), &format}) > threshold) {
            return true;
        }
    }
    return false;
}

} // namespace

std::int32_t truncateToInt32(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= 2147483647.0) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (value <= -2147483648.0) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(value);
}

std::int32_t blockBytes(const WaveFormat& format, std::int32_t divisor) {
    const std::int64_t size = frameSize(format);
    if (size <= 0 || divisor <= 0) {
        return 0;
    }
    const std::int64_t q = std::int64_t{format.channels} * format.samplesPerSecond *
                           (format.bitsPerSample / 8) / divisor;
    return saturate(((q - 1) / size + 1) * size);
}

std::int32_t usedFrames(const SampleBuffer& buffer) {
    const std::int32_t size = frameSize(buffer.format);
    return size > 0 ? buffer.used / size : 0;
}

std::int32_t capacityFrames(const SampleBuffer& buffer) {
    const std::int32_t size = frameSize(buffer.format);
    return size > 0 ? buffer.capacity / size : 0;
}

std::int32_t wholeSeconds(std::int32_t frames, const WaveFormat& format) {
    return format.samplesPerSecond > 0 ? frames / format.samplesPerSecond : 0;
}

std::int32_t currentSeconds(const SampleStream& stream) {
    if (stream.length() == 0) {
        return 0;
    }
    return wholeSeconds(stream.tell(), stream.format());
}

std::string clock(std::int64_t seconds) {
    const long long hours = seconds / 3600 - (seconds / 86400) * 24;
    const long long minutes = seconds / 60 - (seconds / 3600) * 60;
    const long long rest = seconds % 60;
    char text[64];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", hours, minutes, rest);
    return text;
}

double positionRatio(const SampleStream& stream) {
    const std::int32_t length = stream.length();
    if (length == 0) {
        return 0.0;
    }
    return static_cast<double>(stream.tell()) / static_cast<double>(length);
}

std::int32_t positionBar(const SampleStream& stream) {
    return truncateToInt32(positionRatio(stream) * 1000.0);
}

std::int32_t frameAtRatio(const SampleStream& stream, double x) {
    if (!(x >= 0.0)) {
        x = 0.0;
    } else if (x > 1.0) {
        x = 1.0;
    }
    return truncateToInt32(static_cast<double>(stream.length()) * x);
}

double sampleLevel(const FrameView& frame, std::int32_t channel) {
    const WaveFormat& format = *frame.format;
    if (channel < 0 || channel >= format.channels) {
        return 0.0;
    }
    if (format.bitsPerSample == 8) {
        return (frame.bytes[channel] - 128) * kLevel8;
    }
    if (format.bitsPerSample == 16) {
        const std::uint8_t* p = frame.bytes + static_cast<std::ptrdiff_t>(channel) * 2;
        const auto sample = static_cast<std::int16_t>(p[0] | (p[1] << 8));
        return sample * kLevel16;
    }
    return wideSampleLevel(frame, channel);
}

double frameLevel(const FrameView& frame) {
    double level = 0.0;
    for (std::int32_t c = 0; c < frame.format->channels; ++c) {
        const double magnitude = std::fabs(sampleLevel(frame, c));
        if (magnitude > level) {
            level = magnitude;
        }
    }
    return level;
}

double channelPeak(const SampleBuffer& buffer, std::int32_t channel) {
    const WaveFormat& format = buffer.format;
    const std::int32_t frames = readableFrames(buffer);
    if (channel < 0 || channel >= format.channels || !hasLevels(format)) {
        return 0.0;
    }
    if (const MagnitudeScans* scans = magnitudeScans(format)) {
        if (format.channels == 1) {
            return scans->everySample(buffer.data.get(), frames);
        }
        if (format.channels == 2) {
            return scans->stereoChannel[channel](buffer.data.get(), frames);
        }
    }
    double peak = 0.0;
    for (std::int32_t i = 0; i < frames; ++i) {
        const double magnitude =
            std::fabs(sampleLevel(FrameView{frameAt(buffer, i), &format}, channel));
        if (magnitude > peak) {
            peak = magnitude;
        }
    }
    return peak;
}

double blockLevel(const SampleBuffer& buffer) {
    return largestFrameLevel(buffer, 0, readableFrames(buffer));
}

double blockLevel(const SampleBuffer& buffer, std::int32_t first, std::int32_t count) {
    const FrameRange range = clipToReadable(buffer, first, count);
    return largestFrameLevel(buffer, range.first, range.count);
}

bool anyFrameAbove(const SampleBuffer& buffer, double threshold) {
    return anyFrameAboveIn(buffer, 0, readableFrames(buffer), threshold);
}

bool anyFrameAbove(const SampleBuffer& buffer, std::int32_t first, std::int32_t count,
                   double threshold) {
    const FrameRange range = clipToReadable(buffer, first, count);
    return anyFrameAboveIn(buffer, range.first, range.count, threshold);
}

} // namespace sundra
