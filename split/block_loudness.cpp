#include "split/block_loudness.h"

#include "core/units.h"

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

} // namespace sundra
