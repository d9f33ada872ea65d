#include "tests/support/reference_levels.h"

#include <cmath>
#include <cstring>

namespace sundra::test {

double referenceSampleLevel(const std::uint8_t* frame, const WaveFormat& format,
                            std::int32_t channel) {
    if (channel < 0 || channel >= format.channels)
        return 0.0;
    const int width = format.bitsPerSample / 8;
    const std::uint8_t* bytes = frame + channel * width;
    if (isFloat(format)) {
        if (format.bitsPerSample == 32) {
            float value;
            std::memcpy(&value, bytes, 4);
            return value;
        }
        if (format.bitsPerSample == 64) {
            double value;
            std::memcpy(&value, bytes, 8);
            return value;
        }
        return 0.0;
    }
    if (format.bitsPerSample == 8)
        return (static_cast<int>(bytes[0]) - 128) / 128.0;
    if (format.bitsPerSample != 16 && format.bitsPerSample != 24 && format.bitsPerSample != 32)
        return 0.0;
    // Little-endian two's complement of width bytes.
    std::int64_t sample = 0;
    for (int b = width - 1; b >= 0; --b)
        sample = sample * 256 + bytes[b];
    const std::int64_t range = std::int64_t{1} << format.bitsPerSample;
    if (sample >= range / 2)
        sample -= range;
    return static_cast<double>(sample) / static_cast<double>(range / 2);
}

double referenceFrameLevel(const std::uint8_t* frame, const WaveFormat& format) {
    double level = 0.0;
    for (std::int32_t c = 0; c < format.channels; ++c) {
        const double magnitude = std::fabs(referenceSampleLevel(frame, format, c));
        if (magnitude > level)
            level = magnitude;
    }
    return level;
}

void putReferenceSample(std::uint8_t* frame, const WaveFormat& format, std::int32_t channel,
                        double level) {
    const int width = format.bitsPerSample / 8;
    std::uint8_t* bytes = frame + channel * width;
    if (isFloat(format)) {
        if (width == 4) {
            const auto single = static_cast<float>(level);
            std::memcpy(bytes, &single, 4);
        } else {
            std::memcpy(bytes, &level, 8);
        }
        return;
    }
    auto sample = static_cast<std::int64_t>(std::ldexp(level, format.bitsPerSample - 1));
    if (width == 1)
        sample += 128;
    for (int b = 0; b < width; ++b)
        bytes[b] = static_cast<std::uint8_t>(static_cast<std::uint64_t>(sample) >> (8 * b));
}

} // namespace sundra::test
