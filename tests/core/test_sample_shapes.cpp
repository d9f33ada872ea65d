// Every sample shape the program reads and writes: which format chunks are
// taken (PCM, IEEE float and WAVE_FORMAT_EXTENSIBLE of either, in RIFF and RF64)
// and which are refused (every other encoding), the headers the writer lays down
// for them, and files whose data passes 4 GiB (sparse, so they cost nothing).

#include "core/byte_stream.h"
#include "core/file.h"
#include "core/sample_shape.h"
#include "core/wave_file.h"
#include "core/wave_header.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>

namespace sundra {
namespace {

using test::Bytes;
using test::get16;
using test::get32;
using test::put16;
using test::put32;
using test::putTag;

constexpr SampleEncoding kInt = SampleEncoding::Integer;
constexpr SampleEncoding kFloat = SampleEncoding::Float;

std::uint64_t get64(const Bytes& in, std::size_t at) {
    return get32(in, at) | static_cast<std::uint64_t>(get32(in, at + 4)) << 32;
}

struct FormatChunk {
    std::uint16_t tag = 1;
    std::uint16_t channels = 2;
    std::uint32_t rate = 48000;
    std::uint16_t bits = 24;
    // For tag 0xFFFE: the extension's size field, the sub-format's tag and
    // whether the rest of its GUID is the standard one.
    std::uint16_t extraSize = 22;
    std::uint16_t subFormat = 1;
    bool standardGuid = true;
    std::uint32_t chunkSize = 0; // 0: 16, or 40 for tag 0xFFFE
};

void addFormat(Bytes& out, const FormatChunk& chunk) {
    const bool extensible = chunk.tag == 0xFFFE;
    const std::uint32_t size = chunk.chunkSize != 0 ? chunk.chunkSize : extensible ? 40 : 16;
    const std::uint16_t align = static_cast<std::uint16_t>(chunk.bits / 8 * chunk.channels);
    putTag(out, "fmt ");
    put32(out, size);
    put16(out, chunk.tag);
    put16(out, chunk.channels);
    put32(out, chunk.rate);
    put32(out, chunk.rate * align);
    put16(out, align);
    put16(out, chunk.bits);
    Bytes extension;
    if (extensible) {
        put16(extension, chunk.extraSize);
        put16(extension, chunk.bits);
        put32(extension, 3);
        put16(extension, chunk.subFormat);
        const Bytes tail = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                            0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
        extension.insert(extension.end(), tail.begin(), tail.end());
        if (!chunk.standardGuid)
            extension.back() ^= 1;
    }
    extension.resize(size - 16, 0);
    out.insert(out.end(), extension.begin(), extension.end());
}

// "RIFF" or another container id, optional chunks before the format, the
// format chunk and 96 bytes of data.
Bytes image(const FormatChunk& chunk, const char (&container)[5] = "RIFF",
            const Bytes& before = {}) {
    Bytes out;
    putTag(out, container);
    put32(out, 0xFFFFFFFF);
    putTag(out, "WAVE");
    out.insert(out.end(), before.begin(), before.end());
    addFormat(out, chunk);
    putTag(out, "data");
    put32(out, 0xFFFFFFFF);
    out.resize(out.size() + 96, 0);
    return out;
}

Bytes chunk(const char (&id)[5], std::uint32_t size, std::uint32_t bytes) {
    Bytes out;
    putTag(out, id);
    put32(out, size);
    out.resize(out.size() + bytes, 0);
    return out;
}

class SampleShapes : public ::testing::Test {
protected:
    std::string path(const std::string& name) { return dir.file(name); }

    // The data offset the parser finds in bytes (0: refused), the format in parsed.
    std::int64_t parse(const Bytes& bytes) {
        const std::string file = path("p" + std::to_string(count++) + ".wav");
        test::writeBytes(file, bytes);
        FileByteStream stream(std::make_unique<File>(
            file, File::Access::Read, File::Share::DenyWrite, File::Disposition::OpenExisting));
        parsed = WaveFormat{-1, -1, -1};
        return parseHeader(stream, parsed);
    }

    std::unique_ptr<WaveFileWriter> writer(const std::string& file, const WaveFormat& format,
                                           std::int64_t expectedFrames = 0) {
        return std::make_unique<WaveFileWriter>(
            format,
            std::make_unique<FileByteStream>(std::make_unique<File>(
                file, File::Access::ReadWrite, File::Share::Exclusive, File::Disposition::Create)),
            expectedFrames);
    }

