#include "core/byte_stream.h"

#include <utility>

namespace sundra {

FileByteStream::FileByteStream(std::unique_ptr<File> file) : file_(std::move(file)) {}

FileByteStream::~FileByteStream() = default;

std::int64_t FileByteStream::seek(std::int64_t offset, int origin) {
    switch (origin) {
    case 0:
        return file_->seek(offset, File::Origin::Current);
    case 1:
        return file_->seek(offset, File::Origin::Begin);
    case 2:
        return file_->seek(offset, File::Origin::End);
    default:
        return 0;
    }
}

std::int64_t FileByteStream::tell() const {
    return file_->position();
}

std::int64_t FileByteStream::length() const {
    return file_->length();
}

std::int32_t FileByteStream::read(void* buffer, std::int32_t count) {
    return file_->read(buffer, count);
}

void FileByteStream::write(const void* buffer, std::int32_t count) {
    file_->write(buffer, count);
}

void FileByteStream::setLength(std::int64_t newLength) {
    file_->setLength(newLength);
}

} // namespace sundra
