// Track lists as pasted from sleeves and catalogue pages: every way a line
// gives its position, title and time, and the lists that are refused.

#include "core/sleeve_list.h"

#include <gtest/gtest.h>

namespace sundra {
namespace {

TEST(SleeveList, ReadsEveryUsualLayoutOfALine) {
    struct Case {
        const char* line;
        SleeveTrack track;
    };
    const Case cases[] = {
        {"1 Intro 3:45", {"1", "Intro", 225}},
        {"01. Hold On (2:05)", {"01.", "Hold On", 125}},
        {"A1\tSide Street\t4:02", {"A1", "Side Street", 242}},
        {"B2 - Track 4 (Legacy) - 3:00", {"B2", "Track 4 (Legacy)", 180}},
        {"3) Vol. 2 [12:30]", {"3)", "Vol. 2", 750}},
        {"Suite \xE2\x80\x93 1:02:03", {"", "Suite", 3723}},
        {"Untimed Song", {"", "Untimed Song", std::nullopt}},
        {"1999 4:30", {"", "1999", 270}}, // four digits are no position
        {"7 Seas of Rhye 2:50", {"7", "Seas of Rhye", 170}},
        {"12 5:61 Tune", {"12", "5:61 Tune", std::nullopt}}, // 61 seconds is no time
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const SleeveList list = parseSleeveList(c.line);
        ASSERT_EQ(list.tracks.size(), 1u);
        EXPECT_EQ(list.tracks[0], c.track);
    }
}

TEST(SleeveList, SkipsBlanksAndHeadingsAndRefusesHalfTimedLists) {
    const SleeveList album = parseSleeveList("\xEF\xBB\xBFSide A\r\n1. One 3:00\r\n\r\n"
                                             "2. Two 4:10\nSide B:\n1. Three 2:30\n");
    EXPECT_EQ(album.titles(), (std::vector<std::string>{"One", "Two", "Three"}));
    EXPECT_EQ(album.durations(), (std::vector<double>{180, 250, 150}));
    EXPECT_TRUE(album.timed());

    const SleeveList untimed = parseSleeveList("Side A\nOne\nTwo\n");
    EXPECT_FALSE(untimed.timed());
    EXPECT_EQ(untimed.titles().size(), 3u); // no times: a heading is a title like any

    struct Refused {
        const char* text;
        int line;
    };
    for (const Refused& r : {Refused{"1. One 3:00\n2. Two\n", 2}, Refused{"One 3:00\n 4:00\n", 2},
                             Refused{"1. - 3:00\n", 1}}) {
        SCOPED_TRACE(r.text);
        try {
            parseSleeveList(r.text);
            ADD_FAILURE() << "accepted";
        } catch (const CutListError& error) {
            EXPECT_EQ(error.line(), r.line);
        }
    }
    EXPECT_EQ(sleeveTime("1:2:03"), std::nullopt);
    EXPECT_EQ(sleeveTime("123:04"), 7384.0);
}

} // namespace
} // namespace sundra
