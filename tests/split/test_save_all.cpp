// The export of tracks to WAV files: exact contents, the names the files get,
// the document's own file, unwritable folders, a stop in the middle of a file in
// every format, and that no temporary file is ever left behind.

#include "audio/waitable.h"
#include "core/file.h"
#include "split/save_all.h"
#include "split/staged_file.h"
#include "split_fixtures.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sundra {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::HookedStream;
using test::RecordingNotifier;

const WaveFormat kStereo16{2, 44100, 16};
constexpr std::int32_t kFrames = 132300; // 3 s

// Every sample differs from its neighbours, so a shifted copy cannot pass.
Bytes rampSamples(std::int32_t frames) {
    std::vector<std::uint16_t> ramp(static_cast<std::size_t>(frames) * 2);
    std::uint16_t* sample = ramp.data();
    for (std::size_t i = 0; i < ramp.size(); ++i)
        sample[i] = static_cast<std::uint16_t>(i * 7 + 3);
    Bytes samples(ramp.size() * 2);
    std::memcpy(samples.data(), ramp.data(), samples.size());
    return samples;
}

class SaveAll : public ::testing::Test {
protected:
    void SetUp() override {
        documentPath = dir.file("take.wav");
        test::writeBytes(documentPath, test::canonicalWav(kStereo16, rampSamples(kFrames)));
        sourceBytes = test::readBytes(documentPath);
        master = test::openMaster(documentPath);
        tracks = {TrackSegment(*master, 0, 44100), TrackSegment(*master, 44100, 100000),
                  TrackSegment(*master, 100000, kFrames), TrackSegment(*master, 5, 5),
                  TrackSegment(*master, 200, 100)};
    }

    std::vector<SaveJob> jobs(const std::vector<std::string>& names) {
        std::vector<SaveJob> list;
        for (std::size_t i = 0; i < names.size(); ++i)
            list.push_back({names[i], &tracks[i]});
        return list;
    }

    // The canonical file of the source's frames [start, end).
    Bytes expectedFile(std::int32_t start, std::int32_t end) const {
        if (end <= start)
            return test::canonicalWav(kStereo16, {});
        return test::canonicalWav(kStereo16, Bytes(sourceBytes.begin() + 44 + start * 4,
                                                   sourceBytes.begin() + 44 + end * 4));
    }

    test::TempDir dir;
    std::string documentPath;
    Bytes sourceBytes;
    std::unique_ptr<WaveFileReader> master;
    std::vector<TrackSegment> tracks;
    KernelEvent stop{false, true};
    RecordingNotifier dialog;
    RecordingNotifier nameShown;
};

const std::vector<std::string> kFiveNames = {"take-00", "take-01", "take-02", "take-03", "take-04"};

TEST_F(SaveAll, EveryFileHoldsExactlyItsTracksFramesUnderTheCanonicalHeader) {
    // An existing, longer file of the same name is replaced.
    test::writeBytes(dir.file("take-02.wav"), Bytes(300000, 0xAB));
    SaveAllWork work(documentPath, jobs(kFiveNames));
    // Before any file is written, the question whether to replace it can be asked.
    EXPECT_EQ(existingFiles(exportPathPattern(documentPath, std::nullopt, ExportFormat::Wav)
                                .pathsFor({"take", "take-00", "take-02"}),
                            documentPath),
              std::vector<std::size_t>{2})
        << "the document's own file is not one an export replaces";
    std::vector<std::string> shownNames;
    std::vector<int> shownJobs;
    nameShown.onPlainPost = [&](int) {
        shownNames.push_back(work.currentName());
        shownJobs.push_back(work.currentJob());
    };
    EXPECT_EQ(work.currentName(), "");
    EXPECT_EQ(work.currentSource(), nullptr);
    EXPECT_EQ(work.currentJob(), -1);

    EXPECT_EQ(work.run(stop, dialog, nameShown), 0);

    EXPECT_EQ(dialog.posts, std::vector<std::uint32_t>{kIdOk});
    EXPECT_EQ(shownNames, kFiveNames);
    EXPECT_EQ(shownJobs, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(work.filesWritten(), 5u);
    EXPECT_EQ(work.failedJob(), -1);
    EXPECT_EQ(work.currentName(), "take-04");
    EXPECT_EQ(work.currentSource(), &tracks[4]);
    EXPECT_EQ(test::readBytes(dir.file("take-00.wav")), expectedFile(0, 44100));
    EXPECT_EQ(test::readBytes(dir.file("take-01.wav")), expectedFile(44100, 100000));
    EXPECT_EQ(test::readBytes(dir.file("take-02.wav")), expectedFile(100000, kFrames));
    // An empty and a reversed track both give a header without samples.
    EXPECT_EQ(test::readBytes(dir.file("take-03.wav")).size(), 44u);
    EXPECT_EQ(test::readBytes(dir.file("take-03.wav")), expectedFile(0, 0));
    EXPECT_EQ(test::readBytes(dir.file("take-04.wav")), expectedFile(0, 0));
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"take-00.wav", "take-01.wav", "take-02.wav",
                                                       "take-03.wav", "take-04.wav", "take.wav"}));
    EXPECT_EQ(test::readBytes(documentPath), sourceBytes);
}

