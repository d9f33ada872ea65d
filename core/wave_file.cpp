#include "core/wave_file.h"

#include "core/exception.h"
#include "core/wave_header.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <stdexcept>
#include <utility>

namespace sundra {

namespace {

std::int32_t toFrames(std::int64_t frames) {
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(frames, std::numeric_limits<std::int32_t>::min(),
                                 std::numeric_limits<std::int32_t>::max()));
}

} // namespace

WaveFileReader::WaveFileReader() = default;

WaveFileReader::WaveFileReader(const WaveFormat& format, std::unique_ptr<FileByteStream> source)
    : format_(format), source_(std::move(source)) {}

WaveFileReader::~WaveFileReader() = default;

bool WaveFileReader::attach(std::unique_ptr<FileByteStream> source) {
    source_.reset();
    dataOffset_ = 0;
    dataBytes_ = WaveHeader::kToEndOfFile;
    broadcast_.reset();
    refusal_.clear();
    source_ = std::move(source);
    if (!source_)
        return false;
    WaveHeader header = readWaveHeader(*source_);
    if (!header.accepted()) {
        refusal_ = std::move(header.refusal);
        return false;
    }
    format_ = header.format;
    dataOffset_ = header.dataOffset;
    dataBytes_ = header.dataBytes;
    broadcast_ = std::move(header.broadcast);
    return true;
}

std::int64_t WaveFileReader::dataEnd() const {
    const std::int64_t fileEnd = source_->length();
    return dataBytes_ == WaveHeader::kToEndOfFile ? fileEnd
                                                  : std::min(dataOffset_ + dataBytes_, fileEnd);
}

// Without an accepted header the reader behaves as an empty stream, so a refused
// file can never divide by a frame size of 0 or hand out header bytes as samples.
void WaveFileReader::seek(std::int32_t frame) {
    if (dataOffset_ == 0 || !source_)
        return;
    source_->seek(dataOffset_ + static_cast<std::int64_t>(frame) * frameSize(format_), 1);
}

std::int32_t WaveFileReader::tell() const {
    if (dataOffset_ == 0 || !source_)
        return 0;
    return toFrames((source_->tell() - dataOffset_) / frameSize(format_));
}

std::int32_t WaveFileReader::length() const {
    if (dataOffset_ == 0 || !source_)
        return 0;
    return toFrames(std::max<std::int64_t>(dataEnd() - dataOffset_, 0) / frameSize(format_));
}

std::int32_t WaveFileReader::truncate(std::int32_t) {
    throw UnsupportedOperation("a WAV file reader cannot be truncated");
}

std::int32_t WaveFileReader::write(const void*, std::int32_t) {
    throw UnsupportedOperation("a WAV file reader cannot be written");
}

std::int32_t WaveFileReader::read(void* buffer, std::int32_t byteCount) {
    if (dataOffset_ == 0 || !source_)
        return 0;
    if (dataBytes_ == WaveHeader::kToEndOfFile)
        return source_->read(buffer, byteCount);
    // Chunks after the samples (tags, cue points) are never read as sound.
    const std::int64_t left = dataEnd() - source_->tell();
    if (left <= 0)
        return 0;
    return source_->read(buffer,
                         static_cast<std::int32_t>(std::min<std::int64_t>(byteCount, left)));
}

WaveFileWriter::WaveFileWriter(const WaveFormat& format, std::unique_ptr<FileByteStream> target,
                               std::int64_t expectedFrames, std::optional<BroadcastInfo> broadcast)
    : WaveFileReader(format, std::move(target)) {
    broadcast_ = std::move(broadcast);
    if (!source_)
        throw std::invalid_argument("a WAV file writer needs a file");
    if (frameSize(format_) <= 0)
        throw std::invalid_argument("a WAV file writer needs a format with whole frames");
    const BroadcastInfo* bext = broadcast_ ? &*broadcast_ : nullptr;
    const bool mayNeedRf64 =
        expectedFrames < 0 ||
        needsRf64(headerSize(format_, HeaderRoom::Riff, bext), expectedFrames * frameSize(format_));
    room_ = mayNeedRf64 ? HeaderRoom::Rf64 : HeaderRoom::Riff;
    dataOffset_ = writeHeader(*source_, format_, 0, room_, bext);
    headerWrittenFor_ = dataOffset_;
}

// The sizes come from the file's length in bytes, which stays right beyond the
// 32-bit frame counts the streams report.
void WaveFileWriter::writeCurrentHeader() {
    const std::int64_t frame = frameSize(format_);
    const std::int64_t data = std::max<std::int64_t>(source_->length() - dataOffset_, 0);
    writeHeader(*source_, format_, data / frame * frame, room_,
                broadcast_ ? &*broadcast_ : nullptr);
    headerWrittenFor_ = source_->length();
}

WaveFileWriter::~WaveFileWriter() {
    // A destructor cannot throw. Callers that must know whether the file was
    // finished call flushHeader() first (export and copy do); a header that
    // is current is not written again, so the file keeps its time.
    try {
        if (source_->length() != headerWrittenFor_)
            writeCurrentHeader();
    } catch (const FileError&) {
    }
}

std::int32_t WaveFileWriter::write(const void* buffer, std::int32_t byteCount) {
    source_->write(buffer, byteCount);
    return 0;
}

std::int32_t WaveFileWriter::truncate(std::int32_t frames) {
    const std::int32_t kept = std::clamp(frames, 0, length());
    source_->setLength(dataOffset_ + static_cast<std::int64_t>(kept) * frameSize(format_));
    writeCurrentHeader();
    return kept;
}

void WaveFileWriter::flushHeader() {
    const std::int64_t position = source_->tell();
    writeCurrentHeader();
    source_->seek(position, 1);
}

void WaveFileWriter::flushToDisk() {
    flushHeader();
    source_->file().sync();
}

std::unique_ptr<FileByteStream> openWaveSource(const std::string& path) {
    // A pipe or a device is no file to work on, and opening a pipe for reading
    // waits for a writer, for ever: refused before anything is opened. A path
    // that does not exist is left to the open, which names the cause.
    std::error_code unknown;
    const std::filesystem::file_status status = std::filesystem::status(path, unknown);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
        throw FileError(FileError::Cause::AccessDenied, path);
    return std::make_unique<FileByteStream>(std::make_unique<File>(
        path, File::Access::Read, File::Share::DenyWrite, File::Disposition::OpenExisting));
}

std::unique_ptr<WaveFileReader> openWaveFile(const std::string& path, std::string& refusal) {
    auto reader = std::make_unique<WaveFileReader>();
    if (!reader->attach(openWaveSource(path))) {
        refusal = reader->refusal();
        return nullptr;
    }
    return reader;
}

std::unique_ptr<WaveFileReader> openWaveFile(const std::string& path) {
    std::string refusal;
    return openWaveFile(path, refusal);
}

} // namespace sundra
