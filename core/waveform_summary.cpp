#include "core/waveform_summary.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace sundra {

namespace {

std::int64_t bucketsFor(std::int64_t frames, std::int64_t bucketFrames) {
    return (frames + bucketFrames - 1) / bucketFrames;
}

Peak emptyPeak() {
    return {std::numeric_limits<std::int16_t>::max(), std::numeric_limits<std::int16_t>::min()};
}

void widen(Peak& into, const Peak& peak) {
    into.min = std::min(into.min, peak.min);
    into.max = std::max(into.max, peak.max);
}

} // namespace

WaveformSummary::WaveformSummary(const WaveFormat& format, std::int64_t expectedFrames,
                                 bool withSquares)
    : format_(format), expectedFrames_(std::max<std::int64_t>(expectedFrames, 0)),
      withSquares_(withSquares) {
    if (!canScanPeaks(format)) {
        throw std::invalid_argument("no waveform for this sample format");
    }
    for (int level = 0; level < kLevels; ++level) {
        const auto size =
            static_cast<size_t>(bucketsFor(expectedFrames_, levelFrames(level)) * channels());
        levels_[static_cast<size_t>(level)].resize(size);
        squares_[static_cast<size_t>(level)].resize(withSquares ? size : 0);
    }
}

double WaveformSummary::progress() const {
    if (complete() || expectedFrames_ == 0) {
        return complete() ? 1.0 : 0.0;
    }
    return static_cast<double>(readyFrames()) / static_cast<double>(expectedFrames_);
}

bool WaveformSummary::bucketReady(int level, std::int64_t bucket, std::int64_t ready,
                                  bool complete) const {
    const std::int64_t size = levelFrames(level);
    if (bucket < 0 || bucket * size >= ready) {
        return false;
    }
    return complete || (bucket + 1) * size <= ready;
}

std::int64_t WaveformSummary::bucketCount(int level) const {
    const bool done = complete();
    const std::int64_t ready = readyFrames();
    return done ? bucketsFor(ready, levelFrames(level)) : ready / levelFrames(level);
}

Peak WaveformSummary::peak(int level, std::int64_t bucket, int channel) const {
    return levels_[static_cast<size_t>(level)][static_cast<size_t>(bucket * channels() + channel)];
}

double WaveformSummary::squares(int level, std::int64_t bucket, int channel) const {
    if (!withSquares_) {
        return 0.0;
    }
    return squares_[static_cast<size_t>(level)][static_cast<size_t>(bucket * channels() + channel)];
}

template <class Visit>
std::int64_t WaveformSummary::walk(std::int64_t first, std::int64_t last,
                                   const Visit& visit) const {
    const bool done = complete();
    const std::int64_t ready = readyFrames();
    const std::int64_t fine = levelFrames(0);
    first = std::max<std::int64_t>(first, 0);
    last = std::min(last, ready);
    if (first >= last) {
        return 0;
    }
    const std::int64_t from = first / fine;
    const std::int64_t end = bucketsFor(last, fine);
    std::int64_t bucket = from;
    while (bucket < end) {
        int level = kLevels - 1;
        for (; level > 0; --level) {
            const std::int64_t ratio = levelFrames(level) / fine;
            if (bucket % ratio == 0 && bucket + ratio <= end &&
                bucketReady(level, bucket / ratio, ready, done)) {
                break;
            }
        }
        const std::int64_t ratio = levelFrames(level) / fine;
        if (!bucketReady(level, bucket / ratio, ready, done)) {
            break;
        }
        visit(level, bucket / ratio);
        bucket += ratio;
    }
    return std::max<std::int64_t>(0, std::min(bucket * fine, ready) - from * fine);
}

std::optional<Peak> WaveformSummary::peakOver(int channel, std::int64_t first,
                                              std::int64_t last) const {
    Peak result = emptyPeak();
    const std::int64_t frames = walk(first, last, [&](int level, std::int64_t bucket) {
        widen(result, peak(level, bucket, channel));
    });
    if (frames == 0) {
        return std::nullopt;
    }
    return result;
}

std::optional<WaveformStats> WaveformSummary::statsOver(int channel, std::int64_t first,
                                                        std::int64_t last) const {
    WaveformStats result{emptyPeak()};
    result.frames = walk(first, last, [&](int level, std::int64_t bucket) {
        widen(result.peak, peak(level, bucket, channel));
        result.squares += squares(level, bucket, channel);
    });
    if (result.frames == 0) {
        return std::nullopt;
    }
    return result;
}

std::optional<std::vector<Peak>> WaveformSummary::atZoom(std::int64_t zoom) const {
    int level = kLevels - 1;
    while (level >= 0 && (zoom <= 0 || zoom % levelFrames(level) != 0)) {
        --level;
    }
    if (level < 0) {
        return std::nullopt;
    }
    const std::int64_t ratio = zoom / levelFrames(level);
    const std::int64_t source = bucketCount(level);
    const std::int64_t buckets = bucketsFor(source, ratio);
    std::vector<Peak> out(static_cast<size_t>(buckets * channels()), emptyPeak());
    for (std::int64_t b = 0; b < source; ++b) {
        for (int c = 0; c < channels(); ++c) {
            widen(out[static_cast<size_t>((b / ratio) * channels() + c)], peak(level, b, c));
        }
    }
    return out;
}

