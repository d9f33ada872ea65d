// Times as the ruler, the pointer's time and the time dialogs write and read
// them, and the ruler's ticks at every zoom from hours down to milliseconds.

#include "core/ruler_ticks.h"
#include "core/time_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace sundra {
namespace {

TEST(TimeText, TypedTimesReadToTheMicrosecondAndAnythingElseIsRefused) {
    const struct {
        const char* text;
        std::optional<std::int64_t> micros;
    } cases[] = {
        {"1:02:03.456", 3723456000},
        {" 19:03 ", 1143000000},
        {"19:03.5", 1143500000},
        {"75:30", 4530000000},
        {"4.25", 4250000},
        {"90", 90000000},
        {"0", 0},
        {"0:00:00.0000015", 1},
        {"30:00:00", 108000000000},
        {"1:60", std::nullopt},
        {"1:2", std::nullopt},
        {"1:02:03:04", std::nullopt},
        {":30", std::nullopt},
        {"4.", std::nullopt},
        {"-3", std::nullopt},
        {"1,5", std::nullopt},
        {"", std::nullopt},
        {"abc", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseTimeText(c.text), c.micros) << '"' << c.text << '"';
    }
}

TEST(TimeText, TextsTruncateToTheirDecimalsAndFramesRoundTrip) {
    EXPECT_EQ(timeText(3723456789, 0), "1:02:03");
    EXPECT_EQ(timeText(3723456789, 1), "1:02:03.4");
    EXPECT_EQ(timeText(3723456789, 3), "1:02:03.456");
    EXPECT_EQ(timeText(3723456789, 6), "1:02:03.456789");
    EXPECT_EQ(timeText(30 * 3600 * kMicrosPerSecond, 0), "30:00:00");
    EXPECT_EQ(timeText(-5, 2), "0:00:00.00");

    // At 44.1 kHz a millisecond is 44.1 frames: a typed time goes to the
    // nearest frame, and a frame's time (truncated) comes back to it.
    EXPECT_EQ(frameOfMicros(1143250000, 44100), 50417325);
    EXPECT_EQ(frameOfMicros(1000, 44100), 44);
    EXPECT_EQ(frameOfMicros(12000, 44100), 529);
    EXPECT_EQ(microsOfFrame(44100LL * 86400, 44100), 86400 * kMicrosPerSecond);
    for (const std::int64_t frame : {0LL, 1LL, 44099LL, 50417325LL, 2147483647LL}) {
        EXPECT_EQ(frameOfMicros(microsOfFrame(frame, 44100), 44100), frame);
    }
}

TEST(RulerTicks, TheScaleGrowsFinerAsTheViewZoomsDownToMilliseconds) {
    // Labels of 60 pixels without decimals, wider with them.
    const std::array<double, 4> label{60, 75, 82, 90};
    const std::int64_t ms = 1000;
    const std::int64_t s = kMicrosPerSecond;
    const struct {
        double pixelsPerSecond;
        RulerScale scale;
    } cases[] = {
        {1000.0 / 2400, {5 * 60 * s, 60 * s, 0}}, // 40 minutes across 1000 pixels
        {1000.0 / 60, {5 * s, s, 0}},             // one minute
        {1000.0 / 6, {500 * ms, 100 * ms, 1}},    // six seconds
        {10000, {10 * ms, 2 * ms, 2}},            // a tenth of a second
        {44100, {5 * ms, ms, 3}},                 // a frame a pixel
        {1e9, {ms, 200, 3}},                      // finer than the finest step
        {1e-6, {10 * 3600 * s, 2 * 3600 * s, 0}}, // coarser than the coarsest
    };
    for (const auto& c : cases) {
        EXPECT_EQ(rulerScale(c.pixelsPerSecond, label), c.scale) << c.pixelsPerSecond;
    }

    const RulerScale scale{5 * s, s, 0};
    const std::vector<RulerTick> ticks = rulerTicks(scale, 3 * s + 1, 11 * s);
    const std::vector<RulerTick> expected{{4 * s, false}, {5 * s, true},  {6 * s, false},
                                          {7 * s, false}, {8 * s, false}, {9 * s, false},
                                          {10 * s, true}, {11 * s, false}};
    EXPECT_EQ(ticks, expected);
    EXPECT_EQ(rulerTicks(scale, 0, 10000 * s, 50).size(), 50u);
    EXPECT_TRUE(rulerTicks(scale, 5 * s, 4 * s).empty());
}

} // namespace
} // namespace sundra
