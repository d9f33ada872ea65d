#include "split/block_loudness.h"

#include "core/units.h"

#include <algorithm>
#include <vector>

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

bool blockIsLoud(const SampleBuffer& block, double senseLevel, std::int32_t clickFilterMs) {
    const std::int64_t needed = clickWindowsNeeded(clickFilterMs);
    if (needed == 0)
        return anyFrameAbove(block, senseLevel);

    const std::int32_t frames = usedFrames(block);
    const std::int32_t window = clickWindowFrames(block.format);
    const std::int64_t windows = (std::int64_t{frames} + window - 1) / window;
    std::int64_t run = 0;
    for (std::int64_t i = 0; i < windows; ++i) {
        // Once the windows left cannot complete a run, the block is quiet.
        if (run + (windows - i) < needed)
            return false;
        const auto first = static_cast<std::int32_t>(i * window);
        if (anyFrameAbove(block, first, window, senseLevel)) {
            if (++run >= needed)
                return true;
        } else {
            run = 0;
        }
    }
    return false;
}

double blockLevel(const SampleBuffer& block, std::int32_t clickFilterMs) {
    const std::int64_t needed = clickWindowsNeeded(clickFilterMs);
    if (needed == 0)
        return meanPeak(block);

    const std::int32_t frames = usedFrames(block);
    const std::int32_t window = clickWindowFrames(block.format);
    const std::int64_t windows = (std::int64_t{frames} + window - 1) / window;
    if (windows < needed)
        return 0.0; // no run is long enough: quiet at every level
    std::vector<double> peaks(static_cast<std::size_t>(windows));
    for (std::int64_t i = 0; i < windows; ++i)
        peaks[static_cast<std::size_t>(i)] =
            meanPeak(block, static_cast<std::int32_t>(i * window), window);
    // A run is loud at L when its quietest window is; the block when any run is.
    double level = 0.0;
    for (std::int64_t first = 0; first + needed <= windows; ++first) {
        const auto from = peaks.begin() + first;
        level = std::max(level, *std::min_element(from, from + needed));
    }
    return level;
}

} // namespace sundra
