#pragma once
// The stream family that files, tracks, the empty placeholder and the sound
// devices share. Positions and lengths are frames (signed 32-bit); read and write
// move raw sample bytes, meant to be whole frames. SampleStream is a virtual base,
// so a class that both reads and writes has one stream part.

#include "core/wave_format.h"

#include <cstdint>

namespace sundra {

class SampleStream {
public:
    virtual ~SampleStream() = default;
    virtual void seek(std::int32_t frame) = 0;
    virtual std::int32_t tell() const = 0;
    virtual std::int32_t length() const = 0;
    // Cuts the stream to at most frames frames; returns the new length.
    virtual std::int32_t truncate(std::int32_t frames) = 0;
    virtual const WaveFormat& format() const = 0;
    // Where frame 0 of this stream lies in the master.
    virtual std::int32_t absoluteStart() const { return 0; }
    // Where this stream ends in the master.
    virtual std::int32_t absoluteEnd() const { return length(); }
};

class SampleReader : public virtual SampleStream {
public:
    // Returns the bytes actually read; 0 when the stream is exhausted.
    virtual std::int32_t read(void* buffer, std::int32_t byteCount) = 0;
};

class SampleWriter : public virtual SampleStream {
public:
    // Returns 0 on success (files, tracks) or the sink's own result (devices).
    virtual std::int32_t write(const void* buffer, std::int32_t byteCount) = 0;
    // Waits at most timeoutMs until a write would not have to wait; true when
    // it would not. Files and tracks never wait; a sound device waits for a
    // free buffer, and a play loop waits here, outside any lock, for its pace.
    virtual bool waitUntilWritable(std::uint32_t timeoutMs) {
        (void)timeoutMs;
        return true;
    }
};

class SampleReaderWriter : public SampleReader, public SampleWriter {};

// Stands in for a master before anything is opened: empty, reads nothing,
// discards writes.
class EmptyStream : public SampleReaderWriter {
public:
    explicit EmptyStream(const WaveFormat& format = WaveFormat{}) : format_(format) {}

    void seek(std::int32_t) override {}
    std::int32_t tell() const override { return 0; }
    std::int32_t length() const override { return 0; }
    std::int32_t truncate(std::int32_t) override { return 0; }
    const WaveFormat& format() const override { return format_; }
    std::int32_t read(void*, std::int32_t) override { return 0; }
    std::int32_t write(const void*, std::int32_t) override { return 0; }

    // The process-wide empty stream of the default format, built on first use
    // and kept until exit. It backs the shared empty track.
    static EmptyStream& shared();

private:
    WaveFormat format_;
};

} // namespace sundra
