// Cut lists: label files and cue sheets written from rows and read back
// against a source, the refusals of bad lists, and the list kept between runs.

#include "core/cut_list.h"
#include "core/kept_cut_list.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

namespace sundra {
namespace {

CutSource sourceOf(std::int32_t rate, std::int32_t frames) {
    return {"album.wav", "album", rate, frames};
}

TEST(LabelFile, WritesSecondsWithSixDecimalsAndReadsEveryFrameBack) {
    const CutList rows = {{"album-00", 0, 176400}, {"album-01", 264600, 441000}};
    EXPECT_EQ(labelText(rows, 44100), "0.000000\t4.000000\talbum-00\n"
                                      "6.000000\t10.000000\talbum-01\n");
    EXPECT_EQ(labelTime(1, 44100), "0.000023");
    EXPECT_EQ(labelTime(2147483647, 192000), "11184.810661");

    // Every frame near the edges and in between, at the rates a WAV may have.
    for (std::int32_t rate : {8000, 11025, 22050, 44100, 48000, 88200, 96000, 176400, 192000}) {
        const std::int32_t last = 2147483647;
        CutList many;
        for (std::int32_t frame :
             {0, 1, 2, 587, 588, rate - 1, rate, rate + 1, 1234567, last / 3, last - 2}) {
            many.push_back({"t" + std::to_string(frame), frame, frame + 1});
        }
        const CutList back = parseLabels(labelText(many, rate), sourceOf(rate, last));
        EXPECT_EQ(back, many) << "at " << rate << " Hz";
    }
}

// A list and the rows and warnings it must give.
struct ReadCase {
    const char* what;
    std::string text;
    CutList rows;
    CutListWarnings warnings;
};

TEST(LabelFile, RegionsAreTracksAndPointsCutTheFile) {
    const ReadCase cases[] = {
        {"regions as editors write them: a byte-order mark, CR LF, blank and frequency lines, a "
         "label without a name; a point among them is skipped",
         "\xEF\xBB\xBF"
         "1.5\t2.25\tfirst song\r\n\\\t100.0\t2000.0\r\n\r\n3\t4\r\n4.000000\t4.000000\tpoint\r\n",
         {{"first song", 12000, 18000}, {"album-01", 24000, 32000}},
         {"line 5: the point at 4.000000 s is not a track among the regions, and was skipped"}},
        {"points cut the file; each names the track it begins",
         "2\t2\tsecond\n5\t5\n7.5\t7.5\tlast\n",
         {{"album-00", 0, 16000},
          {"second", 16000, 40000},
          {"album-02", 40000, 60000},
          {"last", 60000, 80000}},
         {}},
        {"points at the very start, twice at one place and at the end give no empty track",
         "0\t0\tfirst\r3\t3\tx\r3\t3\tsecond\r10\t10\tend\r",
         {{"first", 0, 24000}, {"second", 24000, 80000}},
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CutListWarnings warnings;
        EXPECT_EQ(parseLabels(c.text, sourceOf(8000, 80000), LabelChecks::Strict, &warnings),
                  c.rows);
        EXPECT_EQ(warnings, c.warnings);
    }
}

void expectRefusal(const std::function<void()>& read, int line, const std::string& fragment) {
    try {
        read();
        ADD_FAILURE() << "accepted; expected line " << line << ": " << fragment;
    } catch (const CutListError& error) {
        EXPECT_EQ(error.line(), line) << error.what();
        EXPECT_NE(std::string(error.what()).find(fragment), std::string::npos) << error.what();
        if (line > 0) {
            EXPECT_EQ(std::string(error.what()).rfind("line " + std::to_string(line) + ": ", 0), 0u)
                << error.what();
        }
    }
}

TEST(LabelFile, BadListsAreRefusedNamingTheLine) {
    const struct {
        const char* text;
        int line;
        const char* fragment;
    } cases[] = {
        {"0\t1\ta\n1\t12\tb\n", 2, "past the end of the file (10.000000 s)"},
        {"0\t1\ta\n\n3\t2\tb\n", 3, "ends before it starts"},
        {"0\t2\ta\n1.5\t3\tb\n", 2, "overlaps the label on line 1"},
        {"5\t6\ta\n1\t2\tb\n", 2, "comes before it"},
        {"0\t1\ta\nzero\t1\tb\n", 2, "'zero' is not a time"},
        {"0\t1x\ta\n", 1, "'1x' is not a time"},
        {"0 1 a\n", 1, "separated by a tab"},
        {"-1\t1\ta\n", 1, "before the start"},
        {"0\tnan\ta\n", 1, "not a time"},
        {"0\t1e400\ta\n", 1, "not a time"},
        {"0\t1e15\ta\n", 1, "the time 9000000000000.000000 s lies past the end"},
        {"5\t5\ta\n2\t2\tb\n", 2, "comes before it"},
        {"\n\n", 0, "holds no label"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        expectRefusal([&] { parseLabels(c.text, sourceOf(1000, 10000)); }, c.line, c.fragment);
    }
}

TEST(CueSheet, WritesOneTrackPerRowWithPausesAsIndexZero) {
    // Rows two and three are one frame apart (a split); a pause of two seconds
    // lies before the last.
    const CutList rows = {
        {"intro", 0, 44100}, {"say \"hi\"", 44101, 441000}, {"end", 529200, 600000}};
    EXPECT_EQ(cueSheetText(rows, "my \"album\".wav", 44100), "FILE \"my 'album'.wav\" WAVE\n"
                                                             "  TRACK 01 AUDIO\n"
                                                             "    TITLE \"intro\"\n"
                                                             "    INDEX 01 00:00:00\n"
                                                             "  TRACK 02 AUDIO\n"
                                                             "    TITLE \"say 'hi'\"\n"
                                                             "    INDEX 01 00:01:00\n"
                                                             "  TRACK 03 AUDIO\n"
                                                             "    TITLE \"end\"\n"
                                                             "    INDEX 00 00:10:00\n"
                                                             "    INDEX 01 00:12:00\n"
                                                             "    REM SUNDRA_END 00:13:45\n");
    // Times go to the nearest CD frame of 588 frames.
    EXPECT_NE(cueSheetText({{"a", 293, 294}}, "a.wav", 44100)
                  .find("INDEX 01 00:00:00\n"
                        "    REM SUNDRA_END 00:00:01"),
              std::string::npos);

    CutList tooMany(100, CutRow{"x", 0, 0});
    expectRefusal([&] { cueSheetText(tooMany, "a.wav", 44100); }, 0, "at most 99 tracks");
    expectRefusal(
        [&] {
            cueSheetText({{"b", 88200, 90000}, {"a", 0, 10}}, "a.wav", 44100);
        },
        0, "in order of time");
}

TEST(CueSheet, OurOwnSheetGivesBackEveryStartAndEndWithinOneCdFrame) {
    // Rows on no CD frame: one frame apart (a split), a pause before the last,
    // the last ending short of the end of the file, and one near its very end.
    constexpr std::int32_t kCdFrame = 588;
    const CutSource source = sourceOf(44100, 700000);
    for (const CutList& rows :
         {CutList{{"intro", 293, 44100}, {"middle", 44101, 441000}, {"end", 529200, 600001}},
          CutList{{"a", 0, 699999}}, CutList{{"a", 0, 699706}}}) {
        const CutList back = parseCueSheet(cueSheetText(rows, "album.wav", 44100), source);
        ASSERT_EQ(back.size(), rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            SCOPED_TRACE(rows[i].name);
            EXPECT_EQ(back[i].name, rows[i].name);
            EXPECT_LT(std::abs(back[i].start - rows[i].start), kCdFrame);
            EXPECT_LT(std::abs(back[i].end - rows[i].end), kCdFrame);
        }
    }
}

TEST(CueSheet, ReadsTheSheetsOtherProgramsWrite) {
    const CutSource source = sourceOf(44100, 700000);
    constexpr std::int32_t kAt537 = 5 * 44100 + 37 * 588;
    const ReadCase cases[] = {
        {"their extra commands, a path before the file name, keywords in lower case, no titles "
         "and a third index inside a track",
         "REM GENRE Rock\nPERFORMER \"Band\"\nTITLE \"The Album\"\n"
         "FILE \"C:\\music\\album.wav\" WAVE\n  track 01 audio\n    FLAGS DCP\n"
         "    index 01 00:00:00\n    INDEX 02 00:03:00\n  TRACK 02 AUDIO\n"
         "    PERFORMER \"Band\"\n    INDEX 01 00:05:37\n",
         {{"album-00", 0, kAt537}, {"album-01", kAt537, 700000}},
         {}},
        {"values without quotes, a quote inside a title, a FILE of another format, a command "
         "not known here, CR line ends",
         "FILE album.flac WAVE\r  TRACK 01 AUDIO\r    TITLE My Song\r    COMPOSER Someone\r"
         "    INDEX 01 00:00:00\r  TRACK 02 AUDIO\r    TITLE \"Say \"Hi\"\"\r"
         "    INDEX 01 00:05:37\r",
         {{"My Song", 0, kAt537}, {"Say \"Hi\"", kAt537, 700000}},
         {"line 4: 'COMPOSER' is not a cue sheet command, and was skipped"}},
        {"the one FILE line names another file",
         "FILE \"other.wav\" WAVE\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:01:00\r\n",
         {{"album-00", 44100, 700000}},
         {"line 1: the sheet names \"other.wav\"; its times were read for album.wav"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CutListWarnings warnings;
        EXPECT_EQ(readCueSheet(c.text, source, &warnings).rows, c.rows);
        EXPECT_EQ(warnings, c.warnings);
    }
}

TEST(CueSheet, BadSheetsAreRefusedNamingTheLine) {
    const std::string head = "FILE \"album.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n";
    const struct {
        std::string text;
        int line;
        const char* fragment;
    } cases[] = {
        {head + "FILE \"other.wav\" WAVE\n  TRACK 02 AUDIO\n    INDEX 01 00:01:00\n", 4,
         "for \"other.wav\", not for album.wav"},
        {head + "  TRACK 02 AUDIO\n    INDEX 01 00:20:00\n", 5, "past the end of the file"},
        {head + "  TRACK 02 AUDIO\n    INDEX 01 999999:59:74\n", 5,
         "the time 59999999.986667 s lies past the end of the file (10.000000 s)"},
        {head + "  TRACK 02 AUDIO\n    INDEX 01 00:02:00\n  TRACK 03 AUDIO\n"
                "    INDEX 01 00:01:00\n",
         7, "before the track above"},
        {head + "  TRACK 02 AUDIO\n    INDEX 00 00:03:00\n    INDEX 01 00:02:00\n", 6,
         "before its pause"},
        {head + "  TRACK 02 AUDIO\n    TITLE \"no start\"\n", 4, "no INDEX 01"},
        {head + "  TRACK 02 AUDIO\n    INDEX 01 00:61:00\n", 5, "not a time mm:ss:ff"},
        {head + "  TRACK 02 AUDIO\n    INDEX 01 00:01:75\n", 5, "not a time mm:ss:ff"},
        {head + "  TRACK 02 AUDIO\n    INDEX 01 -0:+5:00\n", 5, "'-0:+5:00' is not a time"},
        {head + "  TRACK 02 AUDIO\n    INDEX 01 1:2\n", 5, "not a time mm:ss:ff"},
        {head + "  TRACK 02 AUDIO\n    INDEX 01 00: 1:00\n", 5, "a number and a time"},
        {head + "    REM SUNDRA_END 00:00:00\n  TRACK 02 AUDIO\n    INDEX 01 00:01:00\n"
                "    REM SUNDRA_END 00:00:74\n",
         7, "ends before it starts"},
        {head + "  TRACK 02 MODE1/2352\n", 4, "only AUDIO"},
        {head + "  TRACK 02 AUDIO\n    TITLE \"open quote\n", 5, "cannot be read"},
        {"  TRACK 01 AUDIO\n", 1, "before any FILE"},
        {"REM nothing\n", 0, "holds no track"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        expectRefusal([&] { parseCueSheet(c.text, sourceOf(44100, 441000)); }, c.line, c.fragment);
    }
    // Far-out times at the highest rate a file can declare.
    expectRefusal(
        [&] {
            parseCueSheet("FILE a.wav WAVE\nTRACK 1 AUDIO\nINDEX 1 999999:59:74\n",
                          {"a.wav", "a", 2147483647, 2147483647});
        },
        3, "lies past the end of the file (1.000000 s)");
}

TEST(CueSheet, NamesTheAudioFileOfItsFirstFileLineWithoutItsFolder) {
    const struct {
        const char* sheet;
        const char* file;
    } cases[] = {
        {"FILE \"side a.wav\" WAVE\nTRACK 01 AUDIO\n", "side a.wav"},
        {"\xEF\xBB\xBFREM DATE 1977\r\nfile album.wav WAVE\r\n", "album.wav"},
        {"FILE \"C:\\rips\\album.wav\" WAVE\nFILE other.wav WAVE\n", "album.wav"},
        {"FILE \"/home/me/album.wav\" WAVE\n", "album.wav"},
        {"TITLE \"x\"\nFILE \"unclosed WAVE\n", ""},
        {"FILE\n", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(cueSheetFileName(c.sheet), c.file) << c.sheet;
    }
}

TEST(KeptCutList, ComesBackOnlyForTheSameStateOfTheSameFile) {
    const SourceStamp stamp{"/music/album.wav", 1234, 5678};
    // The empty part of a split at a track's very end lies reversed and must
    // come back as the program held it.
    const CutList rows = {{"album-00", 0, 1000}, {"album-01", 1001, 1000}, {"x", 5, 7}};
    const std::string text = keptListText(stamp, rows, 48000);
    const CutSource source = sourceOf(48000, 2000);
    EXPECT_EQ(parseKeptList(text, stamp, source), rows);

    for (const SourceStamp& other :
         {SourceStamp{"/music/album.wav", 1235, 5678}, SourceStamp{"/music/album.wav", 1234, 5679},
          SourceStamp{"/music/other.wav", 1234, 5678}}) {
        EXPECT_EQ(parseKeptList(text, other, source), std::nullopt) << other.path;
    }
    // Rows past the end of the source are clamped into it (the stamp says the
    // list is this file's); a damaged list offers nothing.
    const CutList clamped = {{"album-00", 0, 999}, {"album-01", 999, 999}, {"x", 5, 7}};
    EXPECT_EQ(parseKeptList(text, stamp, sourceOf(48000, 999)), clamped);
    EXPECT_EQ(parseKeptList(text + "garbage\n", stamp, source), std::nullopt);

    EXPECT_EQ(keptListFileName("/music/album.wav"), keptListFileName("/music/album.wav"));
    EXPECT_NE(keptListFileName("/music/album.wav"), keptListFileName("/music/album2.wav"));
}

TEST(KeptCutList, TheStampFollowsTheFilesSizeAndTime) {
    test::TempDir dir;
    const std::string path = dir.file("a.wav");
    test::writeBytes(path, test::Bytes(100, 0));
    const auto first = stampOf(path);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->size, 100u);
    EXPECT_EQ(first->path, path);
    EXPECT_EQ(stampOf(path), first);

    namespace fs = std::filesystem;
    fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(1));
    const auto touched = stampOf(path);
    ASSERT_TRUE(touched);
    EXPECT_NE(touched->modified, first->modified);
    EXPECT_EQ(stampOf(dir.file("missing.wav")), std::nullopt);
}

TEST(CutListReaders, AnyTextGivesRowsInsideTheSourceOrAnErrorNeverAnythingElse) {
    // Every prefix of a good sheet and a good label file, and random bytes over
    // the characters the layouts use.
    const CutSource source = sourceOf(44100, 441000);
    const std::string cue = "REM x\nFILE \"album.wav\" WAVE\n  TRACK 01 AUDIO\n    TITLE \"a\"\n"
                            "    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    INDEX 00 00:02:00\n"
                            "    INDEX 01 00:03:10\n";
    const std::string labels = "0.5\t1.25\ta\n2\t3\tb\n9.999\t10\tc\n";
    std::vector<std::string> texts;
    for (std::size_t n = 0; n <= cue.size(); ++n) {
        texts.push_back(cue.substr(0, n));
    }
    for (std::size_t n = 0; n <= labels.size(); ++n) {
        texts.push_back(labels.substr(0, n));
    }
    const std::string alphabet = "0123456789.:\t\n\r \"-eFILETRACKINDEXAUDIOWAVE\\";
    std::uint32_t seed = 12345;
    for (int i = 0; i < 3000; ++i) {
        std::string text;
        const int length = static_cast<int>(seed % 60);
        for (int c = 0; c < length; ++c) {
            seed = seed * 1664525u + 1013904223u;
            text += alphabet[(seed >> 8) % alphabet.size()];
        }
        seed = seed * 1664525u + 1013904223u;
        texts.push_back(text);
    }
    int accepted = 0;
    for (const std::string& text : texts) {
        for (bool asCue : {true, false}) {
            try {
                const CutList rows =
                    asCue ? parseCueSheet(text, source) : parseLabels(text, source);
                ++accepted;
                for (const CutRow& row : rows) {
                    EXPECT_GE(row.start, 0) << text;
                    EXPECT_LE(row.start, row.end) << text;
                    EXPECT_LE(row.end, source.frames) << text;
                }
            } catch (const CutListError&) {
            }
        }
    }
    // The good prefixes (whole lines) are among the accepted.
    EXPECT_GT(accepted, 10);
}

} // namespace
} // namespace sundra
