// The album information in cut lists: cue sheets that carry it out and back,
// the sheets other programs write, and the list kept between runs.

#include "core/cut_list.h"
#include "core/kept_cut_list.h"

#include <gtest/gtest.h>

namespace sundra {
namespace {

constexpr std::int32_t kSecond = 44100;
constexpr std::int32_t kCdFrame = kSecond / 75;

CutSource albumSource() {
    return {"album.wav", "album", kSecond, 60 * kSecond};
}

// Three rows on whole CD frames, so that a sheet gives them back exactly.
CutList rowsNamed(const std::vector<std::string>& names) {
    CutList rows;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const auto at = static_cast<std::int32_t>(i) * 10 * kSecond;
        rows.push_back({names[i], at + 75 * kCdFrame, at + 8 * kSecond});
    }
    return rows;
}

TEST(AlbumCueSheet, CarriesTheAlbumOutAndBack) {
    const std::vector<std::string> titles = {"Intro", "Side/Long Song", "Say \"Hi\""};
    const std::vector<std::string> titled = {"01 Intro", "02 Side-Long Song", "03 Say \"Hi\""};
    const struct {
        const char* what;
        std::vector<std::string> names;
        AlbumInfo album;
        std::vector<std::string> namesBack;
        AlbumInfo albumBack;
    } cases[] = {
        {"named by Track Info; quotes become apostrophes",
         titled,
         {"Live \"at\" Home", "The Band", "1999", titles},
         {"01 Intro", "02 Side-Long Song", "03 Say 'Hi'"},
         {"Live 'at' Home", "The Band", "1999", {"Intro", "Side/Long Song", "Say 'Hi'"}}},
        {"a row renamed since keeps its name, and its name is its title",
         {"01 Intro", "My Song", "03 Outro"},
         {"Live", "The Band", "May 1999", {"Intro", "Side/Long Song", "Outro"}},
         {"01 Intro", "My Song", "03 Outro"},
         {"Live", "The Band", "May 1999", {"Intro", "My Song", "Outro"}}},
        {"album fields without titles",
         {"album-00", "album-01", "album-02"},
         {"", "The Band", "", {}},
         {"album-00", "album-01", "album-02"},
         {"", "The Band", "", {}}},
        {"titles without album fields",
         titled,
         {"", "", "", titles},
         {"01 Intro", "02 Side-Long Song", "03 Say 'Hi'"},
         {"", "", "", {"Intro", "Side/Long Song", "Say 'Hi'"}}},
        {"no album: the rows' names only", {"a", "b c", "d"}, {}, {"a", "b c", "d"}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const CutList rows = rowsNamed(c.names);
        const std::string text = cueSheetText(rows, "album.wav", kSecond, c.album);
        SCOPED_TRACE(text);
        const AlbumCutList back = readCueSheet(text, albumSource());
        EXPECT_EQ(back.album, c.albumBack);
        ASSERT_EQ(back.rows.size(), rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(back.rows[i].name, c.namesBack[i]);
            EXPECT_EQ(back.rows[i].start, rows[i].start);
        }
        // Without album information the sheet is the plain one, line for line.
        EXPECT_EQ(c.album.empty(), text == cueSheetText(rows, "album.wav", kSecond));
    }

    // The layout: the album above the FILE line, the titles in the tracks.
    EXPECT_EQ(cueSheetText(rowsNamed({"01 Intro", "Renamed"}), "album.wav", kSecond,
                           {"Live", "The \"Band\"", "May 1999", {"Intro", "Two"}}),
              "REM DATE \"May 1999\"\n"
              "PERFORMER \"The 'Band'\"\n"
              "TITLE \"Live\"\n"
              "FILE \"album.wav\" WAVE\n"
              "  TRACK 01 AUDIO\n"
              "    TITLE \"Intro\"\n"
              "    INDEX 01 00:01:00\n"
              "  TRACK 02 AUDIO\n"
              "    TITLE \"Renamed\"\n"
              "    REM NAME \"Renamed\"\n"
              "    INDEX 00 00:08:00\n"
              "    INDEX 01 00:11:00\n");
}

TEST(AlbumCueSheet, ReadsTheAlbumOfSheetsOtherProgramsWrite) {
    const std::string ripper = "REM GENRE \"Progressive Rock\"\r\n"
                               "REM DATE 1973\r\n"
                               "REM DISCID 8A0B2C0D\r\n"
                               "REM COMMENT \"ExactAudioCopy v1.6\"\r\n"
                               "CATALOG 0000000000000\r\n"
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
                               "    FLAGS DCP\r\n"
                               "    INDEX 00 00:04:00\r\n"
                               "    INDEX 01 00:05:00\r\n";
    const std::string titlesOnly = "FILE \"album.wav\" WAVE\n"
                                   "  TRACK 01 AUDIO\n    TITLE \"one\"\n    INDEX 01 00:00:00\n"
                                   "  TRACK 02 AUDIO\n    TITLE \"two\"\n    INDEX 01 00:05:00\n";
    const std::string untitledTrack = "TITLE \"Live\"\nfile \"album.wav\" WAVE\n"
                                      "  track 01 AUDIO\n    title \"one\"\n    index 01 00:00:00\n"
                                      "  track 02 AUDIO\n    index 01 00:05:00\n";
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
        {"titles without album fields name the rows as before", titlesOnly, {"one", "two"}, {}},
        {"a track without a title: the album only",
         untitledTrack,
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
        EXPECT_EQ(read.rows, parseCueSheet(c.text, albumSource()));
    }
    const CutList ripperRows = readCueSheet(ripper, albumSource()).rows;
    EXPECT_EQ(ripperRows.back().start, 5 * kSecond);
    EXPECT_EQ(ripperRows.front().end, 4 * kSecond);
}

TEST(AlbumKeptCutList, KeepsTheAlbumWithTheRowsAndReadsOlderListsWithout) {
    const SourceStamp stamp{"/music/album.wav", 1234, 5678};
    const CutSource source = albumSource();
    const CutList rows = rowsNamed({"01 Intro", "02 Side-Long Song", "x"});
    for (const AlbumInfo& album :
         {AlbumInfo{}, AlbumInfo{"Live \"at\" Home", "The\tBand", "1999", {}},
          AlbumInfo{"", "", "", {"Intro", "Side/Long Song", "#3"}}}) {
        const std::string text = keptListText(stamp, rows, kSecond, album);
        const std::optional<AlbumCutList> kept = readKeptList(text, stamp, source);
        ASSERT_TRUE(kept) << text;
        EXPECT_EQ(kept->rows, rows);
        EXPECT_EQ(kept->album, album) << text;
        EXPECT_EQ(parseKeptList(text, stamp, source), rows);
        EXPECT_EQ(readKeptList(text, {"/music/album.wav", 1235, 5678}, source), std::nullopt);
    }
    // A line end in a field cannot break the list.
    const std::string broken =
        keptListText(stamp, rows, kSecond, {"two\nlines", "", "", {"a\r\nb"}});
    ASSERT_TRUE(readKeptList(broken, stamp, source));
    EXPECT_EQ(readKeptList(broken, stamp, source)->album,
              (AlbumInfo{"two lines", "", "", {"a  b"}}));

    // A list kept before the album lines existed, and one with a field this
    // program does not know.
    const std::string header = "# Sundra cut list\n# source\t/music/album.wav\n# size\t1234\n"
                               "# modified\t5678\n";
    const std::string rowsText = "1.000000\t8.000000\t01 Intro\n";
    const std::optional<AlbumCutList> old = readKeptList(header + rowsText, stamp, source);
    ASSERT_TRUE(old);
    EXPECT_EQ(old->rows, (CutList{{"01 Intro", kSecond, 8 * kSecond}}));
    EXPECT_TRUE(old->album.empty());
    const std::optional<AlbumCutList> newer =
        readKeptList(header + "# genre\tRock\n# album\tLive\n" + rowsText, stamp, source);
    ASSERT_TRUE(newer);
    EXPECT_EQ(newer->album, (AlbumInfo{"Live", "", "", {}}));
    EXPECT_EQ(newer->rows, old->rows);
}

} // namespace
} // namespace sundra
