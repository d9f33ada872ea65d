#include "audio/device_samples.h"

#include "core/sample_shape.h"

#include <cstring>

namespace sundra {

WaveFormat deviceFormatOf(const WaveFormat& source) {
    WaveFormat device = source;
    if (isFloat(source) && source.bitsPerSample == 64)
        device.bitsPerSample = 32;
    return device;
}

bool playsAsItIs(const WaveFormat& source) {
    return deviceFormatOf(source) == source;
}

std::int32_t deviceBytesOf(const WaveFormat& source, std::int32_t byteCount) {
    if (playsAsItIs(source))
        return byteCount;
    const WaveFormat device = deviceFormatOf(source);
    return byteCount / (source.bitsPerSample / 8) * (device.bitsPerSample / 8);
}

std::int32_t toDeviceSamples(const WaveFormat& source, const std::uint8_t* samples,
                             std::int32_t byteCount, std::uint8_t* out) {
    if (byteCount <= 0)
        return 0;
    if (playsAsItIs(source)) {
        std::memcpy(out, samples, static_cast<std::size_t>(byteCount));
        return byteCount;
    }
    // A 64-bit float's level is its value, and a 32-bit float stores a value
    // as the nearest single.
    const SampleShape& from = *sampleShape(source);
    const SampleShape& to = *sampleShape(deviceFormatOf(source));
    const std::int32_t fromBytes = source.bitsPerSample / 8;
    const std::int32_t toBytes = to.bits / 8;
    const std::int32_t count = byteCount / fromBytes;
    for (std::int32_t i = 0; i < count; ++i)
        to.store(from.level(samples + static_cast<std::ptrdiff_t>(i) * fromBytes),
                 out + static_cast<std::ptrdiff_t>(i) * toBytes);
    return count * toBytes;
}

} // namespace sundra
