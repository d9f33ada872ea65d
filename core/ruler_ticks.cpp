#include "core/ruler_ticks.h"

#include "core/time_text.h"

#include <algorithm>

namespace sundra {

namespace {

constexpr std::int64_t kMs = 1000;
constexpr std::int64_t kSecond = kMicrosPerSecond;
constexpr std::int64_t kMinute = 60 * kSecond;
constexpr std::int64_t kHour = 60 * kMinute;

struct Step {
    std::int64_t major;
    int minorCount; // minor ticks per major step
};

// Steps a clock reader counts in, finest first.
constexpr Step kSteps[] = {
    {1 * kMs, 5},      {2 * kMs, 4},     {5 * kMs, 5},      {10 * kMs, 5},     {20 * kMs, 4},
    {50 * kMs, 5},     {100 * kMs, 5},   {200 * kMs, 4},    {500 * kMs, 5},    {1 * kSecond, 5},
    {2 * kSecond, 4},  {5 * kSecond, 5}, {10 * kSecond, 5}, {15 * kSecond, 3}, {30 * kSecond, 6},
    {1 * kMinute, 6},  {2 * kMinute, 4}, {5 * kMinute, 5},  {10 * kMinute, 5}, {15 * kMinute, 3},
    {30 * kMinute, 6}, {1 * kHour, 4},   {2 * kHour, 4},    {5 * kHour, 5},    {10 * kHour, 5},
};

int decimalsFor(std::int64_t major) {
    int decimals = 0;
    for (std::int64_t unit = kSecond; major % unit != 0 && decimals < 6; unit /= 10) {
        ++decimals;
    }
    return decimals;
}

} // namespace

RulerScale rulerScale(double pixelsPerSecond, const std::array<double, 4>& labelPixels) {
    for (const Step& step : kSteps) {
        const int decimals = decimalsFor(step.major);
        const double pixels =
            static_cast<double>(step.major) / static_cast<double>(kSecond) * pixelsPerSecond;
        if (pixels >= labelPixels[static_cast<std::size_t>(std::min(decimals, 3))]) {
            return {step.major, step.major / step.minorCount, decimals};
        }
    }
    const Step& last = kSteps[std::size(kSteps) - 1];
    return {last.major, last.major / last.minorCount, 0};
}

std::vector<RulerTick> rulerTicks(const RulerScale& scale, std::int64_t firstMicros,
                                  std::int64_t lastMicros, std::size_t maxTicks) {
    std::vector<RulerTick> ticks;
    if (scale.minorMicros <= 0 || lastMicros < firstMicros) {
        return ticks;
    }
    // The first multiple of the minor step at or after the first time.
    std::int64_t at = firstMicros / scale.minorMicros * scale.minorMicros;
    if (at < firstMicros) {
        at += scale.minorMicros;
    }
    for (; at <= lastMicros && ticks.size() < maxTicks; at += scale.minorMicros) {
        ticks.push_back({at, at % scale.majorMicros == 0});
    }
    return ticks;
}

} // namespace sundra
