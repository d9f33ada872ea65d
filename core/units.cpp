#include "core/units.h"

#include <algorithm>
#include <bit>
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

// Truncation toward zero that stays defined for values outside the int32 range.
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

constexpr double kLevel8 = 0.0078125;          // 1 / 128
constexpr double kLevel16 = 0.000030517578125; // 1 / 32768

// The fast paths below reduce each frame to an integer key whose level (or
// frameMean) is an exact, strictly increasing function of the key:
//   8-bit sample b:            (b - 128) / 128
//   16-bit sample s:           s / 32768
//   8-bit stereo a + b:        (a - 128) / 256 + (b - 128) / 256 = (a + b - 256) / 256
//   16-bit stereo a + b:       a / 65536 + b / 65536 = (a + b) / 65536
// Every term and every sum is a small integer times a power of two, so each is
// exact in double and equals what the channel-order sum 0.0 + l0/2 + l1/2 gives.
// A maximum over keys therefore maps to the maximum over levels, and "some
// frame above t" is "the largest frame above t". Keys are as narrow as they can
// be (more lanes per vector), and every frame is loaded from its own bytes.
enum class Key {
    Mono8,
    Stereo8Left,
    Stereo8Right,
    Stereo8Sum,
    Mono16,
    Stereo16Left,
    Stereo16Right,
    Stereo16Sum
};

template <Key K> struct KeyTraits;

template <> struct KeyTraits<Key::Mono8> {
    using Type = std::uint8_t;
    static constexpr std::ptrdiff_t stride = 1;
    static Type key(const std::uint8_t* p) { return p[0]; }
    static double level(std::int32_t key) { return (key - 128) * kLevel8; }
};

template <> struct KeyTraits<Key::Stereo8Left> {
    using Type = std::uint8_t;
    static constexpr std::ptrdiff_t stride = 2;
    static Type key(const std::uint8_t* p) {
        std::uint16_t word;
        std::memcpy(&word, p, sizeof word);
        return static_cast<Type>(word);
    }
    static double level(std::int32_t key) { return (key - 128) * kLevel8; }
};

template <> struct KeyTraits<Key::Stereo8Right> {
    using Type = std::uint8_t;
    static constexpr std::ptrdiff_t stride = 2;
    static Type key(const std::uint8_t* p) {
        std::uint16_t word;
        std::memcpy(&word, p, sizeof word);
        return static_cast<Type>(word >> 8);
    }
    static double level(std::int32_t key) { return (key - 128) * kLevel8; }
};

template <> struct KeyTraits<Key::Stereo8Sum> {
    using Type = std::uint16_t;
    static constexpr std::ptrdiff_t stride = 2;
    static Type key(const std::uint8_t* p) {
        std::uint16_t word;
        std::memcpy(&word, p, sizeof word);
        return static_cast<Type>((word & 0xff) + (word >> 8));
    }
    static double level(std::int32_t key) { return (key - 256) * (kLevel8 / 2); }
};

template <> struct KeyTraits<Key::Mono16> {
    using Type = std::int16_t;
    static constexpr std::ptrdiff_t stride = 2;
    static Type key(const std::uint8_t* p) {
        std::int16_t sample;
        std::memcpy(&sample, p, sizeof sample);
        return sample;
    }
    static double level(std::int32_t key) { return key * kLevel16; }
};

template <> struct KeyTraits<Key::Stereo16Left> {
    using Type = std::int16_t;
    static constexpr std::ptrdiff_t stride = 4;
    static Type key(const std::uint8_t* p) {
        std::uint32_t word;
        std::memcpy(&word, p, sizeof word);
        return static_cast<Type>(word);
    }
    static double level(std::int32_t key) { return key * kLevel16; }
};

template <> struct KeyTraits<Key::Stereo16Right> {
    using Type = std::int16_t;
    static constexpr std::ptrdiff_t stride = 4;
    static Type key(const std::uint8_t* p) {
        std::uint32_t word;
        std::memcpy(&word, p, sizeof word);
        return static_cast<Type>(word >> 16);
    }
    static double level(std::int32_t key) { return key * kLevel16; }
};

