#pragma once
// The format record that travels with all sample data, and the sizes derived
// from it. Every size is computed with integer division, so 4-bit or 0-channel
// formats have a frame size of 0 (the header parser refuses those).

#include <cstdint>

namespace sundra {

struct WaveFormat {
    std::int32_t channels = 2;
    std::int32_t samplesPerSecond = 44100;
    std::int32_t bitsPerSample = 16;

    friend bool operator==(const WaveFormat&, const WaveFormat&) = default;
};

// Bytes of one frame (one sample of every channel): (bits / 8) x channels.
inline std::int32_t frameSize(const WaveFormat& format) {
    return (format.bitsPerSample / 8) * format.channels;
}

// Bytes of one second: samplesPerSecond x frame size.
inline std::int32_t bytesPerSecond(const WaveFormat& format) {
    return format.samplesPerSecond * frameSize(format);
}

} // namespace sundra
