#include "core/units.h"

#include "core/sample_shape.h"

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
//   24-bit sample s:           s / 2^23
//   24-bit stereo a + b:       (a + b) / 2^24
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
    Stereo16Sum,
    Mono24,
    Stereo24Left,
    Stereo24Right,
    Stereo24Sum
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

constexpr double kLevel24 = 0x1.0p-23;

// A 24-bit sample sits in the low three bytes of a 32-bit load from its first
// byte, or in the high three of a load from one byte before it; the loads never
// leave the frame.
std::int32_t lowThreeBytes(std::uint32_t word) {
    return static_cast<std::int32_t>(word << 8) >> 8;
}

template <> struct KeyTraits<Key::Mono24> {
    using Type = std::int32_t;
    static constexpr std::ptrdiff_t stride = 3;
    static Type key(const std::uint8_t* p) {
        return lowThreeBytes(p[0] | static_cast<std::uint32_t>(p[1]) << 8 |
                             static_cast<std::uint32_t>(p[2]) << 16);
    }
    static double level(std::int32_t key) { return key * kLevel24; }
};

template <> struct KeyTraits<Key::Stereo24Left> {
    using Type = std::int32_t;
    static constexpr std::ptrdiff_t stride = 6;
    static Type key(const std::uint8_t* p) {
        std::uint32_t word;
        std::memcpy(&word, p, sizeof word);
        return lowThreeBytes(word);
    }
    static double level(std::int32_t key) { return key * kLevel24; }
};

template <> struct KeyTraits<Key::Stereo24Right> {
    using Type = std::int32_t;
    static constexpr std::ptrdiff_t stride = 6;
    static Type key(const std::uint8_t* p) {
        std::uint32_t word;
        std::memcpy(&word, p + 2, sizeof word);
        return static_cast<std::int32_t>(word) >> 8;
    }
    static double level(std::int32_t key) { return key * kLevel24; }
};