std::size_t WaveformSummary::memoryBytes() const {
    std::size_t bytes = 0;
    for (int level = 0; level < kLevels; ++level) {
        bytes += levels_[static_cast<size_t>(level)].capacity() * sizeof(Peak) +
                 squares_[static_cast<size_t>(level)].capacity() * sizeof(float);
    }
    return bytes;
}

WaveformBuilder::WaveformBuilder(WaveformSummary& summary)
    : summary_(summary), scanner_(
                             summary.format(), WaveformSummary::levelFrames(0),
                             [this](const Peak* bucket) { fineBucket(bucket, scanner_.squares()); },
                             summary.hasSquares()) {
    const auto channels = static_cast<size_t>(summary.channels());
    for (int level = 0; level < WaveformSummary::kLevels; ++level) {
        pending_[static_cast<size_t>(level)].assign(channels, emptyPeak());
        pendingSquares_[static_cast<size_t>(level)].assign(channels, 0.0);
    }
}

void WaveformBuilder::feed(const std::uint8_t* bytes, std::int64_t frames) {
    frames = std::min(frames, summary_.expectedFrames_ - fed_);
    if (frames <= 0) {
        return;
    }
    scanner_.feed(bytes, frames);
    fed_ += frames;
    summary_.ready_.store(fineWritten_ * WaveformSummary::levelFrames(0),
                          std::memory_order_release);
}

void WaveformBuilder::fineBucket(const Peak* bucket, const std::uint64_t* squares) {
    const int channels = summary_.channels();
    std::copy(bucket, bucket + channels, summary_.levels_[0].begin() + fineWritten_ * channels);
    if (summary_.hasSquares()) {
        std::transform(squares, squares + channels,
                       summary_.squares_[0].begin() + fineWritten_ * channels,
                       [](std::uint64_t sum) { return static_cast<float>(sum); });
    }
    ++fineWritten_;
    for (int level = 1; level < WaveformSummary::kLevels; ++level) {
        auto& pending = pending_[static_cast<size_t>(level)];
        auto& pendingSquares = pendingSquares_[static_cast<size_t>(level)];
        for (int c = 0; c < channels; ++c) {
            widen(pending[static_cast<size_t>(c)], bucket[c]);
            if (summary_.hasSquares()) {
                pendingSquares[static_cast<size_t>(c)] += static_cast<double>(squares[c]);
            }
        }
        const std::int64_t ratio =
            WaveformSummary::levelFrames(level) / WaveformSummary::levelFrames(0);
        if (++pendingCount_[static_cast<size_t>(level)] == ratio) {
            writeCoarse(level);
        }
    }
}

void WaveformBuilder::writeCoarse(int level) {
    const auto index = static_cast<size_t>(level);
    const int channels = summary_.channels();
    auto& pending = pending_[index];
    auto& pendingSquares = pendingSquares_[index];
    std::copy(pending.begin(), pending.end(),
              summary_.levels_[index].begin() + written_[index] * channels);
    if (summary_.hasSquares()) {
        std::copy(pendingSquares.begin(), pendingSquares.end(),
                  summary_.squares_[index].begin() + written_[index] * channels);
    }
    ++written_[index];
    pending.assign(static_cast<size_t>(channels), emptyPeak());
    pendingSquares.assign(static_cast<size_t>(channels), 0.0);
    pendingCount_[index] = 0;
}

void WaveformBuilder::finish() {
    scanner_.finish();
    for (int level = 1; level < WaveformSummary::kLevels; ++level) {
        if (pendingCount_[static_cast<size_t>(level)] > 0) {
            writeCoarse(level);
        }
    }
    summary_.ready_.store(fed_, std::memory_order_release);
    summary_.complete_.store(true, std::memory_order_release);
}

bool WaveformBuilder::readFrom(SampleReader& source, const std::function<bool()>& stopRequested) {
    const std::int32_t frameBytes = frameSize(summary_.format());
    // About a megabyte a read: few calls, and a stop is seen within milliseconds.
    const std::int32_t blockFrames = std::max(1, (1 << 20) / frameBytes);
    std::vector<std::uint8_t> block(static_cast<size_t>(blockFrames) *
                                    static_cast<size_t>(frameBytes));
    for (;;) {
        if (stopRequested && stopRequested()) {
            return false;
        }
        const std::int32_t got = source.read(block.data(), static_cast<std::int32_t>(block.size()));
        const std::int32_t frames = got / frameBytes;
        if (frames <= 0) {
            break;
        }
        feed(block.data(), frames);
    }
    finish();
    return true;
}

} // namespace sundra
