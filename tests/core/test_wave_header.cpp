// The header parser and writer on byte images built field by field: the lenient
// shapes real files have, and the damaged ones that must be refused.

#include "core/byte_stream.h"
#include "core/wave_header.h"
#include "tests/support/test_files.h"
#include "tests/support/wav_sources.h"

#include <gtest/gtest.h>

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

const WaveFormat kCd{2, 44100, 16};

// RIFF/WAVE and a format chunk of formatSize bytes (16 fields plus zero padding).
Bytes riffWithFormat(std::uint32_t formatSize, const WaveFormat& format = kCd) {
    Bytes out;
    putTag(out, "RIFF");
    put32(out, 0); // never read
    putTag(out, "WAVE");
    putTag(out, "fmt ");
    put32(out, formatSize);
    put16(out, 1);
    put16(out, static_cast<std::uint16_t>(format.channels));
    put32(out, static_cast<std::uint32_t>(format.samplesPerSecond));
    put32(out, static_cast<std::uint32_t>(format.samplesPerSecond) *
                   static_cast<std::uint32_t>(frameSize(format)));
    put16(out, static_cast<std::uint16_t>(frameSize(format)));
    put16(out, static_cast<std::uint16_t>(format.bitsPerSample));
    for (std::uint32_t i = 16; i < formatSize; ++i)
        out.push_back(0xEE);
    return out;
}

void addChunk(Bytes& out, const char (&id)[5], std::uint32_t size, std::uint32_t bytes) {
    putTag(out, id);
    put32(out, size);
    for (std::uint32_t i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>('a' + i % 26));
}

void addData(Bytes& out, std::uint32_t sizeField, std::uint32_t bytes) {
    putTag(out, "data");
    put32(out, sizeField);
    for (std::uint32_t i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(i));
}

class WaveHeaderTest : public ::testing::Test {
protected:
    // Parses image from a real file; the position after parsing is kept in
    // positionAfter, the format in format (left as sentinel when refused).
    std::int64_t parse(const Bytes& image) {
        const std::string path = dir.file("t" + std::to_string(count++) + ".wav");
        test::writeBytes(path, image);
        FileByteStream stream(std::make_unique<File>(
            path, File::Access::Read, File::Share::DenyWrite, File::Disposition::OpenExisting));
        stream.seek(7, 1); // the parser must start from byte 0 wherever the stream is
        format = WaveFormat{-1, -1, -1};
        const std::int64_t offset = parseHeader(stream, format);
        positionAfter = stream.tell();
        return offset;
    }

    WaveHeader header(const Bytes& image) {
        const std::string path = dir.file("t" + std::to_string(count++) + ".wav");
        test::writeBytes(path, image);
        FileByteStream stream(std::make_unique<File>(
            path, File::Access::Read, File::Share::DenyWrite, File::Disposition::OpenExisting));
        const WaveHeader found = readWaveHeader(stream);
        positionAfter = stream.tell();
        return found;
    }

    test::TempDir dir;
    int count = 0;
    WaveFormat format;
    std::int64_t positionAfter = -1;
};

TEST_F(WaveHeaderTest, AcceptsTheCanonicalHeader) {
    Bytes image = test::canonicalWav(WaveFormat{1, 22050, 8}, Bytes(10, 0x80));
    EXPECT_EQ(parse(image), 44);
    EXPECT_EQ(format, (WaveFormat{1, 22050, 8}));
    EXPECT_EQ(positionAfter, 44) << "the parser must leave the position at the first sample";

    EXPECT_EQ(parse(test::canonicalWav(kCd, Bytes(4000, 1))), 44);
    EXPECT_EQ(format, kCd);
}

