// The album information in cut lists: cue sheets that carry it out and back,
// the sheets other programs write, and the list kept between runs.

#include "core/cut_list.h"
#include "core/kept_cut_list.h"

#include <gtest/gtest.h>

namespace sundra {
namespace {

constexpr std::int32_t kSecond = 44100;

CutSource albumSource() {
    return {"album.wav", "album", kSecond, 60 * kSecond};
}

// Rows on whole CD frames, so that a sheet gives them back exactly.
CutList rowsNamed(const std::vector<std::string>& names) {
    CutList rows;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const auto at = static_cast<std::int32_t>(i) * 10 * kSecond;
        rows.push_back({names[i], at + kSecond, at + 8 * kSecond});
    }
    return rows;
}

TEST(AlbumCueSheet, CarriesTheAlbumOutAndBack) {
    using Names = std::vector<std::string>;
    const Names titles = {"Intro", "Side/Long Song", "Say \"Hi\""};
    const Names titled = {"01 Intro", "02 Side-Long Song", "03 Say \"Hi\""};
    const Names titledBack = {"01 Intro", "02 Side-Long Song", "03 Say 'Hi'"};
    const Names titlesBack = {"Intro", "Side/Long Song", "Say 'Hi'"};
    const struct {
        const char* what;
        Names names;
        AlbumInfo album;
        Names namesBack;
        AlbumInfo albumBack;
    } cases[] = {
        {"named by Track Info; quotes become apostrophes",
         titled,
         {"Live \"at\" Home", "The Band", "1999", titles},
         titledBack,
         {"Live 'at' Home", "The Band", "1999", titlesBack}},
        {"a row renamed since keeps its name, which is its title",
         {"01 Intro", "My Song", "03 Outro"},
         {"Live", "", "May 1999", {"Intro", "Side/Long Song", "Outro"}},
         {"01 Intro", "My Song", "03 Outro"},
         {"Live", "", "May 1999", {"Intro", "My Song", "Outro"}}},
        {"album fields without titles",
         {"a-00", "a-01", "a-02"},
         {"", "The Band", "", {}},
         {"a-00", "a-01", "a-02"},
         {"", "The Band", "", {}}},
        {"titles without album fields",
         titled,
         {"", "", "", titles},
         titledBack,
         {"", "", "", titlesBack}},
    };
    for (const auto& c : cases) {
        const CutList rows = rowsNamed(c.names);
        const std::string text = cueSheetText(rows, "album.wav", kSecond, c.album);
        SCOPED_TRACE(std::string(c.what) + "\n" + text);
        const AlbumCutList back = readCueSheet(text, albumSource());
        EXPECT_EQ(back.album, c.albumBack);
        ASSERT_EQ(back.rows.size(), rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(back.rows[i].name, c.namesBack[i]);
            EXPECT_EQ(back.rows[i].start, rows[i].start);
        }
    }
}

TEST(AlbumCueSheet, ReadsTheAlbumOfSheetsOtherProgramsWrite) {
    const std::string ripper = "REM GENRE \"Progressive Rock\"\r\n"
                               "REM DATE 1973\r\n"
                               "REM DISCID 8A0B2C0D\r\n"
                               "REM COMMENT \"ExactAudioCopy v1.6\"\r\n"
                               "PERFORMER \"The Band\"\r\n"
                               "TITLE \"Dark Side\"\r\n"
                               "FILE \"album.wav\" WAVE\r\n"
                               "  TRACK 01 AUDIO\r\n"
                               "    TITLE \"Speak to Me\"\r\n"
                               "    PERFORMER \"The Band\"\r\n"
                               "    INDEX 01 00:00:00\r\n"
                               "  TRACK 02 AUDIO\r\n"
                               "    TITLE \"Breathe/Reprise\"\r\n"
                               "    PERFORMER \"A Guest\"\r\n"
                               "    ISRC GBAYE7300001\r\n"
                               "    INDEX 00 00:04:00\r\n"
                               "    INDEX 01 00:05:00\r\n";
    const std::string tracks = "FILE \"album.wav\" WAVE\n"
                               "  TRACK 01 AUDIO\n    TITLE \"one\"\n    INDEX 01 00:00:00\n"
                               "  TRACK 02 AUDIO\n    INDEX 01 00:05:00\n";
    const struct {
        const char* what;
        std::string text;
        std::vector<std::string> names;
        AlbumInfo album;
    } cases[] = {
        {"a ripper's sheet: the album, the titles, names as Track Info gives them",
         ripper,
         {"01 Speak to Me", "02 Breathe-Reprise"},
         {"Dark Side", "The Band", "1973", {"Speak to Me", "Breathe/Reprise"}}},
        {"no album fields: the names as before", tracks, {"one", "album-01"}, {}},
        {"a track without a title: the album only",
         "TITLE \"Live\"\n" + tracks,
         {"01 one", "album-01"},
         {"Live", "", "", {}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const AlbumCutList read = readCueSheet(c.text, albumSource());
        EXPECT_EQ(read.album, c.album);
        ASSERT_EQ(read.rows.size(), c.names.size());
        for (std::size_t i = 0; i < c.names.size(); ++i)
            EXPECT_EQ(read.rows[i].name, c.names[i]);
    }
    const CutList rows = readCueSheet(ripper, albumSource()).rows;
    EXPECT_EQ(rows[0].end, 4 * kSecond);
    EXPECT_EQ(rows[1].start, 5 * kSecond);
}

TEST(AlbumKeptCutList, KeepsTheAlbumWithTheRowsAndReadsOlderListsWithout) {
    const SourceStamp stamp{"/music/album.wav", 1234, 5678};
    const CutList rows = rowsNamed({"01 Intro", "x"});
    for (const AlbumInfo& album :
         {AlbumInfo{}, AlbumInfo{"Live \"at\" Home", "The\tBand", "1999", {}},
          AlbumInfo{"", "", "", {"Intro", "#2"}}}) {
        const std::string text = keptListText(stamp, rows, kSecond, album);
        const std::optional<AlbumCutList> kept = readKeptList(text, stamp, albumSource());
        ASSERT_TRUE(kept) << text;
        EXPECT_EQ(*kept, (AlbumCutList{rows, album})) << text;
    }
    // A line end in a field cannot break the list.
    const auto broken = readKeptList(keptListText(stamp, rows, kSecond, {"two\nlines", "", "", {}}),
                                     stamp, albumSource());
    ASSERT_TRUE(broken);
    EXPECT_EQ(broken->album.album, "two lines");

    // Lists kept before the album lines existed, and with a field not known here.
    const std::string header = "# Sundra cut list\n# source\t/music/album.wav\n# size\t1234\n"
                               "# modified\t5678\n";
    const std::string row = "1.000000\t8.000000\t01 Intro\n";
    const CutList oneRow = {{"01 Intro", kSecond, 8 * kSecond}};
    EXPECT_EQ(readKeptList(header + row, stamp, albumSource()), (AlbumCutList{oneRow, {}}));
    EXPECT_EQ(readKeptList(header + "# genre\tRock\n# album\tLive\n" + row, stamp, albumSource()),
              (AlbumCutList{oneRow, {"Live", "", "", {}}}));
}

} // namespace
} // namespace sundra
