#pragma once
// The click filter's reading of a source (see split/block_loudness.h): reads
// analysis blocks in order and gives each block's level once the windows a run
// through it could reach have been read. In one pass it keeps, per 10 ms
// window, the largest frame level; per run of `needed` windows, its quietest
// window (the run is loud up to that level); per window, the loudest run
// through it; and per block, the largest level of a frame whose window is in
// such a run. Work and memory are constant per window, whatever the length.
//
// Owned by a BlockReader; reads the source and the reader's block buffer.

#include "core/sample_buffer.h"
#include "core/sample_stream.h"

#include <cstdint>
#include <deque>
#include <optional>

namespace sundra {

class ClickFilterRuns {
public:
    struct Block {
        std::int32_t start = 0;
        std::int32_t frames = 0;
        double level = 0.0;
    };

    // Starts at the source's position; first reads the windows a run through
    // the first block may begin in (from `needed` - 1 windows before its
    // window, never before frame 0 of the master). needed >= 2, window >= 1.
    ClickFilterRuns(SampleReader& source, SampleBuffer& buffer, std::int64_t needed,
                    std::int32_t window);

    // The next block, or nothing when the source has no more frames.
    std::optional<Block> next();
    // Where reading stopped, once next() gave nothing.
    std::int32_t stoppedAt() const { return position_; }

private:
    struct Pending {
        Block block;
        std::int64_t firstWindow;
        std::int64_t lastWindow;
        double firstPart = 0.0; // levels of the block's frames in its first
        double lastPart = 0.0;  // and last window
        double level;
        bool done = false;
    };
    struct Indexed {
        std::int64_t index;
        double value;
    };

    void readBlock();
    // Frames [first, first + count) of the source, now in the buffer.
    void take(std::int64_t first, std::int32_t count, Pending* block);
    void closeWindow();
    void runValueOf(std::int64_t window, double value);
    void giveRunValues(std::int64_t throughWindow);
    void finish();

    SampleReader& source_;
    SampleBuffer& buffer_;
    std::int64_t needed_;
    std::int32_t window_;
    std::int32_t position_; // the next frame a block starts at
    bool ended_ = false;

    bool open_ = false; // a window has frames but is not complete
    std::int64_t openWindow_ = 0;
    double openLevel_ = 0.0;
    std::int64_t firstWindow_; // the earliest window read: runs start there
    std::int64_t lastWindow_;  // the last window closed
    std::int64_t nextRunValue_;
    // Rising levels of the windows that may still be the quietest of a run.
    std::deque<Indexed> quietest_;
    // Falling run levels (run index = its first window) that may still be the
    // loudest run through a window.
    std::deque<Indexed> loudest_;
    std::deque<Pending> pending_;
};

} // namespace sundra
