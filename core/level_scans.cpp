#include "core/level_scans.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

namespace sundra {

namespace {

// Integer samples: each shape reads a sample as a key, an integer whose signed
// level is an exact, increasing function of it:
//   8-bit byte b:      (b - 128) / 128
//   16-bit sample s:   s / 2^15
//   24-bit sample s:   s / 2^23
//   32-bit sample s:   s / 2^31
// A run's largest magnitude is then the larger of level(highest key) and
// -level(lowest key), each a small integer times a power of two and so exact in
// double. Keys are as narrow as they can be (more lanes per vector), and every
// sample is loaded from its own bytes.
constexpr double kLevel8 = 0x1.0p-7;
constexpr double kLevel16 = 0x1.0p-15;
constexpr double kLevel24 = 0x1.0p-23;
constexpr double kLevel32 = 0x1.0p-31;

template <typename Word> Word loadWord(const std::uint8_t* p) {
    Word word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

// A 24-bit sample sits in the low three bytes of a 32-bit load from its first
// byte, or in the high three of a load from one byte before it; the stereo
// loads never leave the frame.
std::int32_t lowThreeBytes(std::uint32_t word) {
    return static_cast<std::int32_t>(word << 8) >> 8;
}

// Stride: bytes from one sample of the run to the next. Channel: which sample
// of a stereo frame (0 also for runs of every sample).
template <int Bits, std::ptrdiff_t Stride, int Channel> struct Key;

template <std::ptrdiff_t Stride, int Channel> struct Key<8, Stride, Channel> {
    using Type = std::uint8_t;
    static constexpr std::ptrdiff_t stride = Stride;
    static Type key(const std::uint8_t* p) {
        if constexpr (Stride == 1)
            return p[0];
        else
            return static_cast<Type>(loadWord<std::uint16_t>(p) >> (8 * Channel));
    }
    static double level(std::int32_t key) { return (key - 128) * kLevel8; }
};

template <std::ptrdiff_t Stride, int Channel> struct Key<16, Stride, Channel> {
    using Type = std::int16_t;
    static constexpr std::ptrdiff_t stride = Stride;
    static Type key(const std::uint8_t* p) {
        if constexpr (Stride == 2)
            return loadWord<std::int16_t>(p);
        else
            return static_cast<Type>(loadWord<std::uint32_t>(p) >> (16 * Channel));
    }
    static double level(std::int32_t key) { return key * kLevel16; }
};

template <std::ptrdiff_t Stride, int Channel> struct Key<24, Stride, Channel> {
    using Type = std::int32_t;
    static constexpr std::ptrdiff_t stride = Stride;
    static Type key(const std::uint8_t* p) {
        if constexpr (Stride == 3)
            return lowThreeBytes(p[0] | static_cast<std::uint32_t>(p[1]) << 8 |
                                 static_cast<std::uint32_t>(p[2]) << 16);
        else if constexpr (Channel == 0)
            return lowThreeBytes(loadWord<std::uint32_t>(p));
        else
            return static_cast<std::int32_t>(loadWord<std::uint32_t>(p + 2)) >> 8;
    }
    static double level(std::int32_t key) { return key * kLevel24; }
};

template <std::ptrdiff_t Stride, int Channel> struct Key<32, Stride, Channel> {
    using Type = std::int32_t;
    static constexpr std::ptrdiff_t stride = Stride;
    static Type key(const std::uint8_t* p) { return loadWord<std::int32_t>(p + 4 * Channel); }
    static double level(std::int32_t key) { return key * kLevel32; }
};

template <typename T> struct Extremes {
    T lowest = std::numeric_limits<T>::max();
    T highest = std::numeric_limits<T>::lowest();
    void take(T key) {
        lowest = std::min(lowest, key);
        highest = std::max(highest, key);
    }
    void take(const Extremes& other) {
        lowest = std::min(lowest, other.lowest);
        highest = std::max(highest, other.highest);
    }
};

// Two 24-bit samples a step, loaded as the stereo keys load them: one pass over
// every sample of a buffer, faster than three byte loads a sample.
struct Pair24 {
    using Type = std::int32_t;
    static constexpr std::ptrdiff_t stride = 6;
    static void take(Extremes<Type>& extremes, const std::uint8_t* p) {
        extremes.take(Key<24, 6, 0>::key(p));
        extremes.take(Key<24, 6, 1>::key(p));
    }
    static double level(std::int32_t key) { return key * kLevel24; }
};

template <class K> void takeStep(Extremes<typename K::Type>& extremes, const std::uint8_t* p) {
    if constexpr (requires { K::key(p); })
        extremes.take(K::key(p));
    else
        K::take(extremes, p);
}

// Exactly Block samples. A fixed trip count lets -O2 (whose cost model only
// vectorises loops it can cover without a scalar remainder) vectorise it.
template <class K, std::int32_t Block>
Extremes<typename K::Type> extremesOfBlock(const std::uint8_t* bytes) {
    Extremes<typename K::Type> result;
    for (std::int32_t j = 0; j < Block; ++j)
        takeStep<K>(result, bytes + j * K::stride);
    return result;
}

// count steps of K (samples, or pairs of them).
template <class K> double largestMagnitude(const std::uint8_t* bytes, std::int32_t count) {
    if (count <= 0)
        return 0.0;
    Extremes<typename K::Type> all;
    std::int32_t i = 0;
    for (; count - i >= 512; i += 512)
        all.take(extremesOfBlock<K, 512>(bytes + i * K::stride));
    for (; count - i >= 32; i += 32)
        all.take(extremesOfBlock<K, 32>(bytes + i * K::stride));
    for (; i < count; ++i)
        takeStep<K>(all, bytes + i * K::stride);
    return std::max(K::level(all.highest), -K::level(all.lowest));
}

double largestMagnitude24(const std::uint8_t* bytes, std::int32_t samples) {
    const std::int32_t pairs = samples / 2;
    const double paired = largestMagnitude<Pair24>(bytes, pairs);
    if (samples % 2 == 0)
        return paired;
    return std::max(paired, largestMagnitude<Key<24, 3, 0>>(bytes + 6 * pairs, 1));
}

// Floating-point samples: the magnitude is |v| itself, and the scan keeps the
// larger value as "greater than" does, which passes over NaN.
template <typename F, std::ptrdiff_t Stride, int Channel>
double largestFloatMagnitude(const std::uint8_t* bytes, std::int32_t count) {
    // Four running maxima, so that no comparison waits for the one before; the
    // largest of them is the largest of all, whatever the order.
    constexpr int lanes = 4;
    double best[lanes] = {0.0, 0.0, 0.0, 0.0};
    const auto take = [&](std::int32_t i, int lane) {
        const F value = loadWord<F>(bytes + i * Stride + Channel * sizeof(F));
        const double magnitude = std::fabs(static_cast<double>(value));
        if (magnitude > best[lane])
            best[lane] = magnitude;
    };
    std::int32_t i = 0;
    for (; count - i >= lanes; i += lanes)
        for (int lane = 0; lane < lanes; ++lane)
            take(i + lane, lane);
    for (; i < count; ++i)
        take(i, 0);
    return std::max({best[0], best[1], best[2], best[3]});
}

template <double (*Largest)(const std::uint8_t*, std::int32_t), std::ptrdiff_t Width>
bool anyAbove(const std::uint8_t* bytes, std::int32_t samples, double threshold) {
    // Runs of samples keep the reduction vectorised and still stop soon after
    // the first loud sample.
    constexpr std::int32_t run = 4096;
    for (std::int32_t first = 0; first < samples; first += run) {
        if (Largest(bytes + first * Width, std::min(run, samples - first)) > threshold)
            return true;
    }
    return false;
}

template <int Bits> constexpr MagnitudeScans integerScans() {
    constexpr std::ptrdiff_t width = Bits / 8;
    constexpr auto every = Bits == 24 ? largestMagnitude24 : largestMagnitude<Key<Bits, width, 0>>;
    return {every,
            anyAbove<every, width>,
            {largestMagnitude<Key<Bits, 2 * width, 0>>, largestMagnitude<Key<Bits, 2 * width, 1>>}};
}

template <typename F> constexpr MagnitudeScans floatScans() {
    constexpr std::ptrdiff_t width = sizeof(F);
    constexpr auto every = largestFloatMagnitude<F, width, 0>;
    return {every,
            anyAbove<every, width>,
            {largestFloatMagnitude<F, 2 * width, 0>, largestFloatMagnitude<F, 2 * width, 1>}};
}

struct ShapeScans {
    SampleEncoding encoding;
    std::int32_t bits;
    MagnitudeScans scans;
};

constexpr ShapeScans kShapeScans[] = {
    {SampleEncoding::Integer, 8, integerScans<8>()},
    {SampleEncoding::Integer, 16, integerScans<16>()},
    {SampleEncoding::Integer, 24, integerScans<24>()},
    {SampleEncoding::Integer, 32, integerScans<32>()},
    {SampleEncoding::Float, 32, floatScans<float>()},
    {SampleEncoding::Float, 64, floatScans<double>()},
};

} // namespace

const MagnitudeScans* magnitudeScans(const WaveFormat& format) {
    if constexpr (std::endian::native != std::endian::little)
        return nullptr;
    for (const ShapeScans& shape : kShapeScans)
        if (shape.encoding == format.encoding && shape.bits == format.bitsPerSample)
            return &shape.scans;
    return nullptr;
}

} // namespace sundra
