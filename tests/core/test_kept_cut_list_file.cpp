// The kept list of an open file, on disk: offered only for the state of the
// file it was cut on, rows clamped into the file, the file-as-it-opens list
// removed, and writes that never leave a part or a temporary file.

#include "core/file.h"
#include "core/kept_cut_list_file.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

namespace sundra {
namespace {

namespace fs = std::filesystem;

const CutSource kSource{"album.wav", "album", 1000, 1000};
const CutList kSplitAtTheEnd = {{"album-00", 0, 1000}, {"album-01", 1001, 1000}};

TEST(KeptCutListFile, IsOfferedOnlyForTheStateOfTheFileItWasCutOn) {
    test::TempDir dir;
    const std::string source = dir.file("album.wav");
    test::writeBytes(source, test::Bytes(4000, 1));
    const std::string folder = dir.file("cut lists"); // made by the first write
    const std::optional<KeptCutListFile> opened = KeptCutListFile::forSource(folder, source);
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->read(kSource), std::nullopt);
    EXPECT_EQ(KeptCutListFile::forSource(folder, dir.file("missing.wav")), std::nullopt);

    AlbumInfo live;
    live.album = "Live";
    const struct {
        const char* what;
        KeptCuts cuts;
        std::optional<AlbumCutList> offered;
    } cases[] = {
        {"a split at the very end",
         {kSplitAtTheEnd, {}, 1000, 1000},
         AlbumCutList{{{"album-00", 0, 1000}, {"album-01", 1000, 1000}}, {}}},
        {"the file as it opens", {{{"album", 0, 1000}}, {}, 1000, 1000}, std::nullopt},
        {"the whole file with an album",
         {{{"album", 0, 1000}}, live, 1000, 1000},
         AlbumCutList{{{"album", 0, 1000}}, live}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        opened->keep(c.cuts);
        EXPECT_EQ(KeptCutListFile::forSource(folder, source)->read(kSource), c.offered);
        const std::vector<std::string> kept = {fs::path(opened->path()).filename().string()};
        EXPECT_EQ(test::entriesOf(folder), c.offered ? kept : std::vector<std::string>{});
    }

    // Another program changes the file while it is open: the list keeps the
    // stamp of the opening, so the changed file is offered nothing, also for
    // a change kept after it.
    opened->keep({kSplitAtTheEnd, {}, 1000, 1000});
    fs::last_write_time(source, fs::last_write_time(source) + std::chrono::seconds(1));
    const std::optional<KeptCutListFile> changed = KeptCutListFile::forSource(folder, source);
    EXPECT_EQ(changed->read(kSource), std::nullopt);
    opened->keep({{{"x", 0, 10}}, {}, 1000, 1000});
    EXPECT_EQ(changed->read(kSource), std::nullopt);
    ASSERT_TRUE(opened->read(kSource));
    EXPECT_EQ(opened->read(kSource)->rows, (CutList{{"x", 0, 10}}));

    // A list that cannot be replaced stays as it was, with nothing beside it.
    fs::remove(opened->path());
    fs::create_directories(fs::path(opened->path()) / "in the way");
    EXPECT_THROW(opened->keep({kSplitAtTheEnd, {}, 1000, 1000}), FileError);
    EXPECT_EQ(test::entriesOf(folder).size(), 1u);
    test::writeBytes(dir.file("not a folder"), {});
    EXPECT_THROW(KeptCutListFile::forSource(dir.file("not a folder"), source)
                     ->keep({kSplitAtTheEnd, {}, 1000, 1000}),
                 FileError);
}

} // namespace
} // namespace sundra