template <> struct KeyTraits<Key::Stereo16Sum> {
    using Type = std::int32_t;
    static constexpr std::ptrdiff_t stride = 4;
    static Type key(const std::uint8_t* p) {
        std::uint32_t word;
        std::memcpy(&word, p, sizeof word);
        return static_cast<std::int16_t>(word) + static_cast<std::int16_t>(word >> 16);
    }
    static double level(std::int32_t key) { return key * (kLevel16 / 2); }
};

// Exactly Block frames. A fixed trip count lets -O2 (whose cost model only
// vectorises loops it can cover without a scalar remainder) vectorise it.
template <Key K, std::int32_t Block> std::int32_t maxOfBlock(const std::uint8_t* bytes) {
    using T = KeyTraits<K>;
    typename T::Type best = std::numeric_limits<typename T::Type>::lowest();
    for (std::int32_t j = 0; j < Block; ++j) {
        best = std::max(best, T::key(bytes + j * T::stride));
    }
    return best;
}

// The largest key of count >= 1 frames.
template <Key K> std::int32_t maxKey(const std::uint8_t* bytes, std::int32_t count) {
    using T = KeyTraits<K>;
    std::int32_t best = std::numeric_limits<std::int32_t>::lowest();
    std::int32_t i = 0;
    for (; count - i >= 512; i += 512) {
        best = std::max(best, maxOfBlock<K, 512>(bytes + i * T::stride));
    }
    for (; count - i >= 32; i += 32) {
        best = std::max(best, maxOfBlock<K, 32>(bytes + i * T::stride));
    }
    for (; i < count; ++i) {
        best = std::max<std::int32_t>(best, T::key(bytes + i * T::stride));
    }
    return best;
}

template <Key K> double peakOf(const SampleBuffer& buffer, std::int32_t frames) {
    if (frames == 0) {
        return 0.0;
    }
    return std::max(0.0, KeyTraits<K>::level(maxKey<K>(buffer.data.get(), frames)));
}

template <Key K> bool anyAbove(const SampleBuffer& buffer, std::int32_t frames, double threshold) {
    // Runs of frames keep the reduction vectorised and still stop soon after
    // the first loud frame.
    constexpr std::int32_t run = 4096;
    const std::uint8_t* bytes = buffer.data.get();
    for (std::int32_t first = 0; first < frames; first += run) {
        const std::int32_t count = std::min(run, frames - first);
        const std::uint8_t* start = bytes + first * KeyTraits<K>::stride;
        if (KeyTraits<K>::level(maxKey<K>(start, count)) > threshold) {
            return true;
        }
    }
    return false;
}

constexpr bool kLittleEndian = std::endian::native == std::endian::little;

bool hasFastPath(const WaveFormat& format) {
    return kLittleEndian && (format.bitsPerSample == 8 || format.bitsPerSample == 16) &&
           (format.channels == 1 || format.channels == 2);
}

bool hasLevels(const WaveFormat& format) {
    return format.bitsPerSample == 8 || format.bitsPerSample == 16;
}

const std::uint8_t* frameAt(const SampleBuffer& buffer, std::int32_t frame) {
    return buffer.data.get() + static_cast<std::ptrdiff_t>(frame) * frameSize(buffer.format);
}

} // namespace

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
    return 0.0;
}

double frameMean(const FrameView& frame) {
    const std::int32_t channels = frame.format->channels;
    double sum = 0.0;
    for (std::int32_t c = 0; c < channels; ++c) {
        sum += sampleLevel(frame, c) / channels;
    }
    return sum;
}

double channelPeak(const SampleBuffer& buffer, std::int32_t channel) {
    const WaveFormat& format = buffer.format;
    const std::int32_t frames = readableFrames(buffer);
    if (channel < 0 || channel >= format.channels || !hasLevels(format)) {
        return 0.0;
    }
    if (hasFastPath(format)) {
        if (format.bitsPerSample == 8) {
            if (format.channels == 1) {
                return peakOf<Key::Mono8>(buffer, frames);
            }
            return channel == 0 ? peakOf<Key::Stereo8Left>(buffer, frames)
                                : peakOf<Key::Stereo8Right>(buffer, frames);
        }
        if (format.channels == 1) {
            return peakOf<Key::Mono16>(buffer, frames);
        }
        return channel == 0 ? peakOf<Key::Stereo16Left>(buffer, frames)
                            : peakOf<Key::Stereo16Right>(buffer, frames);
    }
    double peak = 0.0;
    for (std::int32_t i = 0; i < frames; ++i) {
        peak = std::max(peak, sampleLevel(FrameView{frameAt(buffer, i), &format}, channel));
    }
    return peak;
}

