#pragma once
// The format record that travels with all sample data, and the sizes derived
// from it. Every size is computed with integer division, so 4-bit or 0-channel
// formats have a frame size of 0 (the header parser refuses those). The
// encoding says how a sample's bytes are read: signed (or, at 8 bits,
// unsigned) integers, or IEEE floating point. bitsPerSample is the width of the
// container a sample is stored in; a recorder that fills only part of it (12
// bits in 16, 20 in 24, 24 in 32) leaves the low bits zero, so the samples read
// right as container-wide integers and validBits only tells what they hold.

#include <cstdint>

namespace sundra {

// The WAV format tags of the two encodings we read and write.
enum class SampleEncoding : std::int32_t { Integer = 1, Float = 3 };

struct WaveFormat {
    std::int32_t channels = 2;
    std::int32_t samplesPerSecond = 44100;
    std::int32_t bitsPerSample = 16;
    SampleEncoding encoding = SampleEncoding::Integer;
    // Bits of the container that carry the sample; 0 when all of them do.
    std::int32_t validBits = 0;

    friend bool operator==(const WaveFormat&, const WaveFormat&) = default;
};

inline bool isFloat(const WaveFormat& format) {
    return format.encoding == SampleEncoding::Float;
}

// The bits of a sample that carry sound (at most the container's).
inline std::int32_t significantBits(const WaveFormat& format) {
    return format.validBits > 0 ? format.validBits : format.bitsPerSample;
}

// Bytes of one frame (one sample of every channel): (bits / 8) x channels.
inline std::int32_t frameSize(const WaveFormat& format) {
    return (format.bitsPerSample / 8) * format.channels;
}

// Bytes of one second: samplesPerSecond x frame size.
inline std::int32_t bytesPerSecond(const WaveFormat& format) {
    return format.samplesPerSecond * frameSize(format);
}

} // namespace sundra
