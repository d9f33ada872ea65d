// The file layer under every WAV stream: positions, lengths beyond 4 GiB,
// errors that name the file, flock sharing, and the temporary file.

#include "core/byte_stream.h"
#include "core/file.h"
#include "core/temp_file.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

namespace sundra {
namespace {

using test::Bytes;
using test::TempDir;

std::string text(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

TEST(File, ReadsWritesAndSeeksAtItsOwnPosition) {
    TempDir dir;
    const std::string path = dir.file("a.bin");
    File file(path, File::Access::ReadWrite, File::Share::Exclusive, File::Disposition::Create);
    EXPECT_EQ(file.length(), 0);
    file.write("hello world", 11);
    EXPECT_EQ(file.position(), 11);
    EXPECT_EQ(file.length(), 11);

    EXPECT_EQ(file.seek(6, File::Origin::Begin), 6);
    char got[16] = {};
    EXPECT_EQ(file.read(got, 16), 5); // short read at the end
    EXPECT_EQ(std::string(got, 5), "world");
    EXPECT_EQ(file.position(), 11);
    EXPECT_EQ(file.read(got, 4), 0);

    EXPECT_EQ(file.seek(-5, File::Origin::End), 6);
    EXPECT_EQ(file.seek(-1, File::Origin::Current), 5);
    file.write("_", 1);
    EXPECT_EQ(file.position(), 6);

    // Writing past the end grows the file; setLength cuts it and keeps the position.
    EXPECT_EQ(file.seek(20, File::Origin::Begin), 20);
    file.write("!", 1);
    EXPECT_EQ(file.length(), 21);
    file.setLength(5);
    EXPECT_EQ(file.length(), 5);
    EXPECT_EQ(file.position(), 21);
    file.close();
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(text(test::readBytes(path)), "hello");
}

TEST(File, SeekBeforeTheStartIsRefusedAndKeepsThePosition) {
    TempDir dir;
    File file(dir.file("a.bin"), File::Access::ReadWrite, File::Share::Exclusive,
              File::Disposition::Create);
    file.write("abcd", 4);
    file.seek(2, File::Origin::Begin);
    try {
        file.seek(-3, File::Origin::Current);
        FAIL() << "seek before the start was accepted";
    } catch (const FileError& error) {
        EXPECT_EQ(error.cause(), FileError::Cause::BadSeek);
    }
    EXPECT_EQ(file.position(), 2);
    EXPECT_THROW(file.seek(-5, File::Origin::End), FileError);
    EXPECT_EQ(file.position(), 2);
}

TEST(File, PositionsAndLengthsBeyondFourGigabytes) {
    TempDir dir;
    const std::int64_t far = (std::int64_t{5} << 30) + 3; // sparse, so no disk is used
    File file(dir.file("big.bin"), File::Access::ReadWrite, File::Share::Exclusive,
              File::Disposition::Create);
    EXPECT_EQ(file.seek(far, File::Origin::Begin), far);
    file.write("xy", 2);
    EXPECT_EQ(file.length(), far + 2);
    EXPECT_EQ(file.seek(-2, File::Origin::End), far);
    char got[2] = {};
    EXPECT_EQ(file.read(got, 2), 2);
    EXPECT_EQ(std::string(got, 2), "xy");
    file.setLength(far - 1);
    EXPECT_EQ(file.length(), far - 1);
}

TEST(File, ErrorsNameTheFileInTheFrameworkWording) {
    TempDir dir;
    const std::string missing = dir.file("missing.wav");
    try {
        File file(missing, File::Access::Read, File::Share::DenyWrite,
                  File::Disposition::OpenExisting);
        FAIL() << "a missing file was opened";
    } catch (const FileError& error) {
        EXPECT_EQ(error.cause(), FileError::Cause::NotFound);
        EXPECT_EQ(error.path(), missing);
        EXPECT_EQ(std::string(error.what()), missing + " was not found.");
    }
    EXPECT_FALSE(std::filesystem::exists(missing)) << "opening an existing file created one";

    // A folder cannot be opened for writing (this holds for root too).
    try {
        File file(dir.path().string(), File::Access::ReadWrite, File::Share::Exclusive,
                  File::Disposition::OpenExisting);
        FAIL() << "a folder was opened for writing";
    } catch (const FileError& error) {
        EXPECT_EQ(error.cause(), FileError::Cause::AccessDenied);
        EXPECT_EQ(std::string(error.what()), "Access to " + dir.path().string() + " was denied.");
    }

    EXPECT_THROW(File(dir.file("no/such/folder.wav"), File::Access::ReadWrite,
                      File::Share::Exclusive, File::Disposition::Create),
                 FileError);

    EXPECT_EQ(FileError::textFor(FileError::Cause::DiskFull, "/x/a.wav"),
              "Disk full while accessing /x/a.wav.");
    EXPECT_EQ(FileError::textFor(FileError::Cause::Generic, "/x/a.wav"),
              "An unexpected error occurred while accessing /x/a.wav.");
    EXPECT_EQ(FileError::causeFromErrno(ENOSPC), FileError::Cause::DiskFull);
    EXPECT_EQ(FileError::causeFromErrno(EACCES), FileError::Cause::AccessDenied);
}

TEST(File, SharingFollowsDenyWriteAndExclusive) {
    TempDir dir;
    const std::string path = dir.file("held.wav");
    test::writeBytes(path, Bytes{'d', 'a', 't', 'a'});

    {
        File reader(path, File::Access::Read, File::Share::DenyWrite,
                    File::Disposition::OpenExisting);
        // Another deny-write reader may open the same file.
        File second(path, File::Access::Read, File::Share::DenyWrite,
                    File::Disposition::OpenExisting);
        // A writer may not, and creating over the held file must not empty it.
        try {
            File writer(path, File::Access::ReadWrite, File::Share::Exclusive,
                        File::Disposition::Create);
            FAIL() << "a held file was opened for writing";
        } catch (const FileError& error) {
            EXPECT_EQ(error.cause(), FileError::Cause::SharingViolation);
            EXPECT_EQ(std::string(error.what()),
                      "A sharing violation occurred while accessing " + path + ".");
        }
        EXPECT_THROW(
            File(path, File::Access::Write, File::Share::DenyWrite, File::Disposition::Create),
            FileError);
        EXPECT_EQ(text(test::readBytes(path)), "data");
        char got[4] = {};
        EXPECT_EQ(reader.read(got, 4), 4);
    }

    // Once the readers let go, the writer empties the file.
    {
        File writer(path, File::Access::ReadWrite, File::Share::Exclusive,
                    File::Disposition::Create);
        EXPECT_EQ(writer.length(), 0);
        // An exclusive holder keeps every sharing open out.
        EXPECT_THROW(
            File(path, File::Access::Read, File::Share::DenyWrite, File::Disposition::OpenExisting),
            FileError);
        EXPECT_THROW(
            File(path, File::Access::Read, File::Share::Exclusive, File::Disposition::OpenExisting),
            FileError);
    }
    File again(path, File::Access::Read, File::Share::DenyWrite, File::Disposition::OpenExisting);
    EXPECT_TRUE(again.isOpen());
}

TEST(FileByteStream, MapsOriginsAndIgnoresUnknownOnes) {
    TempDir dir;
    FileByteStream stream(std::make_unique<File>(dir.file("s.bin"), File::Access::ReadWrite,
                                                 File::Share::Exclusive,
                                                 File::Disposition::Create));
    stream.write("0123456789", 10);
    EXPECT_TRUE(stream.atEnd());
    EXPECT_EQ(stream.seek(3, 1), 3);
    EXPECT_EQ(stream.seek(2, 0), 5);
    EXPECT_EQ(stream.seek(-1, 2), 9);
    EXPECT_FALSE(stream.atEnd());
    EXPECT_EQ(stream.seek(4, 3), 0);
    EXPECT_EQ(stream.seek(4, -1), 0);
    EXPECT_EQ(stream.tell(), 9) << "an unknown origin moved the position";
    char got = 0;
    EXPECT_EQ(stream.read(&got, 1), 1);
    EXPECT_EQ(got, '9');
    stream.setLength(4);
    EXPECT_EQ(stream.length(), 4);
    EXPECT_TRUE(stream.atEnd());
}

TEST(TempFile, IsUniqueUsableAndGoneAfterDestruction) {
    std::string firstPath;
    {
        TempFile first;
        TempFile second;
        firstPath = first.path();
        EXPECT_NE(first.path(), second.path());
        EXPECT_EQ(std::filesystem::path(first.path()).parent_path(),
                  std::filesystem::temp_directory_path());
        EXPECT_TRUE(std::filesystem::exists(first.path()));
        first.write("abc", 3);
        first.seek(0, File::Origin::Begin);
        char got[3] = {};
        EXPECT_EQ(first.read(got, 3), 3);
        EXPECT_EQ(std::string(got, 3), "abc");
        // It is held exclusively.
        EXPECT_THROW(File(first.path(), File::Access::Read, File::Share::DenyWrite,
                          File::Disposition::OpenExisting),
                     FileError);
    }
    EXPECT_FALSE(std::filesystem::exists(firstPath));
}

} // namespace
} // namespace sundra
