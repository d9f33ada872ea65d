// WAV files as sample streams: frame positions over byte offsets, the writer's
// header life cycle, buffers moved between streams, and a held master that a
// writer must not empty.

#include "core/exception.h"
#include "core/sample_buffer.h"
#include "core/wave_file.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include <sys/stat.h>

namespace sundra {
namespace {

using test::Bytes;
using test::get32;

const WaveFormat kCd{2, 44100, 16};

std::unique_ptr<FileByteStream> openForReading(const std::string& path) {
    return std::make_unique<FileByteStream>(std::make_unique<File>(
        path, File::Access::Read, File::Share::DenyWrite, File::Disposition::OpenExisting));
}

std::unique_ptr<FileByteStream> createForWriting(const std::string& path) {
    return std::make_unique<FileByteStream>(std::make_unique<File>(
        path, File::Access::ReadWrite, File::Share::Exclusive, File::Disposition::Create));
}

Bytes counting(std::size_t count) {
    Bytes bytes(count);
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7 + 1);
    return bytes;
}

TEST(WaveFileReader, CountsWholeFramesAndMovesByFrames) {
    test::TempDir dir;
    const std::string path = dir.file("r.wav");
    const Bytes samples = counting(4 * 1000 + 2); // a partial frame at the end
    test::writeBytes(path, test::canonicalWav(kCd, samples));

    WaveFileReader reader;
    EXPECT_EQ(reader.length(), 0);
    EXPECT_EQ(reader.tell(), 0);
    ASSERT_TRUE(reader.attach(openForReading(path)));
    EXPECT_EQ(reader.dataOffset(), 44);
    EXPECT_EQ(reader.format(), kCd);
    EXPECT_EQ(reader.length(), 1000);
    EXPECT_EQ(reader.tell(), 0);
    EXPECT_EQ(reader.absoluteStart(), 0);
    EXPECT_EQ(reader.absoluteEnd(), 1000);

    reader.seek(999);
    EXPECT_EQ(reader.tell(), 999);
    std::uint8_t got[8] = {};
    EXPECT_EQ(reader.read(got, 4), 4);
    EXPECT_EQ(reader.tell(), 1000);
    EXPECT_EQ(got[0], samples[3996]);
    EXPECT_EQ(got[3], samples[3999]);

    // The reader hands out whatever bytes remain; readIntoBuffer reports whole
    // frames, and 0 once nothing is left.
    SampleBuffer buffer(kCd, 8);
    EXPECT_EQ(readIntoBuffer(reader, buffer), 0);
    EXPECT_EQ(buffer.used, 2);
    EXPECT_EQ(readIntoBuffer(reader, buffer), 0);
    EXPECT_EQ(buffer.used, 0);

    reader.seek(10);
    EXPECT_EQ(readIntoBuffer(reader, buffer), 2);
    EXPECT_EQ(buffer.used, 8);
    EXPECT_EQ(buffer.data[0], samples[40]);
    EXPECT_EQ(reader.tell(), 12);
}

TEST(WaveFileReader, ReadsFromTheDataOffsetOfLenientHeaders) {
    test::TempDir dir;
    const std::string path = dir.file("list.wav");
    // An 18-byte format chunk and a 12-byte LIST chunk: samples start at 46 + 12.
    Bytes image = test::canonicalWav(kCd, {});
    image.resize(36);
    image[16] = 18;
    image.push_back(0);
    image.push_back(0);
    test::putTag(image, "LIST");
    test::put32(image, 4);
    test::putTag(image, "INFO");
    test::putTag(image, "data");
    test::put32(image, 0xFFFFFFFFu);
    const Bytes samples = counting(40);
    image.insert(image.end(), samples.begin(), samples.end());
    test::writeBytes(path, image);

    WaveFileReader reader;
    ASSERT_TRUE(reader.attach(openForReading(path)));
    EXPECT_EQ(reader.dataOffset(), 58);
    EXPECT_EQ(reader.length(), 10);
    SampleBuffer buffer(kCd, 400);
    EXPECT_EQ(readIntoBuffer(reader, buffer), 10);
    EXPECT_EQ(Bytes(buffer.data.get(), buffer.data.get() + buffer.used), samples);
}

TEST(WaveFileReader, ARefusedFileIsAnEmptyStreamAndAPlainReaderCannotWrite) {
    test::TempDir dir;
    const std::string bad = dir.file("bad.wav");
    Bytes image = test::canonicalWav(WaveFormat{2, 44100, 4}, counting(100));
    test::writeBytes(bad, image);
    const std::string good = dir.file("good.wav");
    test::writeBytes(good, test::canonicalWav(kCd, counting(40)));

    WaveFileReader reader;
    EXPECT_FALSE(reader.attach(openForReading(bad)));
    EXPECT_EQ(reader.dataOffset(), 0);
    EXPECT_EQ(reader.length(), 0);
    EXPECT_EQ(reader.tell(), 0);
    reader.seek(5);
    std::uint8_t got[4];
    EXPECT_EQ(reader.read(got, 4), 0) << "header bytes were handed out as samples";
    EXPECT_EQ(reader.format(), WaveFormat{}) << "a refused header changed the format";

    // Attaching again releases the refused file and reads the new one.
    EXPECT_TRUE(reader.attach(openForReading(good)));
    EXPECT_EQ(reader.length(), 10);
    EXPECT_THROW(reader.truncate(5), UnsupportedOperation);
    EXPECT_THROW(reader.write(got, 4), UnsupportedOperation);
    EXPECT_EQ(test::readBytes(good).size(), 84u);

    // The refused file was let go: a writer may now create over it.
    EXPECT_NO_THROW(createForWriting(bad));
}

TEST(WaveFileWriter, FinishesItsHeaderForWhatItHoldsWhenDestroyed) {
    test::TempDir dir;
    const std::string emptyPath = dir.file("empty.wav");
    {
        WaveFileWriter writer(kCd, createForWriting(emptyPath));
        EXPECT_EQ(writer.length(), 0);
        EXPECT_EQ(writer.tell(), 0);
        EXPECT_EQ(writer.dataOffset(), 44);
    }
    const Bytes empty = test::readBytes(emptyPath);
    EXPECT_EQ(empty.size(), 44u);
    EXPECT_EQ(get32(empty, 4), 36u);
    EXPECT_EQ(get32(empty, 40), 0u);

    const std::string path = dir.file("w.wav");
    const Bytes samples = counting(400);
    {
        WaveFileWriter writer(kCd, createForWriting(path));
        EXPECT_EQ(writer.write(samples.data(), 400), 0);
        EXPECT_EQ(writer.length(), 100);
        EXPECT_EQ(writer.tell(), 100);
        EXPECT_EQ(writer.absoluteEnd(), 100);

        // A writer is a reader of what it wrote.
        writer.seek(1);
        std::uint8_t got[4] = {};
        EXPECT_EQ(writer.read(got, 4), 4);
        EXPECT_EQ(Bytes(got, got + 4), Bytes(samples.begin() + 4, samples.begin() + 8));
        writer.seek(100);
    }
    const Bytes written = test::readBytes(path);
    ASSERT_EQ(written.size(), 444u);
    EXPECT_EQ(get32(written, 4), 436u);
    EXPECT_EQ(get32(written, 40), 400u);
    EXPECT_EQ(Bytes(written.begin() + 44, written.end()), samples);
    EXPECT_EQ(written, test::canonicalWav(kCd, samples));

    const std::string thousandPath = dir.file("1000.wav");
    {
        WaveFileWriter writer(kCd, createForWriting(thousandPath));
        SampleBuffer buffer(kCd, 4000);
        EXPECT_EQ(writeBuffer(writer, buffer), 0);
    }
    const Bytes thousand = test::readBytes(thousandPath);
    ASSERT_EQ(thousand.size(), 4044u);
    EXPECT_EQ(get32(thousand, 4), 4036u);
    EXPECT_EQ(get32(thousand, 28), 176400u);
    EXPECT_EQ(test::get16(thousand, 32), 4u);
    EXPECT_EQ(get32(thousand, 40), 4000u);
}

TEST(WaveFileWriter, TruncateCutsToAtMostItsLengthAndRewritesTheHeader) {
    test::TempDir dir;
    const std::string path = dir.file("t.wav");
    const Bytes samples = counting(400);
    WaveFileWriter writer(kCd, createForWriting(path));
    writer.write(samples.data(), 400);

    EXPECT_EQ(writer.truncate(150), 100);
    EXPECT_EQ(writer.length(), 100);
    EXPECT_EQ(writer.tell(), 0);
    Bytes now = test::readBytes(path);
    EXPECT_EQ(now.size(), 444u);
    EXPECT_EQ(get32(now, 40), 400u) << "truncate rewrites the header";

    writer.seek(50);
    EXPECT_EQ(writer.truncate(40), 40);
    EXPECT_EQ(writer.length(), 40);
    EXPECT_EQ(writer.tell(), 0);
    now = test::readBytes(path);
    ASSERT_EQ(now.size(), 204u);
    EXPECT_EQ(get32(now, 4), 196u);
    EXPECT_EQ(get32(now, 40), 160u);
    EXPECT_EQ(Bytes(now.begin() + 44, now.end()), Bytes(samples.begin(), samples.begin() + 160));

    EXPECT_EQ(writer.truncate(-3), 0);
    EXPECT_EQ(test::readBytes(path).size(), 44u);
}

TEST(WaveFileWriter, FlushHeaderKeepsThePositionAndMakesTheFileReadable) {
    test::TempDir dir;
    const std::string path = dir.file("f.wav");
    const Bytes samples = counting(800);
    WaveFileWriter writer(kCd, createForWriting(path));
    writer.write(samples.data(), 800);
    writer.seek(30);
    writer.flushHeader();
    EXPECT_EQ(writer.tell(), 30);
    EXPECT_EQ(test::readBytes(path), test::canonicalWav(kCd, samples));
    writer.write(samples.data(), 4);
    EXPECT_EQ(writer.tell(), 31);
    EXPECT_EQ(writer.length(), 200);

    // A finished file that is only read afterwards (a recording that became
    // the master) is not touched again when its writer goes.
    namespace fs = std::filesystem;
    const std::string finishedPath = dir.file("finished.wav");
    fs::file_time_type stamped;
    {
        WaveFileWriter finished(kCd, createForWriting(finishedPath));
        finished.write(samples.data(), 800);
        finished.flushHeader();
        stamped = fs::last_write_time(finishedPath) - std::chrono::hours(1);
        fs::last_write_time(finishedPath, stamped);
        finished.seek(0);
        std::uint8_t got[4] = {};
        EXPECT_EQ(finished.read(got, 4), 4);
    }
    EXPECT_EQ(fs::last_write_time(finishedPath), stamped);
    EXPECT_EQ(test::readBytes(finishedPath), test::canonicalWav(kCd, samples));
}

TEST(WaveFileWriter, CannotEmptyAFileThatAReaderHolds) {
    test::TempDir dir;
    const std::string path = dir.file("master.wav");
    const Bytes image = test::canonicalWav(kCd, counting(4000));
    test::writeBytes(path, image);

    WaveFileReader master;
    ASSERT_TRUE(master.attach(openForReading(path)));
    try {
        WaveFileWriter writer(kCd, createForWriting(path));
        FAIL() << "a writer opened the held master";
    } catch (const FileError& error) {
        EXPECT_EQ(error.cause(), FileError::Cause::SharingViolation);
        EXPECT_EQ(std::string(error.what()),
                  "A sharing violation occurred while accessing " + path + ".");
    }
    EXPECT_EQ(test::readBytes(path), image) << "the held file was changed";
    EXPECT_EQ(master.length(), 1000);
}

TEST(OpenWaveFile, RefusesWhatIsNoRegularFileWithoutOpeningIt) {
    test::TempDir dir;
    // Opening a pipe for reading would wait for a writer, for ever.
    const std::string pipe = dir.file("pipe.wav");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::string folder = dir.file("folder.wav");
    std::filesystem::create_directory(folder);
    const std::string linkToPipe = dir.file("link.wav");
    std::filesystem::create_symlink(pipe, linkToPipe);
    for (const std::string& path : {pipe, folder, linkToPipe, std::string("/dev/zero")}) {
        SCOPED_TRACE(path);
        try {
            openWaveFile(path);
            ADD_FAILURE() << "opened";
        } catch (const FileError& error) {
            EXPECT_EQ(error.cause(), FileError::Cause::AccessDenied);
            EXPECT_EQ(error.path(), path);
        }
    }
    // A missing file is still not found, and a regular one opens.
    try {
        openWaveFile(dir.file("missing.wav"));
        ADD_FAILURE() << "opened";
    } catch (const FileError& error) {
        EXPECT_EQ(error.cause(), FileError::Cause::NotFound);
    }
    const std::string song = dir.file("song.wav");
    test::writeBytes(song, test::canonicalWav(kCd, test::Bytes(400, 0)));
    const std::unique_ptr<WaveFileReader> opened = openWaveFile(song);
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->length(), 100);
}

TEST(SampleStreams, EmptyStreamsAndBuffers) {
    EmptyStream& shared = EmptyStream::shared();
    EXPECT_EQ(&shared, &EmptyStream::shared());
    EXPECT_EQ(shared.format(), kCd);
    EXPECT_EQ(shared.absoluteStart(), 0);
    EXPECT_EQ(shared.absoluteEnd(), 0);

    EmptyStream mono(WaveFormat{1, 8000, 8});
    mono.seek(100);
    EXPECT_EQ(mono.tell(), 0);
    EXPECT_EQ(mono.truncate(10), 0);
    EXPECT_EQ(mono.format(), (WaveFormat{1, 8000, 8}));
    SampleBuffer buffer(mono.format(), 6);
    EXPECT_EQ(buffer.capacity, 6);
    EXPECT_EQ(buffer.used, 6);
    EXPECT_EQ(buffer.format, mono.format());
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(buffer.data[i], 0);
    EXPECT_EQ(readIntoBuffer(mono, buffer), 0);
    EXPECT_EQ(buffer.used, 0);
    EXPECT_EQ(writeBuffer(mono, buffer), 0);
    EXPECT_THROW(SampleBuffer(kCd, -1), std::invalid_argument);
}

} // namespace
} // namespace sundra
