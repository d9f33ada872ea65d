#include "split/track_count_split.h"

#include <algorithm>

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

TrackCut cutIntoTracks(const BlockScan& scan, double senseLevel, bool trimSpace, int trackCount) {
    TrackCut cut;
    std::vector<QuietRun> runs = quietRuns(scan, senseLevel);
    cut.pausesFound = static_cast<int>(runs.size());
    if (trackCount < 1 || runs.size() < static_cast<std::size_t>(trackCount - 1))
        return cut;

    // The longest first, the earlier of equal ones first; then back into
    // track order.
    std::stable_sort(runs.begin(), runs.end(),
                     [](const QuietRun& a, const QuietRun& b) { return a.blocks() > b.blocks(); });
    runs.resize(static_cast<std::size_t>(trackCount - 1));
    std::sort(runs.begin(), runs.end(),
              [](const QuietRun& a, const QuietRun& b) { return a.firstBlock < b.firstBlock; });

    std::int32_t firstLoud = 0;
    while (firstLoud < scan.blockCount() && !(scan.levels[firstLoud] > senseLevel))
        ++firstLoud;
    std::int32_t lastLoud = scan.blockCount() - 1;
    while (lastLoud >= 0 && !(scan.levels[lastLoud] > senseLevel))
        --lastLoud;
    if (lastLoud < firstLoud)
        return cut; // no sound: a single track needs none, and it has no piece either

    std::int32_t start = trimSpace ? scan.blockStart(firstLoud) : 0;
    for (const QuietRun& pause : runs) {
        const std::int32_t end = scan.blockStart(trimSpace ? pause.firstBlock : pause.endBlock);
        cut.pieces.push_back({start, end});
        start = scan.blockStart(pause.endBlock);
    }
    cut.pieces.push_back({start, trimSpace ? scan.blockEnd(lastLoud) : scan.length});
    return cut;
}

TrackSplitOutcome splitIntoTracks(SampleReaderWriter& source, const SplitSettings& settings,
                                  int trackCount, Event& stopEvent, PieceList& pieces,
                                  Notifier& dialog) {
    pieces.clear();
    TrackSplitOutcome outcome;
    if (stopEvent.lock(0))
        return outcome;
    // The sense time plays no part here, so no tail is read.
    const std::optional<BlockScan> scan =
        scanBlocks(source, 0.0, kSplitBlocksPerSecond, settings.clickFilterMs, &stopEvent);
    if (!scan)
        return outcome;
    const TrackCut cut = cutIntoTracks(*scan, settings.senseLevel, settings.trimSpace, trackCount);
    outcome.finished = true;
    outcome.pausesFound = cut.pausesFound;
    for (const FrameSpan& span : cut.pieces)
        pieces.push_back(std::make_unique<TrackSegment>(source, span.start, span.end));
    dialog.post(kIdOk, 0);
    return outcome;
}

} // namespace sundra
