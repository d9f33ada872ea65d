#pragma once
// TrackSegment: a track, the window [start, end) in frames onto a parent stream.
// It never owns its parent and has no position of its own: it moves the
// parent's, so every track of one master shares one position. A segment whose
// start lies past its end reads nothing and has length 0.

#include "core/sample_stream.h"

#include <cstdint>

namespace sundra {

class TrackSegment : public SampleReaderWriter {
public:
    // Over the process-wide empty stream: [0, 0).
    TrackSegment();
    // The whole parent: [0, parent.length()).
    explicit TrackSegment(SampleStream& parent);
    // The values are stored without any test.
    TrackSegment(SampleStream& parent, std::int32_t start, std::int32_t end);
    TrackSegment(const TrackSegment&) = default;
    TrackSegment& operator=(const TrackSegment&) = default;

    // Clamps start and end to [0, parent length], then orders them.
    TrackSegment& normalize();
    TrackSegment& resetToWhole();
    // start = min of the starts, end = max of the ends.
    TrackSegment& mergeWith(const TrackSegment& other);

    void seek(std::int32_t frame) override;
    std::int32_t tell() const override;
    // end - start, or 0 when start lies past end.
    std::int32_t length() const override;
    // Tracks are never truncated; this leaves the segment as it is and returns
    // its length.
    std::int32_t truncate(std::int32_t frames) override;
    const WaveFormat& format() const override;
    std::int32_t absoluteStart() const override;
    std::int32_t absoluteEnd() const override;
    // Never reads past end.
    std::int32_t read(void* buffer, std::int32_t byteCount) override;
    std::int32_t write(const void* buffer, std::int32_t byteCount) override;

    SampleStream& parent() const { return *parent_; }
    std::int32_t start() const { return start_; }
    std::int32_t end() const { return end_; }
    void setStart(std::int32_t start) { start_ = start; }
    void setEnd(std::int32_t end) { end_ = end; }

    // The process-wide empty track (over EmptyStream::shared(), [0, 0)). It stands
    // for "no track selected" and is never released while the program runs.
    static TrackSegment& empty();

private:
    SampleStream* parent_;
    std::int32_t start_;
    std::int32_t end_;
};

} // namespace sundra
