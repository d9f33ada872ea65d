// The pauses a display draws from one block scan: block runs become frames of
// the track, quiet at either end is no pause, a block at the level is quiet;
// and a scan is read again only when the click filter or the pause length in
// blocks changes.

#include "split/pause_map.h"

#include <gtest/gtest.h>

namespace sundra {
namespace {

// Blocks of 3 frames, the last one of 2: levels quiet, loud, 2 quiet, loud
// (0.5: at the level), loud, quiet, loud, quiet at the end.
BlockScan handMadeScan() {
    BlockScan scan;
    scan.format = {1, 12, 8};
    scan.blockFrames = 3;
    scan.levels = {0.0, 0.9, 0.1, 0.2, 0.8, 0.5, 0.7, 0.0, 0.6, 0.0};
    scan.length = 3 * 9 + 2;
    scan.tailStart = scan.length;
    return scan;
}

TEST(PauseMap, QuietRunsBetweenLoudBlocksBecomeFramesOfTheTrack) {
    const BlockScan scan = handMadeScan();
    struct Case {
        double level;
        std::vector<FrameSpan> pauses;
    };
    const Case cases[] = {
        {0.0, {{21, 24}}},                    // every block with any level is loud
        {0.15, {{6, 9}, {21, 24}}},           // a single quiet block is a pause
        {0.3, {{6, 12}, {21, 24}}},           // two quiet blocks make one pause
        {0.5, {{6, 12}, {15, 18}, {21, 24}}}, // 0.5 itself is not above the level
        {0.65, {{6, 12}, {15, 18}}},          // the block at 0.6 joins the quiet end
        {0.75, {{6, 12}}},                    // the quiet end now starts at 0.7
        {0.85, {}},                           // one loud block: nothing between two
    };
    for (const Case& c : cases)
        EXPECT_EQ(pauseSpans(scan, c.level), c.pauses) << "level " << c.level;
}

TEST(PauseMap, AScanFitsSettingsWithItsClickFilterAndPauseLength) {
    BlockScan scan;
    scan.pauseBlocks = 4; // a sense time of 1.0 to 1.2 s
    scan.clickFilterMs = 20;
    struct Case {
        double senseTime;
        int clickFilterMs;
        bool fits;
    };
    const Case cases[] = {
        {1.0, 20, true},  {1.2, 20, true}, {1.25, 20, false},
        {0.9, 20, false}, {1.0, 0, false}, {1.0, 30, false},
    };
    SplitSettings settings;
    for (const Case& c : cases) {
        settings.senseTime = c.senseTime;
        settings.clickFilterMs = c.clickFilterMs;
        EXPECT_EQ(scanFits(scan, settings), c.fits) << c.senseTime << " s, " << c.clickFilterMs;
        SplitSettings scanned;
        scanned.clickFilterMs = 20;
        EXPECT_EQ(sameScan(scanned, settings), c.fits) << c.senseTime << " s, " << c.clickFilterMs;
    }
}

} // namespace
} // namespace sundra
