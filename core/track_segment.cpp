#include "core/track_segment.h"

#include "core/exception.h"

#include <algorithm>
#include <limits>

namespace sundra {

namespace {

// Positions are stored without any test, so sums and differences of two of them
// may leave the int32 range; they saturate instead of wrapping.
std::int32_t saturate(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

} // namespace

TrackSegment::TrackSegment() : TrackSegment(EmptyStream::shared(), 0, 0) {}

TrackSegment::TrackSegment(SampleStream& parent) : TrackSegment(parent, 0, parent.length()) {}

TrackSegment::TrackSegment(SampleStream& parent, std::int32_t start, std::int32_t end)
    : parent_(&parent), start_(start), end_(end) {}

TrackSegment& TrackSegment::normalize() {
    const std::int32_t limit = std::max(parent_->length(), 0);
    start_ = std::clamp(start_, 0, limit);
    end_ = std::clamp(end_, 0, limit);
    if (end_ < start_) {
        std::swap(start_, end_);
    }
    return *this;
}

TrackSegment& TrackSegment::resetToWhole() {
    start_ = 0;
    end_ = parent_->length();
    return *this;
}

TrackSegment& TrackSegment::mergeWith(const TrackSegment& other) {
    start_ = std::min(start_, other.start_);
    end_ = std::max(end_, other.end_);
    return *this;
}

void TrackSegment::seek(std::int32_t frame) {
    parent_->seek(saturate(std::int64_t{start_} + frame));
}

std::int32_t TrackSegment::tell() const {
    return saturate(std::int64_t{parent_->tell()} - start_);
}

std::int32_t TrackSegment::length() const {
    return end_ > start_ ? saturate(std::int64_t{end_} - start_) : 0;
}

std::int32_t TrackSegment::truncate(std::int32_t) {
    return length();
}

const WaveFormat& TrackSegment::format() const {
    return parent_->format();
}

std::int32_t TrackSegment::absoluteStart() const {
    return saturate(std::int64_t{parent_->absoluteStart()} + start_);
}

std::int32_t TrackSegment::absoluteEnd() const {
    return saturate(std::int64_t{parent_->absoluteStart()} + end_);
}

std::int32_t TrackSegment::read(void* buffer, std::int32_t byteCount) {
    auto* reader = dynamic_cast<SampleReader*>(parent_);
    if (reader == nullptr) {
        throw UnsupportedOperation("a track over a stream that cannot be read was read");
    }
    const std::int32_t size = frameSize(format());
    const std::int64_t remaining = std::int64_t{length()} - tell();
    if (remaining <= 0 || byteCount <= 0 || size <= 0) {
        return 0;
    }
    // Compared in bytes, not in whole frames, so that a count with a partial
    // frame cannot reach past end either.
    if (byteCount > remaining * size) {
        byteCount = static_cast<std::int32_t>(remaining * size);
    }
    return reader->read(buffer, byteCount);
}

std::int32_t TrackSegment::write(const void* buffer, std::int32_t byteCount) {
    auto* writer = dynamic_cast<SampleWriter*>(parent_);
    if (writer == nullptr) {
        throw UnsupportedOperation("a track over a stream that cannot be written was written");
    }
    return writer->write(buffer, byteCount);
}

TrackSegment& TrackSegment::empty() {
    static TrackSegment instance;
    return instance;
}

} // namespace sundra
