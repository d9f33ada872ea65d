#include "split/split_preview.h"

#include <cmath>

namespace sundra {

double senseLevelAt(int position) {
    return position * 0.001;
}

namespace {

// Mirrors the sound and pause scans on the block grid from frame 0, which is
// where every scan of a split starts until a pause scan runs out; from then on
// the scans count their blocks from the scan's tail start instead.
class SplitMirror {
public:
    SplitMirror(const BlockScan& scan, const SplitSettings& settings)
        : scan_(scan), level_(settings.senseLevel), blocks_(scan.blockCount()),
          minimumFrames_(std::trunc(scan.format.samplesPerSecond * settings.minimumTime)) {}

    std::vector<FrameSpan> pieces(bool trimSpace) {
        if (trimSpace)
            trimmed();
        else
            untrimmed();
        return std::move(pieces_);
    }

private:
    bool loud(std::int64_t block) const { return scan_.levels[block] > level_; }

    // The first loud block from block on, or blocks_ when the track runs out.
    std::int64_t soundFrom(std::int64_t block) const {
        while (block < blocks_ && !loud(block))
            ++block;
        return block;
    }

    // The first block of the first run of more than pauseBlocks quiet blocks
    // from block on, or blocks_ when the track runs out first.
    std::int64_t pauseFrom(std::int64_t block) const {
        std::int64_t quiet = 0;
        for (; block < blocks_; ++block) {
            if (loud(block))
                quiet = 0;
            else if (++quiet > scan_.pauseBlocks)
                return block - scan_.pauseBlocks;
        }
        return blocks_;
    }

    // Where the sound scan that follows a run-out stops: the first loud block
    // counted from the tail start, or the end.
    std::int64_t tailSound() const {
        for (std::size_t i = 0; i < scan_.tailLevels.size(); ++i) {
            if (scan_.tailLevels[i] > level_)
                return std::int64_t{scan_.tailStart} +
                       static_cast<std::int64_t>(i) * scan_.blockFrames;
        }
        return scan_.length;
    }

    void keep(std::int64_t start, std::int64_t end) {
        if (start<end&& static_cast<double>(end - start)> minimumFrames_)
            pieces_.push_back({static_cast<std::int32_t>(start), static_cast<std::int32_t>(end)});
    }

    // Each piece is a sound up to its pause. Once a pause scan ran out, the
    // scans from the tail start hold fewer blocks than a pause and give no
    // further piece.
    void trimmed() {
        std::int64_t block = 0;
        for (;;) {
            const std::int64_t sound = soundFrom(block);
            if (sound == blocks_)
                return;
            const std::int64_t pause = pauseFrom(sound);
            if (pause == blocks_) {
                keep(scan_.blockStart(sound), scan_.tailStart);
                return;
            }
            keep(scan_.blockStart(sound), scan_.blockStart(pause));
            block = pause;
        }
    }

    // Each piece runs on to the next sound. A sound scan finds the next sound
    // at once after the first piece, so only the first may start on a track
    // without sound; after a run-out the last piece ends at the tail's first
    // loud block or the end, and nothing follows.
    void untrimmed() {
        std::int64_t start = 0;
        std::int64_t block = 0;
        for (;;) {
            const std::int64_t sound = soundFrom(block);
            const std::int64_t pause = sound == blocks_ ? blocks_ : pauseFrom(sound);
            if (pause == blocks_) {
                keep(start, tailSound());
                return;
            }
            const std::int64_t next = soundFrom(pause);
            const std::int64_t end = next == blocks_ ? scan_.length : scan_.blockStart(next);
            keep(start, end);
            if (next == blocks_)
                return;
            start = end;
            block = next;
        }
    }

    const BlockScan& scan_;
    double level_;
    std::int64_t blocks_;
    double minimumFrames_;
    std::vector<FrameSpan> pieces_;
};

} // namespace

std::vector<FrameSpan> previewAutoSplit(const BlockScan& scan, const SplitSettings& settings) {
    if (scan.blockFrames <= 0)
        return {};
    return SplitMirror(scan, settings).pieces(settings.trimSpace);
}

std::array<int, kSenseLevelPositions> piecesPerLevel(const BlockScan& scan,
                                                     const SplitSettings& settings) {
    std::array<int, kSenseLevelPositions> counts{};
    SplitSettings atLevel = settings;
    for (int position = 0; position < kSenseLevelPositions; ++position) {
        atLevel.senseLevel = senseLevelAt(position);
        counts[position] = static_cast<int>(previewAutoSplit(scan, atLevel).size());
    }
    return counts;
}

} // namespace sundra
