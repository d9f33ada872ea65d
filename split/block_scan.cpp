#include "split/block_scan.h"

#include "core/units.h"
#include "split/auto_split.h"

#include <algorithm>

namespace sundra {

std::int32_t BlockScan::blockStart(std::int64_t block) const {
    return static_cast<std::int32_t>(std::min<std::int64_t>(block * blockFrames, length));
}

std::int32_t BlockScan::blockEnd(std::int64_t block) const {
    return blockStart(block + 1);
}

namespace {

// Levels of the blocks from the source's position to its end; false when
// stopEvent was set meanwhile.
bool readLevels(SampleReader& source, std::int32_t blocksPerSecond, std::int32_t clickFilterMs,
                std::vector<double>& levels, Event* stopEvent) {
    BlockReader blocks(source, blocksPerSecond, clickFilterMs);
    while (blocks.next()) {
        levels.push_back(blocks.level());
        if (stopEvent && stopEvent->lock(0))
            return false;
    }
    return true;
}

} // namespace

std::optional<BlockScan> scanBlocks(SampleReader& source, double senseTime,
                                    std::int32_t blocksPerSecond, std::int32_t clickFilterMs,
                                    Event* stopEvent) {
    BlockScan scan;
    scan.format = source.format();
    scan.length = source.length();
    scan.earliestFrame = -source.absoluteStart();
    scan.pauseBlocks = pauseBlockCount(senseTime, blocksPerSecond);
    scan.clickFilterMs = clickFilterMs;
    const std::int32_t frameBytes = frameSize(scan.format);
    scan.blockFrames = frameBytes > 0 ? blockBytes(scan.format, blocksPerSecond) / frameBytes : 0;
    if (scan.blockFrames <= 0)
        return scan; // a format without frames has no blocks
    scan.levels.reserve(static_cast<std::size_t>(scan.length / scan.blockFrames + 1));
    source.seek(0);
    if (!readLevels(source, blocksPerSecond, clickFilterMs, scan.levels, stopEvent))
        return std::nullopt;

    const std::int64_t tail =
        std::int64_t{scan.length} - scan.pauseBlocks * std::int64_t{scan.blockFrames};
    scan.tailStart = static_cast<std::int32_t>(std::max<std::int64_t>(tail, scan.earliestFrame));
    source.seek(scan.tailStart);
    if (!readLevels(source, blocksPerSecond, clickFilterMs, scan.tailLevels, stopEvent))
        return std::nullopt;
    return scan;
}

} // namespace sundra
