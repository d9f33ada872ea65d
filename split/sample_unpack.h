#pragma once
// Little-endian WAV samples as the numbers an encoder takes: integers
// left-justified in 32 bits (the top bits hold the sample, as libsndfile's int
// interface expects), or floats on a full scale of 1.0.

#include <cstddef>
#include <cstdint>

namespace sundra {

// bits: 8 (unsigned, centred on 128), 16, 24 or 32.
void unpackIntegers(const std::uint8_t* bytes, std::size_t samples, int bits, std::int32_t* out);

// 32 or 64-bit IEEE floats, as floats.
void unpackFloats(const std::uint8_t* bytes, std::size_t samples, int bits, float* out);

// 32 or 64-bit IEEE floats as 24-bit integers, left-justified: rounded to the
// nearest step, clipped at full scale.
void unpackFloatsTo24(const std::uint8_t* bytes, std::size_t samples, int bits, std::int32_t* out);

} // namespace sundra