TEST_F(SaveAll, TheDocumentsOwnFileIsRefusedHoweverItsPathIsWritten) {
    fs::create_directory(dir.path() / "sub");
    fs::create_hard_link(documentPath, dir.file("alias.wav"));
    fs::create_symlink(documentPath, dir.file("link.wav"));
    const auto modified = fs::last_write_time(documentPath);
    const std::vector<std::string> entriesBefore = dir.entries();

    struct Case {
        std::string documentPath;
        std::string name;
    };
    const std::vector<Case> cases = {
        {documentPath, "take"},
        {dir.file("sub/../take.wav"), "take"},
        {dir.file("./take.wav"), "alias"},
        {documentPath, "link"},
    };
    for (const Case& refused : cases) {
        SCOPED_TRACE(refused.documentPath + " / " + refused.name);
        SaveAllWork work(refused.documentPath, {{refused.name, &tracks[0]}});
        try {
            work.run(stop, dialog, nameShown);
            ADD_FAILURE() << "the document's file was written";
        } catch (const FileError& error) {
            EXPECT_EQ(error.cause(), FileError::Cause::SharingViolation);
        }
        EXPECT_EQ(work.currentName(), refused.name);
    }
    EXPECT_TRUE(dialog.posts.empty());
    EXPECT_EQ(test::readBytes(documentPath), sourceBytes);
    EXPECT_EQ(fs::last_write_time(documentPath), modified);

    // Refused also when no open holds the document's file.
    const std::string unheld = dir.file("unheld.wav");
    test::writeBytes(unheld, test::canonicalWav(kStereo16, Bytes(400, 1)));
    const auto unheldModified = fs::last_write_time(unheld);
    SaveAllWork unheldWork(unheld, {{"unheld", &tracks[0]}});
    EXPECT_THROW(unheldWork.run(stop, dialog, nameShown), FileError);
    EXPECT_EQ(test::readBytes(unheld), test::canonicalWav(kStereo16, Bytes(400, 1)));
    EXPECT_EQ(fs::last_write_time(unheld), unheldModified);
    fs::remove(unheld);
    EXPECT_TRUE(fs::is_symlink(dir.file("link.wav")));
    EXPECT_EQ(dir.entries(), entriesBefore);

    // The rows before the refused one are written; the text names the file.
    SaveAllWork work(documentPath, jobs({"take-00", "take", "take-02"}));
    try {
        work.run(stop, dialog, nameShown);
        ADD_FAILURE() << "the document's file was written";
    } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "A sharing violation occurred while accessing " + documentPath + ".");
    }
    EXPECT_EQ(test::readBytes(dir.file("take-00.wav")), expectedFile(0, 44100));
    EXPECT_FALSE(fs::exists(dir.file("take-02.wav")));
    EXPECT_EQ(test::readBytes(documentPath), sourceBytes);
    EXPECT_TRUE(dialog.posts.empty());
}