double meanPeak(const SampleBuffer& buffer) {
    const WaveFormat& format = buffer.format;
    const std::int32_t frames = readableFrames(buffer);
    if (!hasLevels(format)) {
        // Every level is 0.0, so every frameMean is 0.0.
        return 0.0;
    }
    if (hasFastPath(format)) {
        if (format.bitsPerSample == 8) {
            return format.channels == 1 ? peakOf<Key::Mono8>(buffer, frames)
                                        : peakOf<Key::Stereo8Sum>(buffer, frames);
        }
        return format.channels == 1 ? peakOf<Key::Mono16>(buffer, frames)
                                    : peakOf<Key::Stereo16Sum>(buffer, frames);
    }
    double peak = 0.0;
    for (std::int32_t i = 0; i < frames; ++i) {
        peak = std::max(peak, frameMean(FrameView{frameAt(buffer, i), &format}));
    }
    return peak;
}

bool anyFrameAbove(const SampleBuffer& buffer, double threshold) {
    const WaveFormat& format = buffer.format;
    const std::int32_t frames = readableFrames(buffer);
    if (!hasLevels(format)) {
        return frames > 0 && 0.0 > threshold;
    }
    if (hasFastPath(format)) {
        if (format.bitsPerSample == 8) {
            return format.channels == 1 ? anyAbove<Key::Mono8>(buffer, frames, threshold)
                                        : anyAbove<Key::Stereo8Sum>(buffer, frames, threshold);
        }
        return format.channels == 1 ? anyAbove<Key::Mono16>(buffer, frames, threshold)
                                    : anyAbove<Key::Stereo16Sum>(buffer, frames, threshold);
    }
    for (std::int32_t i = 0; i < frames; ++i) {
        if (frameMean(FrameView{frameAt(buffer, i), &format}) > threshold) {
            return true;
        }
    }
    return false;
}

namespace {

template <Key K> bool anyAboveIn(const std::uint8_t* bytes, std::int32_t frames, double threshold) {
    constexpr std::int32_t run = 4096;
    for (std::int32_t first = 0; first < frames; first += run) {
        const std::int32_t count = std::min(run, frames - first);
        if (KeyTraits<K>::level(maxKey<K>(bytes + first * KeyTraits<K>::stride, count)) >
            threshold) {
            return true;
        }
    }
    return false;
}

} // namespace

bool anyFrameAbove(const SampleBuffer& buffer, std::int32_t first, std::int32_t count,
                   double threshold) {
    const WaveFormat& format = buffer.format;
    const std::int64_t begin = std::max<std::int64_t>(first, 0);
    const std::int64_t end =
        std::min<std::int64_t>(std::int64_t{first} + std::max(count, 0), readableFrames(buffer));
    if (begin >= end) {
        return false;
    }
    const auto from = static_cast<std::int32_t>(begin);
    const auto frames = static_cast<std::int32_t>(end - begin);
    if (hasFastPath(format)) {
        const std::uint8_t* bytes = frameAt(buffer, from);
        if (format.bitsPerSample == 8) {
            return format.channels == 1 ? anyAboveIn<Key::Mono8>(bytes, frames, threshold)
                                        : anyAboveIn<Key::Stereo8Sum>(bytes, frames, threshold);
        }
        return format.channels == 1 ? anyAboveIn<Key::Mono16>(bytes, frames, threshold)
                                    : anyAboveIn<Key::Stereo16Sum>(bytes, frames, threshold);
    }
    // Every other width and layout takes the frame-by-frame definition, whatever
    // levels its samples have.
    for (std::int32_t i = from; i < from + frames; ++i) {
        if (frameMean(FrameView{frameAt(buffer, i), &format}) > threshold) {
            return true;
        }
    }
    return false;
}

} // namespace sundra
