#include "split/auto_split.h"

#include "core/units.h"
#include "split/block_loudness.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace sundra {

namespace {

// Progress in per mille of the source, from the end of the block just judged
// (the source itself may have been read further ahead). A scan that restarts
// before frame 0 of the source (after a pause scan ran out) would give a
// negative ratio; the display only knows 0 to 1000.
void postProgress(const SampleStream& source, const BlockReader& blocks, Notifier& notifier) {
    const std::int32_t length = source.length();
    const double ratio =
        length == 0 ? 0.0 : static_cast<double>(blocks.start() + blocks.frames()) / length;
    const double perMille = std::trunc(ratio * 1000.0);
    notifier.post(static_cast<std::uint32_t>(std::clamp(perMille, 0.0, 1000.0)), 0);
}

} // namespace

std::int64_t pauseBlockCount(double senseTime, std::int32_t blocksPerSecond) {
    const double blocks = std::trunc(blocksPerSecond * senseTime);
    // A negative stored time would put the cut after the quiet block that ends
    // the scan (even past the end of the source); no pause length is its only
    // sensible meaning. The upper bound keeps later products in range.
    if (!(blocks > 0.0))
        return 0;
    return static_cast<std::int64_t>(std::min(blocks, 1e12));
}

std::int32_t findSoundStart(SampleReader& source, double senseLevel, std::int32_t blocksPerSecond,
                            Notifier& notifier, std::int32_t clickFilterMs) {
    BlockReader blocks(source, blocksPerSecond, clickFilterMs);
    while (blocks.next() && !blocks.loud(senseLevel))
        postProgress(source, blocks, notifier);
    // The loud block's first frame, or where reading stopped.
    const std::int32_t start = blocks.start();
    source.seek(start);
    return start;
}

std::int32_t findPauseStart(SampleReader& source, double senseLevel, double senseTime,
                            std::int32_t blocksPerSecond, Notifier& notifier,
                            std::int32_t clickFilterMs) {
    BlockReader blocks(source, blocksPerSecond, clickFilterMs);
    const std::int64_t pauseBlocks = pauseBlockCount(senseTime, blocksPerSecond);
    std::int64_t quiet = 0;
    while (blocks.next()) {
        if (blocks.loud(senseLevel)) {
            quiet = 0;
        } else if (++quiet > pauseBlocks) {
            break;
        }
        postProgress(source, blocks, notifier);
    }
    // The first of the quiet blocks (the last one read starts at blocks.start()),
    // or, when the source ran out, its end less pauseBlocks whole blocks.
    std::int64_t start =
        std::int64_t{blocks.start()} - pauseBlocks * std::int64_t{blocks.blockFrames()};
    // When the source runs out within the first pause length of the master,
    // start would lie before the master's first frame, where a file has only its
    // header. The scan then counts from frame 0 of the master instead.
    const std::int64_t masterFrameZero = -std::int64_t{source.absoluteStart()};
    start = std::max(start, masterFrameZero);
    source.seek(static_cast<std::int32_t>(start));
    return static_cast<std::int32_t>(start);
}

std::unique_ptr<TrackSegment> cutNextPiece(SampleReaderWriter& source, double senseLevel,
                                           double senseTime, bool trimSpace,
                                           std::int32_t blocksPerSecond, Notifier& notifier,
                                           std::int32_t clickFilterMs) {
    std::int32_t start = 0;
    std::int32_t end = 0;
    if (trimSpace) {
        start = findSoundStart(source, senseLevel, blocksPerSecond, notifier, clickFilterMs);
        end =
            findPauseStart(source, senseLevel, senseTime, blocksPerSecond, notifier, clickFilterMs);
    } else {
        start = source.tell();
        findSoundStart(source, senseLevel, blocksPerSecond, notifier, clickFilterMs);
        findPauseStart(source, senseLevel, senseTime, blocksPerSecond, notifier, clickFilterMs);
        end = findSoundStart(source, senseLevel, blocksPerSecond, notifier, clickFilterMs);
    }
    if (start >= end)
        return nullptr;
    return std::make_unique<TrackSegment>(source, start, end);
}

int splitAll(SampleReaderWriter& source, const SplitSettings& settings, Event& stopEvent,
             PieceList& pieces, Notifier& dialog) {
    pieces.clear();
    source.seek(0);
    if (!stopEvent.lock(0)) {
        for (;;) {
            std::unique_ptr<TrackSegment> piece =
                cutNextPiece(source, settings.senseLevel, settings.senseTime, settings.trimSpace,
                             kSplitBlocksPerSecond, Notifier::none(), settings.clickFilterMs);
            if (!piece)
                break;
            // Compared in floating point: a stored minimum far outside the page's
            // range must not overflow a frame count.
            const double minimumFrames =
                std::trunc(piece->format().samplesPerSecond * settings.minimumTime);
            if (piece->length() > minimumFrames)
                pieces.push_back(std::move(piece));
            if (stopEvent.lock(0))
                break;
        }
    }
    dialog.post(kIdOk, 0);
    return 0;
}

std::string pieceName(const std::string& rowName, int index) {
    char number[16];
    std::snprintf(number, sizeof number, "%02d", index);
    return rowName + "-" + number;
}

} // namespace sundra
