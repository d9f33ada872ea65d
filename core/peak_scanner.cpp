#include "core/peak_scanner.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace sundra {

namespace {

// One sample shape each: its size in bytes and its value on the 16-bit scale.
struct Unsigned8 {
    static constexpr int kBytes = 1;
    static std::int16_t get(const std::uint8_t* p) {
        return static_cast<std::int16_t>((static_cast<int>(p[0]) - 128) * 256);
    }
};

// The top 16 bits of a little-endian integer of any width are its last two bytes.
template <int Bytes> struct SignedTop16 {
    static constexpr int kBytes = Bytes;
    static std::int16_t get(const std::uint8_t* p) {
        std::int16_t value;
        std::memcpy(&value, p + Bytes - 2, sizeof value);
        return value;
    }
};

inline std::int16_t fromFloat(double v) {
    const double scaled = std::trunc(v * 32768.0);
    if (std::isnan(scaled)) {
        return 0;
    }
    return static_cast<std::int16_t>(std::clamp(scaled, -32768.0, 32767.0));
}

template <class Real> struct FloatingPoint {
    static constexpr int kBytes = sizeof(Real);
    static std::int16_t get(const std::uint8_t* p) {
        Real value;
        std::memcpy(&value, p, sizeof value);
        return fromFloat(static_cast<double>(value));
    }
};

// Frames outer, channels inner, so a file is read once in order; with the
// channel count fixed at compile time the compiler keeps the accumulators in
// registers and vectorises the common shapes.
template <class Shape, int Channels>
void scanFrames(const std::uint8_t* bytes, std::int64_t frames, int channels, Peak* peaks) {
    constexpr int kMax = Channels > 0 ? Channels : 1;
    if constexpr (Channels > 0) {
        std::int16_t lo[kMax];
        std::int16_t hi[kMax];
        for (int c = 0; c < Channels; ++c) {
            lo[c] = peaks[c].min;
            hi[c] = peaks[c].max;
        }
        for (std::int64_t f = 0; f < frames; ++f) {
            const std::uint8_t* frame = bytes + f * Channels * Shape::kBytes;
            for (int c = 0; c < Channels; ++c) {
                const std::int16_t v = Shape::get(frame + c * Shape::kBytes);
                lo[c] = std::min(lo[c], v);
                hi[c] = std::max(hi[c], v);
            }
        }
        for (int c = 0; c < Channels; ++c) {
            peaks[c].min = lo[c];
            peaks[c].max = hi[c];
        }
    } else {
        for (std::int64_t f = 0; f < frames; ++f) {
            const std::uint8_t* frame = bytes + f * channels * Shape::kBytes;
            for (int c = 0; c < channels; ++c) {
                const std::int16_t v = Shape::get(frame + c * Shape::kBytes);
                peaks[c].min = std::min(peaks[c].min, v);
                peaks[c].max = std::max(peaks[c].max, v);
            }
        }
    }
}

// 16-bit samples whose channel count divides 16: sixteen running minima and
// maxima over the raw sample array, lane k holding channel k % channels, which
// the compiler turns into packed minimum and maximum instructions.
template <int Channels>
void scan16(const std::uint8_t* bytes, std::int64_t frames, int, Peak* peaks) {
    constexpr int kLanes = 16;
    static_assert(kLanes % Channels == 0);
    const std::int64_t samples = frames * Channels;
    std::int16_t lo[kLanes];
    std::int16_t hi[kLanes];
    for (int k = 0; k < kLanes; ++k) {
        lo[k] = peaks[k % Channels].min;
        hi[k] = peaks[k % Channels].max;
    }
    std::int64_t i = 0;
    for (; i + kLanes <= samples; i += kLanes) {
        std::int16_t v[kLanes];
        std::memcpy(v, bytes + i * 2, sizeof v);
        for (int k = 0; k < kLanes; ++k) {
            lo[k] = std::min(lo[k], v[k]);
            hi[k] = std::max(hi[k], v[k]);
        }
    }
    for (int k = 0; k < kLanes; ++k) {
        Peak& peak = peaks[k % Channels];
        peak.min = std::min(peak.min, lo[k]);
        peak.max = std::max(peak.max, hi[k]);
    }
    // i is a multiple of 16 and so of Channels: the rest are whole frames.
    scanFrames<SignedTop16<2>, Channels>(bytes + i * 2, (samples - i) / Channels, Channels, peaks);
}

// The sums of squares of the same values. A value's square is at most 2^30,
// so a 64-bit sum holds any bucket exactly.
template <class Shape, int Channels>
void squareFrames(const std::uint8_t* bytes, std::int64_t frames, int channels,
                  std::uint64_t* sums) {
    const int count = Channels > 0 ? Channels : channels;
    for (std::int64_t f = 0; f < frames; ++f) {
        const std::uint8_t* frame = bytes + f * count * Shape::kBytes;
        for (int c = 0; c < count; ++c) {
            const std::int32_t v = Shape::get(frame + c * Shape::kBytes);
            sums[c] += static_cast<std::uint32_t>(v * v);
        }
    }
}

// 16-bit samples whose channel count divides 16: sixteen running sums over the
// raw sample array, as scan16 keeps its minima and maxima.
template <int Channels>
void squares16(const std::uint8_t* bytes, std::int64_t frames, int, std::uint64_t* sums) {
    constexpr int kLanes = 16;
    static_assert(kLanes % Channels == 0);
    const std::int64_t samples = frames * Channels;
    std::uint64_t lanes[kLanes] = {};
    std::int64_t i = 0;
    for (; i + kLanes <= samples; i += kLanes) {
        std::int16_t v[kLanes];
        std::memcpy(v, bytes + i * 2, sizeof v);
        for (int k = 0; k < kLanes; ++k) {
            lanes[k] += static_cast<std::uint32_t>(std::int32_t{v[k]} * v[k]);
        }
    }
    for (int k = 0; k < kLanes; ++k) {
        sums[k % Channels] += lanes[k];
    }
    squareFrames<SignedTop16<2>, Channels>(bytes + i * 2, (samples - i) / Channels, Channels, sums);
}

template <class Shape> PeakScanner::SquaresKernel squaresKernelFor(int channels) {
    switch (channels) {
    case 1:
        return squareFrames<Shape, 1>;
    case 2:
        return squareFrames<Shape, 2>;
    default:
        return squareFrames<Shape, 0>;
    }
}

PeakScanner::SquaresKernel squaresKernelFor(const WaveFormat& format) {
    const int channels = format.channels;
    if (isFloat(format)) {
        return format.bitsPerSample == 32 ? squaresKernelFor<FloatingPoint<float>>(channels)
                                          : squaresKernelFor<FloatingPoint<double>>(channels);
    }
    switch (format.bitsPerSample) {
    case 8:
        return squaresKernelFor<Unsigned8>(channels);
    case 16:
        return channels == 1   ? squares16<1>
               : channels == 2 ? squares16<2>
                               : squaresKernelFor<SignedTop16<2>>(channels);
    case 24:
        return squaresKernelFor<SignedTop16<3>>(channels);
    default:
        return squaresKernelFor<SignedTop16<4>>(channels);
    }
}

template <class Shape> PeakScanner::Kernel kernelFor(int channels) {
    switch (channels) {
    case 1:
        return scanFrames<Shape, 1>;
    case 2:
        return scanFrames<Shape, 2>;
    default:
        return scanFrames<Shape, 0>;
    }
}

PeakScanner::Kernel kernelFor(const WaveFormat& format) {
    const int channels = format.channels;
    if (isFloat(format)) {
        switch (format.bitsPerSample) {
        case 32:
            return kernelFor<FloatingPoint<float>>(channels);
        case 64:
            return kernelFor<FloatingPoint<double>>(channels);
        default:
            return nullptr;
        }
    }
    switch (format.bitsPerSample) {
    case 8:
        return kernelFor<Unsigned8>(channels);
    case 16:
        return channels == 1   ? scan16<1>
               : channels == 2 ? scan16<2>
                               : kernelFor<SignedTop16<2>>(channels);
    case 24:
        return kernelFor<SignedTop16<3>>(channels);
    case 32:
        return kernelFor<SignedTop16<4>>(channels);
    default:
        return nullptr;
    }
}

} // namespace