// A folder this process cannot create files in: a read-only folder of our own,
// or, for a user whom permissions do not stop, a folder of the kernel's.
std::string unwritableFolder(const test::TempDir& dir) {
    const fs::path folder = dir.path() / "locked";
    fs::create_directory(folder);
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    const std::string probe = (folder / "probe").string();
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (fd < 0 && errno == EACCES)
        return folder.string();
    if (fd >= 0) {
        ::close(fd);
        ::unlink(probe.c_str());
    }
    const int kernelFd = ::open("/sys/kernel/probe", O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (kernelFd < 0 && errno == EACCES)
        return "/sys/kernel";
    if (kernelFd >= 0)
        ::close(kernelFd);
    return "";
}

TEST_F(SaveAll, AnUnwritableFolderGivesTheAccessDeniedText) {
    const std::string folder = unwritableFolder(dir);
    if (folder.empty())
        GTEST_SKIP() << "no folder here refuses new files";
    SaveAllWork work(documentPath, jobs({"take-00", "take-01"}));
    work.setOutputFolder(folder);
    try {
        work.run(stop, dialog, nameShown);
        ADD_FAILURE() << "the export went through";
    } catch (const FileError& error) {
        EXPECT_EQ(error.cause(), FileError::Cause::AccessDenied);
        EXPECT_EQ(std::string(error.what()), "Access to " + folder + "/take-00.wav was denied.");
    }
    EXPECT_TRUE(dialog.posts.empty());
    EXPECT_EQ(nameShown.plainPosts, 1);
    EXPECT_EQ(work.failedJob(), 0);
    EXPECT_EQ(work.filesWritten(), 0u);
    EXPECT_FALSE(fs::exists(folder + "/take-00.wav"));
    fs::permissions(dir.path() / "locked", fs::perms::owner_all);
    EXPECT_TRUE(fs::is_empty(dir.path() / "locked"));
}

TEST_F(SaveAll, AStopAbandonsTheFileInProgressAtOnceAndKeepsTheFinishedOnes) {
    // A long track between two short ones, at a rate every format takes.
    const WaveFormat format{2, 48000, 16};
    const std::string longPath = dir.file("long.wav");
    test::writeBytes(longPath, test::canonicalWav(format, rampSamples(20 * 48000)));
    std::unique_ptr<WaveFileReader> longMaster = test::openMaster(longPath);
    HookedStream source(*longMaster);
    TrackSegment first(source, 0, 48000);
    TrackSegment long_(source, 48000, 20 * 48000);
    TrackSegment last(source, 0, 100);
    for (ExportFormat exportFormat :
         {ExportFormat::Wav, ExportFormat::Flac, ExportFormat::OggVorbis, ExportFormat::Opus,
          ExportFormat::Mp3}) {
        const std::string extension = exportFormatExtension(exportFormat);
        SCOPED_TRACE(extension);
        test::TempDir out;
        // An older file of the abandoned track's name stays as it was.
        test::writeBytes(out.file("b" + extension), Bytes(100, 0x5A));
        SaveAllWork work(longPath, {{"a", &first}, {"b", &long_}, {"c", &last}});
        work.setOutputFolder(out.path().string());
        work.setExportSettings({exportFormat, 60});
        int longReads = 0;
        source.beforeRead = [&](int) {
            if (work.currentSource() == &long_ && ++longReads == 3)
                stop.set(); // as Cancel does, in the middle of the track
        };
        RecordingNotifier ended;
        RecordingNotifier shown;
        EXPECT_EQ(work.run(stop, ended, shown), 0);

        EXPECT_EQ(longReads, 3) << "the export read on after the stop";
        EXPECT_EQ(work.filesWritten(), 1u);
        EXPECT_EQ(ended.posts, std::vector<std::uint32_t>{kIdOk});
        EXPECT_EQ(shown.plainPosts, 2);
        EXPECT_EQ(out.entries(), (std::vector<std::string>{"a" + extension, "b" + extension}));
        EXPECT_EQ(test::readBytes(out.file("b" + extension)), Bytes(100, 0x5A));
        EXPECT_GT(fs::file_size(out.file("a" + extension)), 1000u);
        stop.reset();
    }

    // Stopped before the run: nothing is written, and the dialog still closes.
    stop.set();
    test::TempDir other;
    SaveAllWork nothing(other.file("take.wav"), jobs(kFiveNames));
    EXPECT_EQ(nothing.run(stop, dialog, nameShown), 0);
    EXPECT_EQ(dialog.posts, std::vector<std::uint32_t>{kIdOk});
    EXPECT_EQ(nameShown.plainPosts, 0);
    EXPECT_TRUE(other.entries().empty());
}

TEST_F(SaveAll, AFailedCopyKeepsTheOldFileAndLeavesNoTemporaryFile) {
    const Bytes oldContent(1000, 0x5A);
    test::writeBytes(dir.file("take-00.wav"), oldContent);
    HookedStream failing(*master);
    failing.beforeRead = [&](int read) {
        if (read == 2)
            throw FileError(FileError::Cause::HardIO, documentPath);
    };
    TrackSegment track(failing, 0, kFrames);
    for (const char* name : {"take-00", "take-01"}) {
        SaveAllWork work(documentPath, {{name, &track}});
        try {
            work.run(stop, dialog, nameShown);
            ADD_FAILURE() << "the failing read went unnoticed";
        } catch (const FileError& error) {
            // A read error names the file that could not be read.
            EXPECT_EQ(error.path(), documentPath);
        }
        failing.reads = 0;
    }
    EXPECT_TRUE(dialog.posts.empty());
    EXPECT_EQ(test::readBytes(dir.file("take-00.wav")), oldContent);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"take-00.wav", "take.wav"}));
}