TEST_F(WaveHeaderTest, SkipsFormatExtensionsAndChunksBeforeTheData) {
    Bytes extended = riffWithFormat(18);
    addData(extended, 8, 8);
    EXPECT_EQ(parse(extended), 46);
    EXPECT_EQ(format, kCd);
    EXPECT_EQ(positionAfter, 46);

    Bytes extensible = riffWithFormat(40, WaveFormat{6, 48000, 24});
    addData(extensible, 0, 18);
    EXPECT_EQ(parse(extensible), 68);
    EXPECT_EQ(format, (WaveFormat{6, 48000, 24}));

    Bytes list = riffWithFormat(16);
    addChunk(list, "LIST", 26, 26);
    addData(list, 4, 4);
    EXPECT_EQ(parse(list), 44 + 34);

    // Odd sizes are taken exactly, without a pad byte: the next identifier
    // follows the 3 and 5 bytes at once.
    Bytes odd = riffWithFormat(16);
    addChunk(odd, "junk", 3, 3);
    addChunk(odd, "fact", 5, 5);
    addChunk(odd, "bext", 0, 0);
    addData(odd, 4, 4);
    EXPECT_EQ(parse(odd), 36 + 11 + 13 + 8 + 8);
    EXPECT_EQ(format, kCd);
}

TEST_F(WaveHeaderTest, TheDataSizeHoldsWhenAChunkFollowsTheSamples) {
    // Beyond the files of the sources table (tests/support/wav_sources.h): how
    // many bytes from the data offset on are samples (-1: all, to the end).
    Bytes list, longList, id3;
    addChunk(list, "LIST", 4, 4);
    addChunk(longList, "LIST", 100, 4);
    addChunk(id3, "ID3\x04", 10, 10);
    const struct {
        const char* what;
        std::uint32_t sizeField, samples;
        Bytes after;
        std::int64_t dataBytes;
    } cases[] = {
        {"size 0xFFFFFFFF", 0xFFFFFFFFu, 4000, list, -1},
        {"size past the end", 8000, 4000, {}, -1},
        {"samples to the end", 4000, 4000, {}, -1},
        {"a chunk too long for the file", 4000, 4000, longList, -1},
        {"odd samples, LIST without pad byte", 5, 5, list, 5},
        {"odd samples and their pad byte", 5, 5, {0}, 5},
        {"a bare ID3 tag", 4000, 4000, id3, 4000},
    };
    for (const auto& c : cases) {
        Bytes image = riffWithFormat(16);
        addData(image, c.sizeField, c.samples);
        image.insert(image.end(), c.after.begin(), c.after.end());
        const WaveHeader found = header(image);
        EXPECT_EQ(found.dataOffset, 44) << c.what << ": " << found.refusal;
        EXPECT_EQ(found.dataBytes, c.dataBytes) << c.what;
    }
}

TEST_F(WaveHeaderTest, RefusesMissingOrMisplacedIdentifiers) {
    const Bytes good = test::canonicalWav(kCd, Bytes(8, 0));
    for (std::size_t at : {0u, 3u, 8u, 11u, 12u, 15u}) {
        Bytes bad = good;
        bad[at] ^= 0x20;
        EXPECT_EQ(parse(bad), 0) << "identifier byte " << at << " changed";
        EXPECT_EQ(format, (WaveFormat{-1, -1, -1})) << "a refused header changed the format";
    }
    // Samples before the format chunk cannot be read.
    Bytes dataFirst;
    putTag(dataFirst, "RIFF");
    put32(dataFirst, 0);
    putTag(dataFirst, "WAVE");
    addData(dataFirst, 4, 4);
    Bytes rest = riffWithFormat(16);
    dataFirst.insert(dataFirst.end(), rest.begin() + 12, rest.end());
    EXPECT_EQ(parse(dataFirst), 0);
}

