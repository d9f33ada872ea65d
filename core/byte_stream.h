#pragma once
// The byte-stream layer that WAV files are read and written through. Positions,
// lengths and offsets are 64-bit; counts of one transfer are 32-bit.
// A class that both reads and writes has a single ByteSeekable base (virtual).

#include "core/file.h"

#include <cstdint>
#include <memory>

namespace sundra {

class ByteSeekable {
public:
    virtual ~ByteSeekable() = default;
    // origin 0 = from the current position, 1 = from the start, 2 = from the end.
    // Any other origin does nothing and returns 0. Returns the new position.
    virtual std::int64_t seek(std::int64_t offset, int origin) = 0;
    virtual std::int64_t tell() const = 0;
    virtual std::int64_t length() const = 0;
    bool atEnd() const { return tell() >= length(); }
};

class ByteReader : public virtual ByteSeekable {
public:
    // Returns the bytes actually read, 0 at the end.
    virtual std::int32_t read(void* buffer, std::int32_t count) = 0;
};

class ByteWriter : public virtual ByteSeekable {
public:
    virtual void write(const void* buffer, std::int32_t count) = 0;
    // Cuts or extends the stream.
    virtual void setLength(std::int64_t newLength) = 0;
};

// A byte stream over an open File, which it owns and closes when destroyed.
class FileByteStream : public ByteReader, public ByteWriter {
public:
    explicit FileByteStream(std::unique_ptr<File> file);
    ~FileByteStream() override;

    std::int64_t seek(std::int64_t offset, int origin) override;
    std::int64_t tell() const override;
    std::int64_t length() const override;
    std::int32_t read(void* buffer, std::int32_t count) override;
    void write(const void* buffer, std::int32_t count) override;
    void setLength(std::int64_t newLength) override;

    File& file() { return *file_; }
    const File& file() const { return *file_; }

private:
    std::unique_ptr<File> file_;
};

} // namespace sundra