bool canScanPeaks(const WaveFormat& format) {
    return format.channels > 0 && kernelFor(format) != nullptr;
}

PeakScanner::PeakScanner(const WaveFormat& format, std::int64_t bucketFrames, BucketSink sink,
                         bool squares)
    : channels_(format.channels), frameBytes_(frameSize(format)), bucketFrames_(bucketFrames),
      kernel_(kernelFor(format)), sink_(std::move(sink)),
      current_(static_cast<std::size_t>(std::max(format.channels, 0))) {
    if (!canScanPeaks(format)) {
        throw std::invalid_argument("no peaks for this sample format");
    }
    if (squares) {
        squaresKernel_ = squaresKernelFor(format);
        squares_.resize(current_.size());
    }
    if (bucketFrames_ < 1) {
        throw std::invalid_argument("a peak bucket needs at least one frame");
    }
    startBucket();
}

void PeakScanner::startBucket() {
    for (Peak& peak : current_) {
        peak.min = std::numeric_limits<std::int16_t>::max();
        peak.max = std::numeric_limits<std::int16_t>::min();
    }
    std::fill(squares_.begin(), squares_.end(), 0);
    filled_ = 0;
}

void PeakScanner::feed(const std::uint8_t* bytes, std::int64_t frames) {
    while (frames > 0) {
        const std::int64_t take = std::min(frames, bucketFrames_ - filled_);
        kernel_(bytes, take, channels_, current_.data());
        if (squaresKernel_ != nullptr) {
            squaresKernel_(bytes, take, channels_, squares_.data());
        }
        bytes += take * frameBytes_;
        frames -= take;
        filled_ += take;
        if (filled_ == bucketFrames_) {
            sink_(current_.data());
            startBucket();
        }
    }
}

void PeakScanner::finish() {
    if (filled_ > 0) {
        sink_(current_.data());
        startBucket();
    }
}

} // namespace sundra
