#pragma once
// Where a time ruler puts its ticks and labels: a labelled major tick every
// 1, 2 or 5 units of the clock (milliseconds to seconds, then 10 s, 15 s, 30 s,
// minutes, quarters and hours), with unlabelled minor ticks between, so the
// ruler grows finer as the view zooms in, down to milliseconds. Labels are
// timeText() with as many decimals as the step needs.

#include <array>
#include <cstdint>
#include <vector>

namespace sundra {

struct RulerScale {
    std::int64_t majorMicros; // between labelled ticks
    std::int64_t minorMicros; // between ticks, a divisor of majorMicros
    int decimals;             // digits after the second's point in the labels
    friend bool operator==(const RulerScale&, const RulerScale&) = default;
};

// The finest scale whose labels fit between its major ticks at pixelsPerSecond,
// a label with d decimals needing labelPixels[d] pixels (d = 0..3). The
// coarsest scale when none fits.
RulerScale rulerScale(double pixelsPerSecond, const std::array<double, 4>& labelPixels);

struct RulerTick {
    std::int64_t micros;
    bool major;
    friend bool operator==(const RulerTick&, const RulerTick&) = default;
};

// The ticks of scale in [firstMicros, lastMicros], in order; at most maxTicks.
std::vector<RulerTick> rulerTicks(const RulerScale& scale, std::int64_t firstMicros,
                                  std::int64_t lastMicros, std::size_t maxTicks = 10000);

} // namespace sundra