TEST_F(WaveHeaderTest, RefusalsSayWhy) {
    // The canonical header with other format fields.
    const auto format = [](std::uint16_t channels, std::uint32_t rate, std::uint16_t align,
                           std::uint16_t bits) {
        Bytes fields;
        put16(fields, channels), put32(fields, rate), put32(fields, 0), put16(fields, align);
        put16(fields, bits);
        Bytes image = test::canonicalWav(kCd, Bytes(512, 0));
        std::copy(fields.begin(), fields.end(), image.begin() + 22);
        return image;
    };
    Bytes rifx = test::canonicalWav(kCd, {}), cut = rifx, noData = riffWithFormat(16);
    rifx[3] = 'X';
    cut.resize(30);
    addChunk(noData, "LIST", 4, 4);
    const struct {
        Bytes image;
        std::string reason;
    } cases[] = {
        {rifx, "The file is not a WAV file."},
        {cut, "The file ends inside its header."},
        {noData, "The file has no sample data."},
        {format(0, 44100, 4, 16), "The file has no channels."},
        {format(65535, 8000, 2, 8), "The file has 65535 channels; at most 64 can be read."},
        {format(2, 800000, 4, 16),
         "The file's sample rate of 800000 Hz lies outside 1 Hz to 768 kHz."},
        {format(2, 44100, 2, 12),
         "The file's block size of 2 bytes does not hold 2 channels of 12-bit samples."},
        {format(1, 44100, 5, 40), "The file's 40-bit integer samples cannot be read."},
        {format(64, 192000, 256, 32),
         "The file carries 49152000 bytes per second; at most 24576000 can be read."},
        {test::riffFile({test::formatChunk({2, 44100, 16, kCd.encoding, 20}, true),
                         test::riffChunk("data", Bytes(8, 0))}),
         "The file declares 20 valid bits in 16-bit samples."},
    };
    for (const auto& c : cases) {
        const WaveHeader found = header(c.image);
        EXPECT_EQ(found.dataOffset, 0) << c.reason;
        EXPECT_EQ(found.refusal, c.reason);
    }
}

TEST_F(WaveHeaderTest, RefusesFilesThatEndInsideTheHeader) {
    // Every cut inside the canonical header, including inside the format chunk,
    // is refused; the whole header with no samples is a valid empty file.
    const Bytes full = test::canonicalWav(kCd, {});
    for (std::size_t cut = 0; cut < full.size(); ++cut)
        EXPECT_EQ(parse(Bytes(full.begin(), full.begin() + static_cast<long>(cut))), 0)
            << "cut at " << cut;
    EXPECT_EQ(parse(full), 44);

    // An extension that runs past the end of the file.
    Bytes shortExtension = riffWithFormat(16);
    put32(shortExtension, 0); // would-be extension bytes, but the size says 100
    shortExtension[16] = 100;
    EXPECT_EQ(parse(shortExtension), 0);

    // The walk ends at the end of the file when no "data" comes.
    Bytes noData = riffWithFormat(16);
    addChunk(noData, "LIST", 4, 4);
    EXPECT_EQ(parse(noData), 0);
}

TEST_F(WaveHeaderTest, RefusesChunkSizesThatLeaveTheFile) {
    Bytes pastEnd = riffWithFormat(16);
    addChunk(pastEnd, "LIST", 1000, 4); // size points far past the end
    addData(pastEnd, 4, 4);
    EXPECT_EQ(parse(pastEnd), 0);

    Bytes huge = riffWithFormat(16);
    addChunk(huge, "LIST", 0xFFFFFFF8u, 0); // 32-bit sums would wrap back onto this chunk forever
    addData(huge, 4, 4);
    EXPECT_EQ(parse(huge), 0);

    Bytes hugeFormat = riffWithFormat(16);
    hugeFormat[16] = 0xFF, hugeFormat[17] = 0xFF, hugeFormat[18] = 0xFF, hugeFormat[19] = 0xFF;
    addData(hugeFormat, 4, 4);
    EXPECT_EQ(parse(hugeFormat), 0);

    // A format size below 16 would move the walk backwards into the fields.
    Bytes shrunk = riffWithFormat(16);
    shrunk[16] = 8;
    addData(shrunk, 4, 4);
    EXPECT_EQ(parse(shrunk), 0);
}

TEST_F(WaveHeaderTest, RefusesFormatsWithoutWholeFrames) {
    auto imageFor = [](const WaveFormat& format) {
        Bytes image = riffWithFormat(16, format);
        addData(image, 8, 8);
        return image;
    };
    EXPECT_EQ(parse(imageFor({0, 44100, 16})), 0) << "0 channels";
    EXPECT_EQ(parse(imageFor({2, 44100, 4})), 0) << "4 bits";
    EXPECT_EQ(parse(imageFor({2, 44100, 0})), 0) << "0 bits";
    EXPECT_EQ(parse(imageFor({2, 0, 16})), 0) << "rate 0";
    EXPECT_EQ(parse(imageFor({1, 44100, 8})), 44) << "8-bit mono is the smallest frame";

    // A rate above the signed 32-bit range, or a byte rate beyond it.
    Bytes wideRate = imageFor({2, 44100, 16});
    wideRate[24] = 0, wideRate[25] = 0, wideRate[26] = 0, wideRate[27] = 0x80;
    EXPECT_EQ(parse(wideRate), 0);
    EXPECT_EQ(parse(imageFor({65535, 48000, 16})), 0) << "byte rate above 2^31";
    EXPECT_EQ(parse(imageFor({2, 96000, 32})), 44) << "an unusual but sound format";
    EXPECT_EQ(format, (WaveFormat{2, 96000, 32}));
}

