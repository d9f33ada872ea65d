#include "split/frame_sums.h"

#include "core/sample_shape.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#define SUNDRA_AVX2_SUMS 1
#endif

namespace sundra {

void FrameSums::clear() {
    std::fill(channelSums.begin(), channelSums.end(), 0.0);
    squares = 0.0;
    frames = 0;
}

double FrameSums::energyAboutMean() const {
    if (frames <= 0)
        return 0.0;
    double energy = squares;
    for (double sum : channelSums)
        energy -= sum * sum / frames;
    return std::max(energy, 0.0);
}

namespace {

constexpr double kScale16 = 0x1.0p-15;
constexpr double kScale24 = 0x1.0p-23;

std::int32_t sample16(const std::uint8_t* p) {
    std::int16_t value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

std::int32_t sample24(const std::uint8_t* p) {
    const std::uint32_t raw = p[0] | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16;
    return static_cast<std::int32_t>(raw << 8) >> 8;
}

// Exact integer sums of one run; a run is at most a few thousand frames, far
// from any overflow at these widths.
struct IntegerSums {
    std::int64_t channel[2] = {0, 0};
    std::uint64_t squares = 0;
};

// The frames from `frame` on, one at a time.
void addStereo16Tail(const std::uint8_t* bytes, std::int32_t frame, std::int32_t frames,
                     IntegerSums& sums) {
    for (; frame < frames; ++frame) {
        const std::int64_t l = sample16(bytes + 4 * std::size_t(frame));
        const std::int64_t r = sample16(bytes + 4 * std::size_t(frame) + 2);
        sums.channel[0] += l;
        sums.channel[1] += r;
        sums.squares += static_cast<std::uint64_t>(l * l + r * r);
    }
}

#if defined(SUNDRA_AVX2_SUMS)
// Eight frames per step. madd of the samples with themselves gives left^2 +
// right^2 per frame, at most 2^31, which fits a lane read as unsigned; madd
// with (1, 0) and (0, 1) picks each channel out for its sum, and a lane takes
// at most 2^14 of those per chunk.
__attribute__((target("avx2"))) IntegerSums stereo16Avx2(const std::uint8_t* bytes,
                                                         std::int32_t frames) {
    IntegerSums sums;
    std::int32_t frame = 0;
    const __m256i zero = _mm256_setzero_si256();
    const __m256i pickLeft = _mm256_set1_epi32(1);
    const __m256i pickRight = _mm256_set1_epi32(1 << 16);
    while (frame + 8 <= frames) {
        const std::int32_t chunkEnd = std::min(frames & ~7, frame + 8 * 16384);
        __m256i squares = zero;
        __m256i left = zero;
        __m256i right = zero;
        for (; frame < chunkEnd; frame += 8) {
            const __m256i v = _mm256_loadu_si256(
                reinterpret_cast<const __m256i*>(bytes + 4 * std::size_t(frame)));
            const __m256i square = _mm256_madd_epi16(v, v);
            squares = _mm256_add_epi64(squares, _mm256_unpacklo_epi32(square, zero));
            squares = _mm256_add_epi64(squares, _mm256_unpackhi_epi32(square, zero));
            left = _mm256_add_epi32(left, _mm256_madd_epi16(v, pickLeft));
            right = _mm256_add_epi32(right, _mm256_madd_epi16(v, pickRight));
        }
        std::uint64_t wide[4];
        std::int32_t narrow[8];
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(wide), squares);
        sums.squares += wide[0] + wide[1] + wide[2] + wide[3];
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(narrow), left);
        for (std::int32_t lane : narrow)
            sums.channel[0] += lane;
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(narrow), right);
        for (std::int32_t lane : narrow)
            sums.channel[1] += lane;
    }
    addStereo16Tail(bytes, frame, frames, sums);
    return sums;
}

const bool kHasAvx2 = __builtin_cpu_supports("avx2");
#endif

// 16-bit stereo: eight frames per step where the machine has AVX2, one at a
// time elsewhere.
IntegerSums stereo16(const std::uint8_t* bytes, std::int32_t frames) {
#if defined(SUNDRA_AVX2_SUMS)
    if (kHasAvx2)
        return stereo16Avx2(bytes, frames);
#endif
    IntegerSums sums;
    addStereo16Tail(bytes, 0, frames, sums);
    return sums;
}

// Any channel count of 16- or 24-bit integers, channel by channel.
template <int Bytes>
void integers(const std::uint8_t* bytes, std::int32_t frames, const WaveFormat& format,
              FrameSums& sums) {
    const double scale = Bytes == 2 ? kScale16 : kScale24;
    std::uint64_t squares = 0;
    for (std::int32_t channel = 0; channel < format.channels; ++channel) {
        const std::uint8_t* p = bytes + std::size_t(channel) * Bytes;
        const std::size_t stride = std::size_t(format.channels) * Bytes;
        std::int64_t sum = 0;
        for (std::int32_t frame = 0; frame < frames; ++frame, p += stride) {
            const std::int64_t value = Bytes == 2 ? sample16(p) : sample24(p);
            sum += value;
            squares += static_cast<std::uint64_t>(value * value);
        }
        sums.channelSums[std::size_t(channel)] += static_cast<double>(sum) * scale;
    }
    sums.squares += static_cast<double>(squares) * scale * scale;
}

// Every other shape through its level; a width without levels reads 0.0.
void levels(const std::uint8_t* bytes, std::int32_t frames, const WaveFormat& format,
            FrameSums& sums) {
    const SampleShape* shape = sampleShape(format);
    if (shape == nullptr)
        return;
    const std::size_t sampleBytes = std::size_t(format.bitsPerSample / 8);
    double squares = 0.0;
    for (std::int32_t channel = 0; channel < format.channels; ++channel) {
        const std::uint8_t* p = bytes + std::size_t(channel) * sampleBytes;
        const std::size_t stride = std::size_t(format.channels) * sampleBytes;
        double sum = 0.0;
        for (std::int32_t frame = 0; frame < frames; ++frame, p += stride) {
            const double value = shape->level(p);
            // A float file may hold infinities or NaN; they carry no loudness
            // that a sum could use, so they count as silence.
            if (!std::isfinite(value))
                continue;
            sum += value;
            squares += value * value;
        }
        sums.channelSums[std::size_t(channel)] += sum;
    }
    sums.squares += squares;
}

} // namespace

void addFrameSums(const std::uint8_t* bytes, std::int32_t frames, const WaveFormat& format,
                  FrameSums& sums) {
    if (frames <= 0)
        return;
    sums.frames += frames;
    if (isFloat(format)) {
        levels(bytes, frames, format, sums);
    } else if (format.bitsPerSample == 16 && format.channels == 2) {
        const IntegerSums exact = stereo16(bytes, frames);
        sums.channelSums[0] += static_cast<double>(exact.channel[0]) * kScale16;
        sums.channelSums[1] += static_cast<double>(exact.channel[1]) * kScale16;
        sums.squares += static_cast<double>(exact.squares) * kScale16 * kScale16;
    } else if (format.bitsPerSample == 16) {
        integers<2>(bytes, frames, format, sums);
    } else if (format.bitsPerSample == 24) {
        integers<3>(bytes, frames, format, sums);
    } else {
        levels(bytes, frames, format, sums);
    }
}

} // namespace sundra
