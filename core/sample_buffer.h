#pragma once
// SampleBuffer: the unit of transfer between a reader and a writer. It owns its
// bytes; `used` says how many of them hold valid samples.

#include "core/sample_stream.h"
#include "core/wave_format.h"

#include <cstdint>
#include <memory>

namespace sundra {

struct SampleBuffer {
    // data gets byteSize bytes (zeroed); capacity and used are both byteSize.
    SampleBuffer(const WaveFormat& format, std::int32_t byteSize);

    std::unique_ptr<std::uint8_t[]> data;
    std::int32_t capacity;
    std::int32_t used;
    WaveFormat format;
};

// Reads up to capacity bytes; used becomes the bytes read. Returns the frames
// read (bytes / frame size of the reader's format); 0 means exhausted.
std::int32_t readIntoBuffer(SampleReader& reader, SampleBuffer& buffer);

// Writes the used bytes; returns the writer's result.
std::int32_t writeBuffer(SampleWriter& writer, const SampleBuffer& buffer);

} // namespace sundra