    test::TempDir dir;
    int count = 0;
    WaveFormat parsed;
};

TEST_F(SampleShapes, ReadsIntegerAndFloatEncodingsInEveryHeaderForm) {
    struct Case {
        const char* what;
        Bytes bytes;
        std::int64_t offset;
        WaveFormat format;
    };
    FormatChunk float32{3, 2, 44100, 32};
    FormatChunk float64{3, 1, 96000, 64};
    FormatChunk extensibleFloat{0xFFFE, 2, 48000, 32};
    extensibleFloat.subFormat = 3;
    FormatChunk extensiblePcm{0xFFFE, 6, 96000, 24};
    FormatChunk longExtensible = extensiblePcm;
    longExtensible.chunkSize = 44;
    Bytes ds64 = chunk("ds64", 28, 28);
    Bytes ds64WithTable = chunk("ds64", 40, 40);
    Bytes junk = chunk("JUNK", 28, 28);
    Bytes ds64AndJunk = ds64;
    ds64AndJunk.insert(ds64AndJunk.end(), junk.begin(), junk.end());
    const Case cases[] = {
        {"PCM 24-bit", image({1, 2, 48000, 24}), 44, {2, 48000, 24, kInt}},
        {"PCM 32-bit", image({1, 1, 44100, 32}), 44, {1, 44100, 32, kInt}},
        {"float 32-bit", image(float32), 44, {2, 44100, 32, kFloat}},
        {"float 64-bit", image(float64), 44, {1, 96000, 64, kFloat}},
        {"extensible float", image(extensibleFloat), 68, {2, 48000, 32, kFloat}},
        {"extensible PCM", image(extensiblePcm), 68, {6, 96000, 24, kInt}},
        {"extensible, longer chunk", image(longExtensible), 72, {6, 96000, 24, kInt}},
        {"RF64", image(float32, "RF64", ds64), 80, {2, 44100, 32, kFloat}},
        {"RF64 with a size table",
         image(float32, "RF64", ds64WithTable),
         92,
         {2, 44100, 32, kFloat}},
        {"RF64 and JUNK", image(extensiblePcm, "RF64", ds64AndJunk), 140, {6, 96000, 24, kInt}},
        {"BW64", image({1, 2, 48000, 24}, "BW64", ds64), 80, {2, 48000, 24, kInt}},
        {"RIFF with room for ds64", image({1, 2, 44100, 16}, "RIFF", junk), 80, {2, 44100, 16}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(parse(c.bytes), c.offset);
        EXPECT_EQ(parsed, c.format);
    }
}

TEST_F(SampleShapes, RefusesEveryOtherEncodingAndBrokenExtensions) {
    FormatChunk badGuid{0xFFFE, 2, 48000, 24};
    badGuid.standardGuid = false;
    FormatChunk aLawInside{0xFFFE, 2, 48000, 8};
    aLawInside.subFormat = 6;
    FormatChunk shortExtension{0xFFFE, 2, 48000, 24};
    shortExtension.extraSize = 10;
    FormatChunk shortChunk{0xFFFE, 2, 48000, 24};
    shortChunk.chunkSize = 18;
    const struct {
        const char* what;
        Bytes bytes;
    } cases[] = {
        {"tag 0", image({0, 2, 44100, 16})},
        {"ADPCM", image({2, 2, 44100, 4})},
        {"A-law", image({6, 1, 8000, 8})},
        {"mu-law", image({7, 1, 8000, 8})},
        {"MP3 in WAV", image({0x55, 2, 44100, 16})},
        {"16-bit float", image({3, 2, 44100, 16})},
        {"24-bit float", image({3, 2, 44100, 24})},
        {"extensible with a foreign GUID", image(badGuid)},
        {"extensible A-law", image(aLawInside)},
        {"extensible with a short extension", image(shortExtension)},
        {"extensible in 18 bytes", image(shortChunk)},
        {"RF64 without ds64", image({1, 2, 44100, 16}, "RF64")},
        {"RF64 with a short ds64", image({1, 2, 44100, 16}, "RF64", chunk("ds64", 20, 20))},
        {"JUNK past the end", image({1, 2, 44100, 16}, "RIFF", chunk("JUNK", 1000, 0))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(parse(c.bytes), 0);
        EXPECT_EQ(parsed, (WaveFormat{-1, -1, -1})) << "a refused header changed the format";
    }
}

TEST_F(SampleShapes, WiderSamplesGetAnExtensibleHeaderThatReadsBack) {
    const struct {
        WaveFormat format;
        std::uint32_t mask;
    } cases[] = {
        {{2, 96000, 24, kInt}, 0x3},  {{1, 44100, 32, kFloat}, 0x4}, {{2, 48000, 64, kFloat}, 0x3},
        {{6, 48000, 24, kInt}, 0x3F}, {{2, 44100, 32, kInt}, 0x3},   {{11, 48000, 24, kInt}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(sampleFormatName(c.format) + ", " + std::to_string(c.format.channels));
        const std::string file = path("w" + std::to_string(count++) + ".wav");
        const std::int32_t frames = 10;
        {
            auto out = writer(file, c.format);
            EXPECT_EQ(out->dataOffset(), 68);
            const Bytes samples(static_cast<std::size_t>(frames * frameSize(c.format)), 7);
            out->write(samples.data(), static_cast<std::int32_t>(samples.size()));
        }
        const Bytes bytes = test::readBytes(file);
        const std::uint32_t align = static_cast<std::uint32_t>(frameSize(c.format));
        ASSERT_EQ(bytes.size(), 68 + frames * align);
        EXPECT_EQ(get32(bytes, 4), 60 + frames * align);
        EXPECT_EQ(get32(bytes, 16), 40u);
        EXPECT_EQ(get16(bytes, 20), 0xFFFEu);
        EXPECT_EQ(get16(bytes, 22), static_cast<std::uint32_t>(c.format.channels));
        EXPECT_EQ(get32(bytes, 28), static_cast<std::uint32_t>(c.format.samplesPerSecond) * align);
        EXPECT_EQ(get16(bytes, 32), align);
        EXPECT_EQ(get16(bytes, 36), 22u);
        EXPECT_EQ(get16(bytes, 38), static_cast<std::uint32_t>(c.format.bitsPerSample));
        EXPECT_EQ(get32(bytes, 40), c.mask);
        EXPECT_EQ(get16(bytes, 44), isFloat(c.format) ? 3u : 1u);
        EXPECT_EQ(get32(bytes, 64), frames * align);
        EXPECT_EQ(parse(bytes), 68);
        EXPECT_EQ(parsed, c.format);
    }
    // 8- and 16-bit samples keep the canonical header, whatever the channels.
    for (const WaveFormat format : {WaveFormat{1, 8000, 8}, WaveFormat{6, 48000, 16}}) {
        const std::string file = path("w" + std::to_string(count++) + ".wav");
        writer(file, format).reset();
        const Bytes bytes = test::readBytes(file);
        ASSERT_EQ(bytes.size(), 44u);
        EXPECT_EQ(get16(bytes, 20), 1u);
        EXPECT_EQ(get32(bytes, 16), 16u);
    }
}

TEST_F(SampleShapes, FilesPastFourGibibytesBecomeRf64) {
    const WaveFormat cd{2, 44100, 16};
    const std::int64_t fourGiB = std::int64_t{1} << 32;
    const std::string file = path("long.wav");
    {
        auto out = writer(file, cd, WaveFileWriter::kOpenEnded);
        EXPECT_EQ(out->dataOffset(), 80) << "room for ds64 is kept from the start";
        out->flushHeader();
        Bytes bytes = test::readBytes(file);
        EXPECT_EQ(std::string(bytes.begin() + 12, bytes.begin() + 16), "JUNK");
        EXPECT_EQ(get32(bytes, 4), 72u);

        // Just below the line the sizes still fit 32 bits; one frame more and
        // the header turns into RF64. The file is extended sparsely.
        const std::int64_t lastRiff = 0xFFFFFFFFll + 8 - 80;
        out->source()->setLength(80 + lastRiff / 4 * 4);
        out->flushHeader();
        bytes = test::readBytes(file, 80);
        EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
        EXPECT_EQ(get32(bytes, 4), static_cast<std::uint32_t>(72 + lastRiff / 4 * 4));

        const std::int64_t frames = (fourGiB + 1000) / 4;
        out->source()->setLength(80 + frames * 4 + 3); // with a partial frame
        out->flushHeader();
        EXPECT_EQ(out->length(), frames);
    }
    Bytes bytes = test::readBytes(file, 80);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RF64");
    EXPECT_EQ(get32(bytes, 4), 0xFFFFFFFFu);
    EXPECT_EQ(std::string(bytes.begin() + 12, bytes.begin() + 16), "ds64");
    EXPECT_EQ(get32(bytes, 16), 28u);
    const std::int64_t frames = (fourGiB + 1000) / 4;
    EXPECT_EQ(get64(bytes, 20), static_cast<std::uint64_t>(72 + frames * 4));
    EXPECT_EQ(get64(bytes, 28), static_cast<std::uint64_t>(frames * 4));
    EXPECT_EQ(get64(bytes, 36), static_cast<std::uint64_t>(frames));
    EXPECT_EQ(std::string(bytes.begin() + 72, bytes.begin() + 76), "data");
    EXPECT_EQ(get32(bytes, 76), 0xFFFFFFFFu);
    {
        std::unique_ptr<WaveFileReader> reader = openWaveFile(file);
        ASSERT_NE(reader, nullptr);
        EXPECT_EQ(reader->dataOffset(), 80);
        EXPECT_EQ(reader->length(), frames);
    }

    // Cut back below the line, the same file is a RIFF file again.
    {
        auto reopened = std::make_unique<WaveFileWriter>(
            cd,
            std::make_unique<FileByteStream>(std::make_unique<File>(
                file, File::Access::ReadWrite, File::Share::Exclusive, File::Disposition::Create)),
            WaveFileWriter::kOpenEnded);
        reopened->source()->setLength(80 + frames * 4);
        EXPECT_EQ(reopened->truncate(1000), 1000);
    }
    bytes = test::readBytes(file);
    ASSERT_EQ(bytes.size(), 80u + 4000u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
    EXPECT_EQ(std::string(bytes.begin() + 12, bytes.begin() + 16), "JUNK");
    EXPECT_EQ(get32(bytes, 76), 4000u);

    // A writer told the length in advance keeps the room only when it is needed.
    EXPECT_EQ(writer(path("short.wav"), cd, fourGiB / 4 - 100)->dataOffset(), 44);
    EXPECT_EQ(writer(path("known.wav"), cd, fourGiB / 4)->dataOffset(), 80);
    EXPECT_EQ(writer(path("wide.wav"), WaveFormat{2, 96000, 24}, fourGiB)->dataOffset(), 104);

    // Without the room, sizes that do not fit are written as 0xFFFFFFFF, never
    // wrapped round to a short file.
    {
        auto out = writer(path("plain.wav"), cd);
        out->source()->setLength(44 + fourGiB + 400);
    }
    bytes = test::readBytes(path("plain.wav"), 44);
    EXPECT_EQ(get32(bytes, 4), 0xFFFFFFFFu);
    EXPECT_EQ(get32(bytes, 40), 0xFFFFFFFFu);
}

TEST_F(SampleShapes, NamesTheSampleFormat) {
    EXPECT_EQ(sampleFormatName({2, 44100, 16}), "16-bit integer");
    EXPECT_EQ(sampleFormatName({2, 96000, 24}), "24-bit integer");
    EXPECT_EQ(sampleFormatName({2, 48000, 32, kFloat}), "32-bit float");
    EXPECT_EQ(sampleFormatName({1, 48000, 64, kFloat}), "64-bit float");
}

TEST_F(SampleShapes, StoredLevelsReadBackAsTheirLevels) {
    // The album generator stores levels through the same table the scans read.
    const double levels[] = {0.0, 0.5, -0.5, 1.0, -1.0, 0.123456789, -0.999};
    for (const WaveFormat format :
         {WaveFormat{1, 8000, 8}, WaveFormat{1, 8000, 16}, WaveFormat{1, 8000, 24},
          WaveFormat{1, 8000, 32}, WaveFormat{1, 8000, 32, kFloat},
          WaveFormat{1, 8000, 64, kFloat}}) {
        const SampleShape* shape = sampleShape(format);
        ASSERT_NE(shape, nullptr);
        const double step = std::ldexp(1.0, 1 - format.bitsPerSample);
        for (const double level : levels) {
            std::uint8_t bytes[8] = {};
            shape->store(level, bytes);
            const double back = shape->level(bytes);
            if (format.bitsPerSample == 64) {
                EXPECT_EQ(back, level);
            } else if (isFloat(format)) {
                EXPECT_EQ(back, static_cast<float>(level));
            } else {
                // Stored on a scale of 2^(bits-1) - 1 steps (so that -1 and +1
                // are symmetric), read on one of 2^(bits-1).
                EXPECT_NEAR(back, level, 2 * step) << sampleFormatName(format) << " " << level;
            }
        }
    }
    EXPECT_EQ(sampleShape(WaveFormat{2, 44100, 12}), nullptr);
    EXPECT_EQ(sampleShape(WaveFormat{2, 44100, 16, kFloat}), nullptr);
}

} // namespace
} // namespace sundra
