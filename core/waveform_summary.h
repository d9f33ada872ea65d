#pragma once
// WaveformSummary: what the waveform display draws from. For every channel the
// minimum and maximum sample (16-bit scale, see PeakScanner) and the sum of the
// squares of the samples over buckets of 256 frames, and coarser levels of 4096
// and 65536 frames built from them; the last bucket of a level covers the
// frames that remain. The sums give the RMS of any run of buckets, which shows
// how loud a stretch is where the peaks only show its loudest moments: the gap
// of hiss between two songs of a noisy record. About 5.3 MB per channel-hour at
// 44.1 kHz, allocated once for the expected length.
//
// WaveformBuilder fills a summary in one streaming pass. One thread builds
// while others read: a bucket is written before readyFrames() is published
// (release), and readers only look at buckets that readyFrames() covers, so
// progress and the finished part are read without a lock.

#include "core/peak_scanner.h"
#include "core/sample_stream.h"
#include "core/wave_format.h"

#include <array>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace sundra {

// What a run of buckets holds for one channel.
struct WaveformStats {
    Peak peak;
    double squares = 0.0; // the sum of the squares of the samples
    std::int64_t frames = 0;
    // The root of the mean square, on the 16-bit scale; 0 for no frames.
    double rms() const {
        return frames > 0 ? std::sqrt(squares / static_cast<double>(frames)) : 0.0;
    }
};

class WaveformSummary {
public:
    static constexpr int kLevels = 3;
    static constexpr std::array<std::int64_t, kLevels> kLevelFrames{256, 4096, 65536};

    // Room for expectedFrames frames; format must pass canScanPeaks. Without
    // squares (a peak file needs none) it holds and costs as much as the peaks.
    WaveformSummary(const WaveFormat& format, std::int64_t expectedFrames, bool withSquares = true);
    WaveformSummary(const WaveformSummary&) = delete;
    WaveformSummary& operator=(const WaveformSummary&) = delete;

    const WaveFormat& format() const { return format_; }
    int channels() const { return format_.channels; }
    std::int64_t expectedFrames() const { return expectedFrames_; }
    bool hasSquares() const { return withSquares_; }

    // Frames whose buckets can be read; any thread.
    std::int64_t readyFrames() const { return ready_.load(std::memory_order_acquire); }
    // True once the whole stream was summarised (the last partial buckets too).
    bool complete() const { return complete_.load(std::memory_order_acquire); }
    // 0..1 of the expected frames.
    double progress() const;

    static std::int64_t levelFrames(int level) { return kLevelFrames[static_cast<size_t>(level)]; }
    // Buckets of level that can be read now.
    std::int64_t bucketCount(int level) const;
    // Bucket must be below bucketCount(level).
    Peak peak(int level, std::int64_t bucket, int channel) const;
    // The bucket's sum of squares (kept in single precision: a relative error
    // below 1e-7, far below what a display shows); 0 without squares.
    double squares(int level, std::int64_t bucket, int channel) const;

    // Minimum and maximum of channel over the ready frames of [first, last),
    // in whole 256-frame buckets (the edges widen to the buckets they touch),
    // taking the coarsest bucket that fits. Empty when no frame there is ready.
    std::optional<Peak> peakOver(int channel, std::int64_t first, std::int64_t last) const;
    // The same buckets' peak, sum of squares and the frames they cover.
    std::optional<WaveformStats> statsOver(int channel, std::int64_t first,
                                           std::int64_t last) const;

    // The whole summary at zoom frames a bucket, channels interleaved per bucket,
    // combined exactly from the coarsest level that divides zoom; empty when no
    // level divides it (then only the samples give the exact answer).
    std::optional<std::vector<Peak>> atZoom(std::int64_t zoom) const;

    // Bytes held by the buckets.
    std::size_t memoryBytes() const;

private:
    friend class WaveformBuilder;

    bool bucketReady(int level, std::int64_t bucket, std::int64_t ready, bool complete) const;
    // Calls visit(level, bucket) for the coarsest ready buckets that cover the
    // fine buckets that [first, last) touches; returns the frames they cover.
    template <class Visit>
    std::int64_t walk(std::int64_t first, std::int64_t last, const Visit& visit) const;

    WaveFormat format_;
    std::int64_t expectedFrames_;
    bool withSquares_;
    std::array<std::vector<Peak>, kLevels> levels_;
    std::array<std::vector<float>, kLevels> squares_;
    std::atomic<std::int64_t> ready_{0};
    std::atomic<bool> complete_{false};
};

class WaveformBuilder {
public:
    explicit WaveformBuilder(WaveformSummary& summary);

    // Whole frames of the summary's format; frames past the expected length are
    // ignored.
    void feed(const std::uint8_t* bytes, std::int64_t frames);
    // Writes the partial last buckets and marks the summary complete.
    void finish();

    // Reads source from its current position to its end in large blocks,
    // feeding them, and finishes. Between blocks stopRequested is asked; on
    // true it returns false, leaving the summary incomplete.
    bool readFrom(SampleReader& source, const std::function<bool()>& stopRequested);

private:
    void fineBucket(const Peak* bucket, const std::uint64_t* squares);
    void writeCoarse(int level);

    WaveformSummary& summary_;
    PeakScanner scanner_;
    std::int64_t fed_ = 0;
    std::int64_t fineWritten_ = 0;
    // Accumulators of the coarse levels' current buckets.
    std::array<std::vector<Peak>, WaveformSummary::kLevels> pending_;
    std::array<std::vector<double>, WaveformSummary::kLevels> pendingSquares_;
    std::array<std::int64_t, WaveformSummary::kLevels> pendingCount_{};
    std::array<std::int64_t, WaveformSummary::kLevels> written_{};
};

} // namespace sundra
