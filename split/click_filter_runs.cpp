#include "split/click_filter_runs.h"

#include "core/units.h"

#include <algorithm>
#include <limits>

namespace sundra {

namespace {

// The level of a window that no run of enough loud windows passes through: it
// is heard at no level at all.
constexpr double kNoRun = -std::numeric_limits<double>::infinity();

// Windows are counted from frame 0 of the source, also before it.
std::int64_t windowOf(std::int64_t frame, std::int32_t window) {
    return frame >= 0 ? frame / window : -((-frame + window - 1) / window);
}

} // namespace

ClickFilterRuns::ClickFilterRuns(SampleReader& source, SampleBuffer& buffer, std::int64_t needed,
                                 std::int32_t window)
    : source_(source), buffer_(buffer), needed_(needed), window_(window), position_(source.tell()) {
    const std::int64_t start = position_;
    const std::int64_t earliest = -std::int64_t{source.absoluteStart()};
    const std::int64_t from =
        std::min(start, std::max(earliest, (windowOf(start, window) - (needed - 1)) * window));
    firstWindow_ = windowOf(from, window);
    lastWindow_ = firstWindow_ - 1;
    nextRunValue_ = firstWindow_;
    if (from == start)
        return;
    // Runs through the first block may begin before it.
    source.seek(static_cast<std::int32_t>(from));
    const std::int32_t frameBytes = frameSize(buffer.format);
    for (std::int64_t at = from; at < start;) {
        const auto want =
            static_cast<std::int32_t>(std::min<std::int64_t>(start - at, capacityFrames(buffer)));
        buffer.used = source.read(buffer.data.get(), want * frameBytes);
        const std::int32_t got = buffer.used / frameBytes;
        if (got <= 0)
            break;
        take(at, got, nullptr);
        at += got;
    }
    source.seek(position_);
}

std::optional<ClickFilterRuns::Block> ClickFilterRuns::next() {
    while (!ended_ && (pending_.empty() || !pending_.front().done))
        readBlock();
    if (pending_.empty())
        return std::nullopt;
    Block block = pending_.front().block;
    block.level = std::max(0.0, pending_.front().level);
    pending_.pop_front();
    return block;
}

void ClickFilterRuns::readBlock() {
    const std::int32_t frames = readIntoBuffer(source_, buffer_);
    if (frames <= 0) {
        finish();
        return;
    }
    const std::int64_t first = position_;
    Pending& block = pending_.emplace_back(Pending{{position_, frames, 0.0},
                                                   windowOf(first, window_),
                                                   windowOf(first + frames - 1, window_),
                                                   0.0,
                                                   0.0,
                                                   kNoRun,
                                                   false});
    position_ += frames;
    take(first, frames, &block);
}

void ClickFilterRuns::take(std::int64_t first, std::int32_t count, Pending* block) {
    for (std::int32_t offset = 0; offset < count;) {
        const std::int64_t window = windowOf(first + offset, window_);
        const std::int64_t windowEnd = (window + 1) * window_;
        const auto end =
            static_cast<std::int32_t>(std::min<std::int64_t>(count, windowEnd - first));
        const double level = blockLevel(buffer_, offset, end - offset);
        if (!open_) {
            open_ = true;
            openWindow_ = window;
            openLevel_ = level;
        } else {
            openLevel_ = std::max(openLevel_, level);
        }
        if (block) {
            if (offset == 0)
                block->firstPart = level;
            block->lastPart = level;
        }
        if (first + end == windowEnd)
            closeWindow();
        offset = end;
    }
}

void ClickFilterRuns::closeWindow() {
    open_ = false;
    lastWindow_ = openWindow_;
    while (!quietest_.empty() && quietest_.back().value >= openLevel_)
        quietest_.pop_back();
    quietest_.push_back({openWindow_, openLevel_});
    // The run of needed windows that ends with this one.
    const std::int64_t run = openWindow_ - (needed_ - 1);
    if (run < firstWindow_)
        return;
    while (quietest_.front().index < run)
        quietest_.pop_front();
    runValueOf(run, quietest_.front().value);
}

void ClickFilterRuns::runValueOf(std::int64_t run, double value) {
    while (!loudest_.empty() && loudest_.back().value <= value)
        loudest_.pop_back();
    loudest_.push_back({run, value});
    // Every run through window `run` starts at or before it: all are known.
    giveRunValues(run);
}

void ClickFilterRuns::giveRunValues(std::int64_t throughWindow) {
    for (; nextRunValue_ <= throughWindow; ++nextRunValue_) {
        const std::int64_t window = nextRunValue_;
        while (!loudest_.empty() && loudest_.front().index < window - (needed_ - 1))
            loudest_.pop_front();
        const double runLevel = loudest_.empty() ? kNoRun : loudest_.front().value;
        // A window wholly inside a block is as loud as its loudest run; a window
        // a block shares with its neighbour counts with the block's frames only.
        for (Pending& pending : pending_) {
            if (pending.firstWindow > window)
                break;
            if (pending.done)
                continue;
            double heard = runLevel;
            if (window == pending.firstWindow)
                heard = std::min(heard, pending.firstPart);
            if (window == pending.lastWindow) {
                heard = std::min(heard, pending.lastPart);
                pending.done = true;
            }
            pending.level = std::max(pending.level, heard);
        }
    }
}

void ClickFilterRuns::finish() {
    ended_ = true;
    if (open_)
        closeWindow();
    // No run reaches past the last window: what is known now is all there is.
    giveRunValues(lastWindow_);
}

} // namespace sundra
