#pragma once
// A sample stream over bytes in memory, so that tests of tracks, units and the
// track list need no files. Reads and writes move the position by the bytes
// moved, like a file stream; writing at the end grows the stream.

#include "core/sample_stream.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace sundra::test {

class MemoryStream : public SampleReaderWriter {
public:
    explicit MemoryStream(const WaveFormat& format, std::int32_t frames = 0)
        : format_(format),
          bytes_(static_cast<std::size_t>(frames) * static_cast<std::size_t>(frameSize(format))) {}

    void seek(std::int32_t frame) override { position_ = std::int64_t{frame} * frameSize(format_); }
    std::int32_t tell() const override {
        return static_cast<std::int32_t>(position_ / frameSize(format_));
    }
    std::int32_t length() const override {
        return static_cast<std::int32_t>(bytes_.size() /
                                         static_cast<std::size_t>(frameSize(format_)));
    }
    std::int32_t truncate(std::int32_t frames) override {
        const std::int32_t kept = std::min(frames, length());
        bytes_.resize(static_cast<std::size_t>(kept) *
                      static_cast<std::size_t>(frameSize(format_)));
        position_ = 0;
        return kept;
    }
    const WaveFormat& format() const override { return format_; }

    std::int32_t read(void* buffer, std::int32_t byteCount) override {
        const std::int64_t size = static_cast<std::int64_t>(bytes_.size());
        if (position_ < 0 || position_ >= size || byteCount <= 0) {
            return 0;
        }
        const std::int64_t count = std::min<std::int64_t>(byteCount, size - position_);
        std::memcpy(buffer, bytes_.data() + position_, static_cast<std::size_t>(count));
        position_ += count;
        lastReadCount = static_cast<std::int32_t>(count);
        return static_cast<std::int32_t>(count);
    }
    std::int32_t write(const void* buffer, std::int32_t byteCount) override {
        if (position_ < 0 || byteCount <= 0) {
            return 0;
        }
        const auto end = static_cast<std::size_t>(position_ + byteCount);
        if (end > bytes_.size()) {
            bytes_.resize(end);
        }
        std::memcpy(bytes_.data() + position_, buffer, static_cast<std::size_t>(byteCount));
        position_ += byteCount;
        return 0;
    }

    std::vector<std::uint8_t>& bytes() { return bytes_; }
    // Byte count of the last read that returned data.
    std::int32_t lastReadCount = 0;

private:
    WaveFormat format_;
    std::vector<std::uint8_t> bytes_;
    std::int64_t position_ = 0;
};

// Fills every byte with its frame number's low byte plus the byte's place in
// the frame, so that a test can tell which frames a read returned.
inline void numberFrames(MemoryStream& stream) {
    const auto size = static_cast<std::size_t>(frameSize(stream.format()));
    std::vector<std::uint8_t>& bytes = stream.bytes();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i / size + i % size);
    }
}

} // namespace sundra::test
