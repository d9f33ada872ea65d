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
bool readLevels(SampleReader& source, SampleBuffer& block, std::int32_t clickFilterMs,
                std::vector<double>& levels, Event* stopEvent, EnvelopeBuilder* envelope) {
    while (readIntoBuffer(source, block) > 0) {
        levels.push_back(blockLevel(block, clickFilterMs));
        if (envelope)
            envelope->add(block);
        if (stopEvent && stopEvent->lock(0))
            return false;
    }
    return true;
}

} // namespace

std::optional<BlockScan> scanBlocks(SampleReader& source, double senseTime,
                                    std::int32_t blocksPerSecond, std::int32_t clickFilterMs,
                                    Event* stopEvent, EnvelopeBuilder* envelope) {
    BlockScan scan;
    scan.format = source.format();
    scan.length = source.length();
    scan.earliestFrame = -source.absoluteStart();
    scan.pauseBlocks = pauseBlockCount(senseTime, blocksPerSecond);
    scan.clickFilterMs = clickFilterMs;
    SampleBuffer block(source.format(), blockBytes(source.format(), blocksPerSecond));
    scan.blockFrames = capacityFrames(block);
    if (scan.blockFrames <= 0)
        return scan; // a format without frames has no blocks
    scan.levels.reserve(static_cast<std::size_t>(scan.length / scan.blockFrames + 1));
    source.seek(0);
    if (!readLevels(source, block, clickFilterMs, scan.levels, stopEvent, envelope))
        return std::nullopt;

    const std::int64_t tail =
        std::int64_t{scan.length} - scan.pauseBlocks * std::int64_t{scan.blockFrames};
    scan.tailStart = static_cast<std::int32_t>(std::max<std::int64_t>(tail, scan.earliestFrame));
    source.seek(scan.tailStart);
    if (!readLevels(source, block, clickFilterMs, scan.tailLevels, stopEvent, nullptr))
        return std::nullopt;
    return scan;
}

} // namespace sundra