template <> struct KeyTraits<Key::Stereo24Sum> {
    using Type = std::int32_t;
    static constexpr std::ptrdiff_t stride = 6;
    static Type key(const std::uint8_t* p) {
        return KeyTraits<Key::Stereo24Left>::key(p) + KeyTraits<Key::Stereo24Right>::key(p);
    }
    static double level(std::int32_t key) { return key * (kLevel24 / 2); }
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

template <Key K> double peakOf(const std::uint8_t* bytes, std::int32_t frames) {
    if (frames == 0) {
        return 0.0;
    }
    return std::max(0.0, KeyTraits<K>::level(maxKey<K>(bytes, frames)));
}

template <Key K> bool anyAbove(const std::uint8_t* bytes, std::int32_t frames, double threshold) {
    // Runs of frames keep the reduction vectorised and still stop soon after
    // the first loud frame.
    constexpr std::int32_t run = 4096;
    for (std::int32_t first = 0; first < frames; first += run) {
        const std::int32_t count = std::min(run, frames - first);
        const std::uint8_t* start = bytes + first * KeyTraits<K>::stride;
        if (KeyTraits<K>::level(maxKey<K>(start, count)) > threshold) {
            return true;
        }
    }
    return false;
}

// Floating-point samples: the level is the value itself, so a frame's level is
// computed exactly as the definition does (for stereo l / 2 + r / 2, halving
// being exact) and the scans keep the larger value as the definition's
// "greater than" does, which passes over NaN.
enum class Pick { Mono, Left, Right, Mean };

template <typename F, Pick P> double floatValue(const std::uint8_t* frame) {
    F samples[P == Pick::Mono ? 1 : 2];
    std::memcpy(samples, frame, sizeof samples);
    if constexpr (P == Pick::Mono || P == Pick::Left) {
        return static_cast<double>(samples[0]);
    } else if constexpr (P == Pick::Right) {
        return static_cast<double>(samples[1]);
    } else {
        return 0.0 + static_cast<double>(samples[0]) / 2 + static_cast<double>(samples[1]) / 2;
    }
}

template <typename F, Pick P>
double largestValue(const std::uint8_t* bytes, std::int32_t count, double best) {
    constexpr std::ptrdiff_t stride = sizeof(F) * (P == Pick::Mono ? 1 : 2);
    for (std::int32_t i = 0; i < count; ++i) {
        const double value = floatValue<F, P>(bytes + i * stride);
        if (value > best) {
            best = value;
        }
    }
    return best;
}

template <typename F, Pick P> double floatPeak(const std::uint8_t* bytes, std::int32_t frames) {
    return largestValue<F, P>(bytes, frames, 0.0);
}

template <typename F, Pick P>
bool floatAbove(const std::uint8_t* bytes, std::int32_t frames, double threshold) {
    constexpr std::ptrdiff_t stride = sizeof(F) * (P == Pick::Mono ? 1 : 2);
    constexpr std::int32_t run = 4096;
    const double none = -std::numeric_limits<double>::infinity();
    for (std::int32_t first = 0; first < frames; first += run) {
        const std::int32_t count = std::min(run, frames - first);
        if (largestValue<F, P>(bytes + first * stride, count, none) > threshold) {
            return true;
        }
    }
    return false;
}

template <Key K> double keyPeak(const std::uint8_t* bytes, std::int32_t frames) {
    return peakOf<K>(bytes, frames);
}

template <Key K> bool keyAbove(const std::uint8_t* bytes, std::int32_t frames, double threshold) {
    return anyAbove<K>(bytes, frames, threshold);
}

// The shapes and channel counts that have a scan of their own; every other
// format is scanned frame by frame through sampleLevel.
struct FastScans {
    SampleEncoding encoding;
    std::int32_t bits;
    std::int32_t channels;
    double (*channelPeak[2])(const std::uint8_t* bytes, std::int32_t frames);
    double (*meanPeak)(const std::uint8_t* bytes, std::int32_t frames);
    bool (*anyAbove)(const std::uint8_t* bytes, std::int32_t frames, double threshold);
};

constexpr SampleEncoding kInt = SampleEncoding::Integer;
constexpr SampleEncoding kFloat = SampleEncoding::Float;

constexpr FastScans kFastScans[] = {
    {kInt, 8, 1, {keyPeak<Key::Mono8>, nullptr}, keyPeak<Key::Mono8>, keyAbove<Key::Mono8>},
    {kInt,
     8,
     2,
     {keyPeak<Key::Stereo8Left>, keyPeak<Key::Stereo8Right>},
     keyPeak<Key::Stereo8Sum>,
     keyAbove<Key::Stereo8Sum>},
    {kInt, 16, 1, {keyPeak<Key::Mono16>, nullptr}, keyPeak<Key::Mono16>, keyAbove<Key::Mono16>},
    {kInt,
     16,
     2,
     {keyPeak<Key::Stereo16Left>, keyPeak<Key::Stereo16Right>},
     keyPeak<Key::Stereo16Sum>,
     keyAbove<Key::Stereo16Sum>},
    {kInt, 24, 1, {keyPeak<Key::Mono24>, nullptr}, keyPeak<Key::Mono24>, keyAbove<Key::Mono24>},
    {kInt,
     24,
     2,
     {keyPeak<Key::Stereo24Left>, keyPeak<Key::Stereo24Right>},
     keyPeak<Key::Stereo24Sum>,
     keyAbove<Key::Stereo24Sum>},
    {kFloat,
     32,
     1,
     {floatPeak<float, Pick::Mono>, nullptr},
     floatPeak<float, Pick::Mono>,
     floatAbove<float, Pick::Mono>},
    {kFloat,
     32,
     2,
     {floatPeak<float, Pick::Left>, floatPeak<float, Pick::Right>},
     floatPeak<float, Pick::Mean>,
     floatAbove<float, Pick::Mean>},
    {kFloat,
     64,
     1,
     {floatPeak<double, Pick::Mono>, nullptr},
     floatPeak<double, Pick::Mono>,
     floatAbove<double, Pick::Mono>},
    {kFloat,
     64,
     2,
     {floatPeak<double, Pick::Left>, floatPeak<double, Pick::Right>},
     floatPeak<double, Pick::Mean>,
     floatAbove<double, Pick::Mean>},
};

constexpr bool kLittleEndian = std::endian::native == std::endian::little;

const FastScans* fastScans(const WaveFormat& format) {
    if (!kLittleEndian) {
        return nullptr;
    }
    for (const FastScans& scans : kFastScans) {
        if (scans.encoding == format.encoding && scans.bits == format.bitsPerSample &&
            scans.channels == format.channels) {
            return &scans;
        }
    }
    return nullptr;
}

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
    if (const FastScans* scans = fastScans(format)) {
        return scans->channelPeak[channel](buffer.data.get(), frames);
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
    if (const FastScans* scans = fastScans(format)) {
        return scans->meanPeak(buffer.data.get(), frames);
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
    if (const FastScans* scans = fastScans(format)) {
        return scans->anyAbove(buffer.data.get(), frames, threshold);
    }
    for (std::int32_t i = 0; i < frames; ++i) {
        if (frameMean(FrameView{frameAt(buffer, i), &format}) > threshold) {
            return true;
        }
    }
    return false;
}

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
    if (!hasLevels(format)) {
        return 0.0 > threshold;
    }
    if (const FastScans* scans = fastScans(format)) {
        return scans->anyAbove(frameAt(buffer, from), frames, threshold);
    }
    for (std::int32_t i = from; i < from + frames; ++i) {
        if (frameMean(FrameView{frameAt(buffer, i), &format}) > threshold) {
            return true;
        }
    }
    return false;
}

double meanPeak(const SampleBuffer& buffer, std::int32_t first, std::int32_t count) {
    const WaveFormat& format = buffer.format;
    const std::int64_t begin = std::max<std::int64_t>(first, 0);
    const std::int64_t end =
        std::min<std::int64_t>(std::int64_t{first} + std::max(count, 0), readableFrames(buffer));
    if (begin >= end || !hasLevels(format)) {
        return 0.0;
    }
    const auto from = static_cast<std::int32_t>(begin);
    const auto frames = static_cast<std::int32_t>(end - begin);
    if (const FastScans* scans = fastScans(format)) {
        return scans->meanPeak(frameAt(buffer, from), frames);
    }
    double peak = 0.0;
    for (std::int32_t i = from; i < from + frames; ++i) {
        peak = std::max(peak, frameMean(FrameView{frameAt(buffer, i), &format}));
    }
    return peak;
}

} // namespace sundra
