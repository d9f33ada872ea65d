#include "core/sample_shape.h"

#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>

namespace sundra {

namespace {

std::uint32_t load(const std::uint8_t* p, int bytes) {
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= static_cast<std::uint32_t>(p[i]) << (8 * i);
    return value;
}

void save(std::uint8_t* p, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A signed integer of Bits bits from its little-endian bytes, sign-extended.
template <int Bits> std::int32_t signedSample(const std::uint8_t* p) {
    const std::uint32_t raw = load(p, Bits / 8);
    return static_cast<std::int32_t>(raw << (32 - Bits)) >> (32 - Bits);
}

double level8(const std::uint8_t* p) {
    return (p[0] - 128) * 0.0078125;
}

template <int Bits> double levelSigned(const std::uint8_t* p) {
    return signedSample<Bits>(p) * std::ldexp(1.0, 1 - Bits);
}

double levelFloat32(const std::uint8_t* p) {
    const std::uint32_t raw = load(p, 4);
    float value;
    std::memcpy(&value, &raw, sizeof value);
    return value;
}

double levelFloat64(const std::uint8_t* p) {
    const std::uint64_t raw = load(p, 4) | static_cast<std::uint64_t>(load(p + 4, 4)) << 32;
    double value;
    std::memcpy(&value, &raw, sizeof value);
    return value;
}

// The nearest integer step of value on a scale of 2^(Bits-1) - 1 steps, so that
// +1.0 and -1.0 are symmetric and never clip.
template <int Bits> std::int64_t scaled(double value) {
    const double top = std::ldexp(1.0, Bits - 1) - 1.0;
    const double step = std::floor(value * top + 0.5);
    return static_cast<std::int64_t>(step > top ? top : step < -top - 1.0 ? -top - 1.0 : step);
}

void store8(double value, std::uint8_t* p) {
    p[0] = static_cast<std::uint8_t>(scaled<8>(value) + 128);
}

template <int Bits> void storeSigned(double value, std::uint8_t* p) {
    save(p, static_cast<std::uint32_t>(scaled<Bits>(value)), Bits / 8);
}

// The single nearest to value, as IEEE rounding gives it. Beyond the singles'
// range a plain conversion is undefined, so those values are mapped here: from
// half a step past the largest single on, the result is an infinity.
float nearestSingle(double value) {
    constexpr double largest = std::numeric_limits<float>::max();
    constexpr double roundsToInfinity = largest + 0x1p103;
    if (value >= roundsToInfinity || value <= -roundsToInfinity)
        return value > 0 ? std::numeric_limits<float>::infinity()
                         : -std::numeric_limits<float>::infinity();
    if (value > largest || value < -largest)
        return value > 0 ? std::numeric_limits<float>::max() : std::numeric_limits<float>::lowest();
    return static_cast<float>(value); // NaN stays NaN
}

void storeFloat32(double value, std::uint8_t* p) {
    const float single = nearestSingle(value);
    std::uint32_t raw;
    std::memcpy(&raw, &single, sizeof raw);
    save(p, raw, 4);
}

void storeFloat64(double value, std::uint8_t* p) {
    std::uint64_t raw;
    std::memcpy(&raw, &value, sizeof raw);
    save(p, static_cast<std::uint32_t>(raw), 4);
    save(p + 4, static_cast<std::uint32_t>(raw >> 32), 4);
}

constexpr SampleShape kShapes[] = {
    {SampleEncoding::Integer, 8, level8, store8},
    {SampleEncoding::Integer, 16, levelSigned<16>, storeSigned<16>},
    {SampleEncoding::Integer, 24, levelSigned<24>, storeSigned<24>},
    {SampleEncoding::Integer, 32, levelSigned<32>, storeSigned<32>},
    {SampleEncoding::Float, 32, levelFloat32, storeFloat32},
    {SampleEncoding::Float, 64, levelFloat64, storeFloat64},
};

} // namespace

const SampleShape* sampleShape(const WaveFormat& format) {
    for (const SampleShape& shape : kShapes)
        if (shape.encoding == format.encoding && shape.bits == format.bitsPerSample)
            return &shape;
    return nullptr;
}

std::string sampleFormatName(const WaveFormat& format) {
    const std::string name =
        std::to_string(significantBits(format)) + (isFloat(format) ? "-bit float" : "-bit integer");
    if (significantBits(format) < format.bitsPerSample)
        return name + " in " + std::to_string(format.bitsPerSample) + " bits";
    return name;
}

} // namespace sundra