TEST_F(SaveAll, AFileThatAnotherOpenLocksIsNotReplaced) {
    const Bytes oldContent(1000, 0x5A);
    const std::string busy = dir.file("take-01.wav");
    test::writeBytes(busy, oldContent);
    File reader(busy, File::Access::Read, File::Share::DenyWrite, File::Disposition::OpenExisting);
    SaveAllWork work(documentPath, jobs({"take-00", "take-01"}));
    try {
        work.run(stop, dialog, nameShown);
        ADD_FAILURE() << "a locked file was replaced";
    } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "A sharing violation occurred while accessing " + busy + ".");
    }
    EXPECT_EQ(test::readBytes(busy), oldContent);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"take-00.wav", "take-01.wav", "take.wav"}));

    // Neither is a folder or a pipe of the same name replaced (and the export
    // does not wait for a reader of the pipe).
    fs::create_directory(dir.file("folder.wav"));
    ASSERT_EQ(::mkfifo(dir.file("pipe.wav").c_str(), 0666), 0);
    for (const char* name : {"folder", "pipe"}) {
        SaveAllWork other(documentPath, {{name, &tracks[0]}});
        try {
            other.run(stop, dialog, nameShown);
            ADD_FAILURE() << name << " was replaced";
        } catch (const FileError& error) {
            EXPECT_EQ(error.cause(), FileError::Cause::AccessDenied);
        }
    }
    EXPECT_TRUE(fs::is_directory(dir.file("folder.wav")));
    EXPECT_TRUE(fs::is_fifo(dir.file("pipe.wav")));
    EXPECT_EQ(dir.entries().size(), 5u);
}

TEST_F(SaveAll, AnExportRemovesStaleTemporaryFilesThatNoRunningExportHolds) {
    // Left behind by exports that were killed: the program's own pattern.
    const std::string stale = dir.file(".sundra-0123456789abcdef.tmp");
    const std::string staleEmpty = dir.file(".sundra-fedcba9876543210.tmp");
    test::writeBytes(stale, Bytes(50000, 1));
    test::writeBytes(staleEmpty, {});
    // Held by an export that is still writing (in this test, an open that
    // locks it as the export does).
    const std::string running = dir.file(".sundra-00000000000000aa.tmp");
    test::writeBytes(running, Bytes(10, 2));
    File holder(running, File::Access::Write, File::Share::Exclusive,
                File::Disposition::OpenExisting);
    // Not of the pattern, or not a file: left alone.
    const std::vector<std::string> others = {
        ".sundra-0123456789abcde.tmp", ".sundra-0123456789abcdeg.tmp",
        "sundra-0123456789abcdef.tmp", ".sundra-0123456789abcdef.tmp.wav", "notes.tmp"};
    for (const std::string& name : others)
        test::writeBytes(dir.file(name), Bytes(3, 3));
    fs::create_directory(dir.file(".sundra-1111111111111111.tmp"));

    SaveAllWork work(documentPath, jobs({"take-00"}));
    EXPECT_EQ(work.run(stop, dialog, nameShown), 0);
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_FALSE(fs::exists(staleEmpty));
    EXPECT_TRUE(fs::exists(running));
    for (const std::string& name : others)
        EXPECT_TRUE(fs::exists(dir.file(name))) << name;
    EXPECT_TRUE(fs::is_directory(dir.file(".sundra-1111111111111111.tmp")));
    EXPECT_EQ(test::readBytes(dir.file("take-00.wav")), expectedFile(0, 44100));

    // An export's own temporary file is locked from its creation until it is
    // renamed into place, also after its writer has closed it, so another
    // export's clean-up leaves it alone.
    {
        StagedFile staged(dir.file("take-09.wav"));
        auto locked = [&] {
            const int fd = ::open(staged.temporaryPath().c_str(), O_RDONLY | O_CLOEXEC);
            const bool held = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0;
            if (fd >= 0)
                ::close(fd);
            return held;
        };
        EXPECT_TRUE(locked());
        staged.takeFile()->write("RIFF", 4);
        EXPECT_TRUE(locked());
        SaveAllWork other(documentPath, jobs({"take-01"}));
        EXPECT_EQ(other.run(stop, dialog, nameShown), 0);
        EXPECT_TRUE(fs::exists(staged.temporaryPath()));
        staged.commit();
    }
    EXPECT_EQ(test::readBytes(dir.file("take-09.wav")), (Bytes{'R', 'I', 'F', 'F'}));
}

