#include "split/pause_map.h"

#include "split/auto_split.h"
#include "split/split_preview.h"
#include "split/track_count_split.h"

namespace sundra {

std::vector<FrameSpan> pauseSpans(const BlockScan& scan, double senseLevel) {
    std::vector<FrameSpan> spans;
    for (const QuietRun& run : quietRuns(scan, senseLevel))
        spans.push_back({scan.blockStart(run.firstBlock), scan.blockStart(run.endBlock)});
    return spans;
}

bool scanFits(const BlockScan& scan, const SplitSettings& settings) {
    return scan.clickFilterMs == settings.clickFilterMs &&
           scan.pauseBlocks == pauseBlockCount(settings.senseTime, kSplitBlocksPerSecond);
}

bool sameScan(const SplitSettings& a, const SplitSettings& b) {
    return a.clickFilterMs == b.clickFilterMs &&
           pauseBlockCount(a.senseTime, kSplitBlocksPerSecond) ==
               pauseBlockCount(b.senseTime, kSplitBlocksPerSecond);
}

PauseMap mapPauses(const BlockScan& scan, const SplitSettings& settings) {
    return {pauseSpans(scan, settings.senseLevel), previewAutoSplit(scan, settings)};
}

} // namespace sundra
