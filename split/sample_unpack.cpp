#include "split/sample_unpack.h"

#include <bit>
#include <cmath>
#include <cstring>

namespace sundra {

// WAV samples are little-endian; the copies below take them as they lie.
static_assert(std::endian::native == std::endian::little);

namespace {

double floatAt(const std::uint8_t* bytes, std::size_t index, int bits) {
    if (bits == 64) {
        double value;
        std::memcpy(&value, bytes + index * 8, sizeof value);
        return value;
    }
    float value;
    std::memcpy(&value, bytes + index * 4, sizeof value);
    return value;
}

} // namespace

void unpackIntegers(const std::uint8_t* bytes, std::size_t samples, int bits, std::int32_t* out) {
    // Shifts are done on unsigned values so that negative samples are exact.
    switch (bits) {
    case 8:
        for (std::size_t i = 0; i < samples; ++i)
            out[i] = static_cast<std::int32_t>(static_cast<std::uint32_t>(bytes[i] ^ 0x80u) << 24);
        break;
    case 16:
        for (std::size_t i = 0; i < samples; ++i) {
            const std::uint32_t value = bytes[2 * i] | (std::uint32_t{bytes[2 * i + 1]} << 8);
            out[i] = static_cast<std::int32_t>(value << 16);
        }
        break;
    case 24:
        for (std::size_t i = 0; i < samples; ++i) {
            const std::uint8_t* s = bytes + 3 * i;
            const std::uint32_t value =
                s[0] | (std::uint32_t{s[1]} << 8) | (std::uint32_t{s[2]} << 16);
            out[i] = static_cast<std::int32_t>(value << 8);
        }
        break;
    default:
        std::memcpy(out, bytes, samples * 4);
        break;
    }
}

void unpackFloats(const std::uint8_t* bytes, std::size_t samples, int bits, float* out) {
    for (std::size_t i = 0; i < samples; ++i)
        out[i] = static_cast<float>(floatAt(bytes, i, bits));
}

void unpackFloatsTo24(const std::uint8_t* bytes, std::size_t samples, int bits, std::int32_t* out) {
    constexpr double kFullScale = 8388608.0;
    for (std::size_t i = 0; i < samples; ++i) {
        const double value = floatAt(bytes, i, bits);
        double step = std::nearbyint(value * kFullScale);
        if (!(step > -kFullScale)) // also a NaN
            step = std::isnan(value) ? 0.0 : -kFullScale;
        if (step > kFullScale - 1)
            step = kFullScale - 1;
        out[i] = static_cast<std::int32_t>(
            static_cast<std::uint32_t>(static_cast<std::int32_t>(step)) << 8);
    }
}

} // namespace sundra
