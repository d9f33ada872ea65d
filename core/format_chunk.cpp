#include "core/format_chunk.h"

#include "core/riff_fields.h"
#include "core/sample_shape.h"

#include <cstdio>
#include <cstring>

namespace sundra {

namespace {

using riff::kGuidTail;
using riff::kTagExtensible;
using riff::kTagFloat;
using riff::kTagPcm;

const char kEndsInHeader[] = "The file ends inside its header.";
const char kTooShort[] = "The file's format chunk is too short.";

std::string n(std::uint64_t value) {
    return std::to_string(value);
}

std::string encodedSamples(std::uint32_t formatTag) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%04X", static_cast<unsigned>(formatTag & 0xFFFF));
    return std::string("The file's samples are encoded (format ") + hex +
           "); only PCM and floating-point samples can be read.";
}

// The encoding a format tag stands for; false for every other tag (A-law,
// mu-law, ADPCM, compressed audio), which must not be read as samples.
bool encodingOf(std::uint32_t formatTag, SampleEncoding& encoding) {
    if (formatTag == kTagPcm)
        encoding = SampleEncoding::Integer;
    else if (formatTag == kTagFloat)
        encoding = SampleEncoding::Float;
    else
        return false;
    return true;
}

struct Fields {
    std::uint32_t tag, channels, rate, byteRate, blockAlign, bits;
    std::uint32_t validBits = 0; // from the extensible part; 0 = all
    SampleEncoding encoding = SampleEncoding::Integer;
};

// The 24 bytes of a WAVE_FORMAT_EXTENSIBLE extension: valid bits and the
// sub-format (the speaker mask does not change how samples are stored).
std::string readExtensible(ByteReader& source, std::uint32_t size, Fields& fields) {
    if (size < 40)
        return kTooShort;
    std::uint32_t extraSize, mask, subFormat;
    std::uint8_t tail[14];
    if (!riff::readU16(source, extraSize) || !riff::readU16(source, fields.validBits) ||
        !riff::readU32(source, mask) || !riff::readU16(source, subFormat) ||
        !riff::readExactly(source, tail, sizeof tail))
        return kEndsInHeader;
    if (extraSize < 22)
        return kTooShort;
    if (std::memcmp(tail, kGuidTail, sizeof tail) != 0 || !encodingOf(subFormat, fields.encoding))
        return encodedSamples(subFormat);
    return {};
}

// The format the fields describe, or why they describe none that can be read.
std::string decode(const Fields& f, WaveFormat& out) {
    if (f.channels == 0)
        return "The file has no channels.";
    if (f.channels > kMaxChannels)
        return "The file has " + n(f.channels) + " channels; at most " + n(kMaxChannels) +
               " can be read.";
    if (f.rate == 0 || f.rate > kMaxSampleRate)
        return "The file's sample rate of " + n(f.rate) + " Hz lies outside 1 Hz to 768 kHz.";
    if (f.bits < 8)
        return "The file's samples of " + n(f.bits) + " bits are narrower than a byte.";
    // Each sample fills the whole bytes its bits need; a block align that says
    // otherwise leaves the frame size in doubt.
    const std::uint32_t container = (f.bits + 7) / 8;
    if (f.blockAlign != container * f.channels)
        return "The file's block size of " + n(f.blockAlign) + " bytes does not hold " +
               n(f.channels) + " channels of " + n(f.bits) + "-bit samples.";
    std::uint32_t valid = f.validBits > 0 ? f.validBits : f.bits;
    if (valid > f.bits)
        return "The file declares " + n(valid) + " valid bits in " + n(f.bits) + "-bit samples.";
    WaveFormat format;
    format.channels = static_cast<std::int32_t>(f.channels);
    format.samplesPerSecond = static_cast<std::int32_t>(f.rate);
    format.bitsPerSample = static_cast<std::int32_t>(container * 8);
    format.encoding = f.encoding;
    // A float is as wide as its container.
    if (!isFloat(format) && valid < container * 8)
        format.validBits = static_cast<std::int32_t>(valid);
    if (!sampleShape(format))
        return "The file's " + n(f.bits) + "-bit " + (isFloat(format) ? "float" : "integer") +
               " samples cannot be read.";
    const std::uint64_t bytesPerSecond = std::uint64_t{f.rate} * f.blockAlign;
    if (bytesPerSecond > kMaxBytesPerSecond)
        return "The file carries " + n(bytesPerSecond) + " bytes per second; at most " +
               n(kMaxBytesPerSecond) + " can be read.";
    out = format;
    return {};
}

} // namespace

std::string readFormatChunk(ByteReader& source, std::uint32_t size, WaveFormat& format) {
    if (size < 16)
        return kTooShort;
    Fields fields;
    if (!riff::readU16(source, fields.tag) || !riff::readU16(source, fields.channels) ||
        !riff::readU32(source, fields.rate) || !riff::readU32(source, fields.byteRate) ||
        !riff::readU16(source, fields.blockAlign) || !riff::readU16(source, fields.bits))
        return kEndsInHeader;
    if (fields.tag == kTagExtensible) {
        if (std::string problem = readExtensible(source, size, fields); !problem.empty())
            return problem;
    } else if (!encodingOf(fields.tag, fields.encoding)) {
        return encodedSamples(fields.tag);
    }
    return decode(fields, format);
}

} // namespace sundra
