#pragma once
// WAV files as sample streams. A WaveFileReader owns the byte stream it parsed;
// a WaveFileWriter lays down the header of its format at once (44 bytes for 8-
// and 16-bit samples), appends samples and finishes the header when it is
// truncated and when it is destroyed. A writer is a full reader of what it has
// written (a finished recording becomes a master). A reader's samples end where
// its data chunk ends, or at the end of the file when the header was never
// finished (and then grow with a file that is still being written).

#include "core/byte_stream.h"
#include "core/sample_stream.h"
#include "core/wave_header.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace sundra {

class WaveFileReader : public SampleReaderWriter {
public:
    WaveFileReader();
    // Keeps format and source; dataOffset stays 0 (a writer's starting point).
    WaveFileReader(const WaveFormat& format, std::unique_ptr<FileByteStream> source);
    ~WaveFileReader() override;

    // Releases any previous source, keeps this one and parses its header.
    // Returns true when the header was accepted; refusal() then says why not.
    bool attach(std::unique_ptr<FileByteStream> source);

    void seek(std::int32_t frame) override;
    std::int32_t tell() const override;
    std::int32_t length() const override;
    // A plain reader refuses both with UnsupportedOperation.
    std::int32_t truncate(std::int32_t frames) override;
    std::int32_t write(const void* buffer, std::int32_t byteCount) override;
    const WaveFormat& format() const override { return format_; }
    std::int32_t read(void* buffer, std::int32_t byteCount) override;

    std::int64_t dataOffset() const { return dataOffset_; }
    // Why the last attach refused its file; empty after an accepted one.
    const std::string& refusal() const { return refusal_; }
    // The file's Broadcast Wave record, if it has one.
    const std::optional<BroadcastInfo>& broadcastInfo() const { return broadcast_; }
    // The underlying byte stream, or null when nothing is attached.
    FileByteStream* source() { return source_.get(); }
    const FileByteStream* source() const { return source_.get(); }

protected:
    WaveFormat format_;
    std::int64_t dataOffset_ = 0;
    std::unique_ptr<FileByteStream> source_;
    // The sample bytes, or WaveHeader::kToEndOfFile.
    std::int64_t dataBytes_ = WaveHeader::kToEndOfFile;
    std::optional<BroadcastInfo> broadcast_;
    std::string refusal_;

private:
    // The byte position where the samples end.
    std::int64_t dataEnd() const;
};

class WaveFileWriter : public WaveFileReader {
public:
    // For a file whose length is not known when it is begun (a recording).
    static constexpr std::int64_t kOpenEnded = -1;

    // Writes the header for 0 frames; the position is then frame 0.
    // expectedFrames is the length the file is meant to get, or kOpenEnded: a
    // file that may reach 4 GiB keeps room in its header for the RF64 sizes,
    // and becomes RF64 once its data no longer fits a RIFF header. A
    // broadcast record makes the file a Broadcast Wave file.
    WaveFileWriter(const WaveFormat& format, std::unique_ptr<FileByteStream> target,
                   std::int64_t expectedFrames = 0,
                   std::optional<BroadcastInfo> broadcast = std::nullopt);
    // Rewrites the header for the current length, unless nothing was written
    // since it was last written, then closes the file. A finished file that is
    // only read afterwards (a recording that became the master) keeps its
    // modification time, so the stamp taken of it still holds.
    ~WaveFileWriter() override;

    // Writes at the current position; the stream grows when it writes at its end.
    std::int32_t write(const void* buffer, std::int32_t byteCount) override;
    // n' = min(frames, length()); cuts the file there and rewrites the header.
    // Returns n'; the position is frame 0 afterwards.
    std::int32_t truncate(std::int32_t frames) override;
    // Rewrites the header for the current length and returns to the position
    // the stream had, so that a file being written stays playable if the
    // program dies (used by long recordings).
    void flushHeader();
    // flushHeader, then hands the data and the header to the disk: what was
    // written so far survives a power cut. Long recordings call it every few
    // seconds.
    void flushToDisk();

private:
    // Rewrites the header for the whole frames written so far.
    void writeCurrentHeader();

    HeaderRoom room_ = HeaderRoom::Riff;
    // The file's length in bytes when the header was last written: the header
    // depends on nothing else.
    std::int64_t headerWrittenFor_ = -1;
};

// Opens path as the program opens a WAV to work on: for reading, others denied
// write, its header parsed. Null when the header is refused, with the reason in
// refusal; a file that cannot be opened throws FileError, and so does anything
// that is no regular file (a pipe, a device, a folder: access denied), before
// it is opened.
std::unique_ptr<WaveFileReader> openWaveFile(const std::string& path, std::string& refusal);
std::unique_ptr<WaveFileReader> openWaveFile(const std::string& path);
// The file under openWaveFile, opened the same way but not yet parsed.
std::unique_ptr<FileByteStream> openWaveSource(const std::string& path);

} // namespace sundra