TEST_F(WaveHeaderTest, RefusesMoreFramesThanASigned32BitCountButDescribesThem) {
    // 8-bit mono: one byte per frame. Sparse files keep this cheap.
    auto sized = [&](std::int64_t frames) {
        const std::string path = dir.file("big" + std::to_string(count++) + ".wav");
        test::writeBytes(path, test::canonicalWav(WaveFormat{1, 8000, 8}, {}));
        auto file = std::make_unique<File>(path, File::Access::ReadWrite, File::Share::Exclusive,
                                           File::Disposition::OpenExisting);
        file->setLength(44 + frames);
        FileByteStream stream(std::move(file));
        return readWaveHeader(stream);
    };
    const WaveHeader longest = sized(std::int64_t{0x7FFFFFFF});
    EXPECT_TRUE(longest.accepted()) << longest.refusal;
    EXPECT_EQ(longest.dataOffset, 44);
    // An hour more: refused, and still described.
    const WaveHeader tooLong = sized(std::int64_t{0x7FFFFFFF} + 8000 * 3600);
    EXPECT_FALSE(tooLong.accepted());
    EXPECT_EQ(tooLong.dataOffset, 44);
    EXPECT_EQ(tooLong.format, (WaveFormat{1, 8000, 8}));
    EXPECT_EQ(tooLong.refusal,
              "The file lasts 75:33:55; at 8000 Hz the program opens at most 74:33:55.");
}

TEST(WaveHeaderWriter, WritesTheCanonicalHeader) {
    test::TempDir dir;
    const std::string path = dir.file("w.wav");
    {
        FileByteStream stream(std::make_unique<File>(
            path, File::Access::ReadWrite, File::Share::Exclusive, File::Disposition::Create));
        stream.seek(100, 1);
        EXPECT_EQ(writeHeader(stream, kCd, 0), 44);
        EXPECT_EQ(stream.tell(), 44);
    }
    const Bytes empty = test::readBytes(path);
    EXPECT_EQ(empty, test::canonicalWav(kCd, {}));
    EXPECT_EQ(empty.size(), 44u);
    EXPECT_EQ(get32(empty, 4), 36u);
    EXPECT_EQ(get32(empty, 40), 0u);

    {
        FileByteStream stream(std::make_unique<File>(
            path, File::Access::ReadWrite, File::Share::Exclusive, File::Disposition::Create));
        EXPECT_EQ(writeHeader(stream, kCd, 1000), 44);
    }
    const Bytes thousand = test::readBytes(path);
    ASSERT_EQ(thousand.size(), 44u);
    EXPECT_EQ(std::string(thousand.begin(), thousand.begin() + 4), "RIFF");
    EXPECT_EQ(get32(thousand, 4), 4036u);
    EXPECT_EQ(std::string(thousand.begin() + 8, thousand.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(get32(thousand, 16), 16u);
    EXPECT_EQ(get16(thousand, 20), 1u);
    EXPECT_EQ(get16(thousand, 22), 2u);
    EXPECT_EQ(get32(thousand, 24), 44100u);
    EXPECT_EQ(get32(thousand, 28), 176400u);
    EXPECT_EQ(get16(thousand, 32), 4u);
    EXPECT_EQ(get16(thousand, 34), 16u);
    EXPECT_EQ(std::string(thousand.begin() + 36, thousand.begin() + 40), "data");
    EXPECT_EQ(get32(thousand, 40), 4000u);

    // What the writer lays down, the parser reads back.
    FileByteStream stream(std::make_unique<File>(path, File::Access::Read, File::Share::DenyWrite,
                                                 File::Disposition::OpenExisting));
    WaveFormat parsed{0, 0, 0};
    EXPECT_EQ(parseHeader(stream, parsed), 44);
    EXPECT_EQ(parsed, kCd);
}

} // namespace
} // namespace sundra
