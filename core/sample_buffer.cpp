#include "core/sample_buffer.h"

#include <stdexcept>

namespace sundra {

namespace {

std::unique_ptr<std::uint8_t[]> allocate(std::int32_t byteSize) {
    if (byteSize < 0)
        throw std::invalid_argument("a sample buffer cannot have a negative size");
    return std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(byteSize));
}

} // namespace

SampleBuffer::SampleBuffer(const WaveFormat& format, std::int32_t byteSize)
    : data(allocate(byteSize)), capacity(byteSize), used(byteSize), format(format) {}

std::int32_t readIntoBuffer(SampleReader& reader, SampleBuffer& buffer) {
    const std::int32_t bytes = reader.read(buffer.data.get(), buffer.capacity);
    buffer.used = bytes;
    const std::int32_t frame = frameSize(reader.format());
    return frame > 0 ? bytes / frame : 0;
}

std::int32_t writeBuffer(SampleWriter& writer, const SampleBuffer& buffer) {
    return writer.write(buffer.data.get(), buffer.used);
}

} // namespace sundra