TEST_F(SaveAll, EveryRowGetsAFileOfItsOwnInsideTheOutputFolder) {
    const std::string e200 = [] {
        std::string text;
        for (int i = 0; i < 200; ++i)
            text += "\xC3\xA9"; // é
        return text;
    }();
    const struct {
        std::string name;
        std::string file;
    } cases[] = {
        {"take-00", "take-00.wav"},
        {"Café \xE2\x80\x93 live (1999), #2 & more",
         "Café \xE2\x80\x93 live (1999), #2 & more.wav"},
        {"../../x", "-..-x.wav"},
        {"sub/../take", "sub-..-take.wav"},
        {"Side A/1", "Side A-1.wav"},
        {"", "take-05.wav"},
        {"..", "take-06.wav"},
        {".hidden", "hidden.wav"},
        {"Night: Part 1?", "Night_ Part 1_.wav"},
        {"a<b>c\"d|e*f\\g", "a_b_c'd_e_f-g.wav"},
        {"tab\there\x7f", "tab here.wav"},
        {"trailing. .", "trailing.wav"},
        {"take-00", "take-00 (2).wav"},
        {"TAKE-00", "TAKE-00 (3).wav"},
        {std::string(300, 'x'), std::string(251, 'x') + ".wav"},
        {std::string(300, 'x'), std::string(247, 'x') + " (2).wav"},
        {e200, e200.substr(0, 250) + ".wav"},
    };
    std::vector<SaveJob> rows;
    std::vector<std::string> expected;
    for (const auto& c : cases) {
        rows.push_back({c.name, &tracks[3]});
        expected.push_back(c.file);
    }
    const fs::path out = dir.path() / "a" / "out";
    fs::create_directories(out);
    const std::vector<std::string> entriesBefore = dir.entries();
    SaveAllWork work(documentPath, rows);
    work.setOutputFolder(out.string());
    EXPECT_EQ(work.run(stop, dialog, nameShown), 0);

    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(test::entriesOf(out), expected);
    // Nothing beside the output folder or above it.
    EXPECT_EQ(test::entriesOf(dir.path() / "a"), std::vector<std::string>{"out"});
    EXPECT_EQ(dir.entries(), entriesBefore);
    EXPECT_EQ(test::readBytes(documentPath), sourceBytes);
}

TEST(ExportPathPattern, DriveFolderNameAndExtensionWithTheNameTakenLiterally) {
    EXPECT_EQ(ExportPathPattern("C:\\rec\\take.wav").pathFor("take-03"), "C:\\rec\\take-03.wav");
    EXPECT_EQ(ExportPathPattern("D:\\a.b\\live").pathFor("x"), "D:\\a.b\\x");
    EXPECT_EQ(ExportPathPattern("/music/100%/live.wav").pathFor("%s-%d"), "/music/100%/%s-%d.wav");
    EXPECT_EQ(ExportPathPattern("").pathFor("intro"), "intro");
    EXPECT_EQ(ExportPathPattern("/music/live.WAV", "/out").pathFor("a-00"), "/out/a-00.WAV");
    EXPECT_EQ(ExportPathPattern("/music/live.wav", "out/").pathFor("a-00"), "out/a-00.wav");
}

} // namespace
} // namespace sundra
