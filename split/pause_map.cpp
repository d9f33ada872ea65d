#include "split/pause_map.h"

#include "split/auto_split.h"
#include "split/split_preview.h"

namespace sundra {

std::vector<QuietRun> quietRuns(const BlockScan& scan, double senseLevel) {
    std::vector<QuietRun> runs;
    std::int32_t lastLoud = -1;
    for (std::int32_t block = 0; block < scan.blockCount(); ++block) {
        if (!(scan.levels[block] > senseLevel))
            continue;
        if (lastLoud >= 0 && block > lastLoud + 1)
            runs.push_back({lastLoud + 1, block});
        lastLoud = block;
    }
    return runs;
}

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
