#pragma once
// PeakScanner: the minimum and maximum of every channel over buckets of a fixed
// number of frames, fed with raw sample bytes in any of the sample shapes we
// read. Values are on the 16-bit scale: 8-bit samples as (b - 128) * 256, 16-bit
// as they are, 24- and 32-bit integers by their top 16 bits, floating point as
// trunc(v * 32768) clamped to -32768..32767 (NaN counts as 0). Asked to, it
// also sums the squares of those values over each bucket, exactly, for the
// bucket's RMS.

#include "core/wave_format.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace sundra {

struct Peak {
    std::int16_t min = 0;
    std::int16_t max = 0;
    friend bool operator==(const Peak&, const Peak&) = default;
};

// True for 8/16/24/32-bit integer and 32/64-bit float samples.
bool canScanPeaks(const WaveFormat& format);

class PeakScanner {
public:
    // Receives one finished bucket: channels() peaks, channel 0 first.
    using BucketSink = std::function<void(const Peak* bucket)>;

    // format must pass canScanPeaks; bucketFrames must be at least 1. With
    // squares the sums of squares are kept too (a second pass over each
    // block, so a scan for peaks alone costs nothing more).
    PeakScanner(const WaveFormat& format, std::int64_t bucketFrames, BucketSink sink,
                bool squares = false);

    int channels() const { return channels_; }
    std::int64_t bucketFrames() const { return bucketFrames_; }

    // Scans frames whole frames starting at bytes; every bucket that fills up
    // goes to the sink.
    void feed(const std::uint8_t* bytes, std::int64_t frames);
    // Hands a partly filled last bucket to the sink (nothing when the frames
    // fed filled whole buckets).
    void finish();

    // While the sink runs: the bucket's sums of squares, channel 0 first
    // (only when the scanner keeps them).
    const std::uint64_t* squares() const { return squares_.data(); }

    using Kernel = void (*)(const std::uint8_t* bytes, std::int64_t frames, int channels,
                            Peak* peaks);
    using SquaresKernel = void (*)(const std::uint8_t* bytes, std::int64_t frames, int channels,
                                   std::uint64_t* sums);

private:
    void startBucket();

    int channels_;
    std::int32_t frameBytes_;
    std::int64_t bucketFrames_;
    Kernel kernel_;
    SquaresKernel squaresKernel_ = nullptr;
    BucketSink sink_;
    std::vector<Peak> current_;
    std::vector<std::uint64_t> squares_;
    std::int64_t filled_ = 0;
};

} // namespace sundra
