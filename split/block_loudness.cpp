#include "split/block_loudness.h"

#include "core/units.h"
#include "split/click_filter_runs.h"

#include <algorithm>

namespace sundra {

std::int32_t clickWindowFrames(const WaveFormat& format) {
    const std::int32_t frames = format.samplesPerSecond / 100;
    // Below 100 samples per second a window would hold no frame at all; one
    // frame per window is the nearest meaningful rule.
    return frames > 0 ? frames : 1;
}

std::int64_t clickWindowsNeeded(std::int32_t clickFilterMs) {
    if (clickFilterMs <= 0)
        return 0;
    return (std::int64_t{clickFilterMs} + 9) / 10;
}

BlockReader::BlockReader(SampleReader& source, std::int32_t blocksPerSecond,
                         std::int32_t clickFilterMs)
    : source_(source), block_(source.format(), blockBytes(source.format(), blocksPerSecond)),
      blockFrames_(capacityFrames(block_)), start_(source.tell()) {
    // A run of one window hears every loud frame: that is no filter at all.
    const std::int64_t needed = clickWindowsNeeded(clickFilterMs);
    if (needed > 1 && blockFrames_ > 0)
        runs_ = std::make_unique<ClickFilterRuns>(source, block_, needed,
                                                  clickWindowFrames(source.format()));
}

BlockReader::~BlockReader() = default;

bool BlockReader::next() {
    start_ += frames_;
    if (runs_) {
        const std::optional<ClickFilterRuns::Block> block = runs_->next();
        if (!block) {
            start_ = runs_->stoppedAt();
            frames_ = 0;
            return false;
        }
        start_ = block->start;
        frames_ = block->frames;
        level_ = block->level;
        return true;
    }
    frames_ = readIntoBuffer(source_, block_);
    return frames_ > 0;
}

double BlockReader::level() const {
    return runs_ ? level_ : blockLevel(block_);
}

bool BlockReader::loud(double senseLevel) const {
    return runs_ ? level_ > senseLevel : anyFrameAbove(block_, senseLevel);
}

} // namespace sundra
