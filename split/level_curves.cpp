#include "split/level_curves.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <functional>

namespace sundra {

std::vector<float> levelsDb(const LoudnessEnvelope& envelope) {
    std::vector<float> levels(envelope.power.size());
    std::transform(envelope.power.begin(), envelope.power.end(), levels.begin(), [](float power) {
        return power > 0.0f ? 10.0f * std::log10(power) : static_cast<float>(kSilenceDb);
    });
    return levels;
}

std::vector<float> runningMedian(const std::vector<float>& values, std::int32_t width) {
    const auto count = static_cast<std::int64_t>(values.size());
    const std::int64_t radius = std::max(width, 1) / 2;
    std::vector<float> medians(values.size());
    // A sorted copy of the window, kept by inserting the value that enters and
    // erasing the one that leaves: a few dozen moves per step for short windows.
    std::vector<float> window;
    window.reserve(static_cast<std::size_t>(2 * radius + 1));
    std::int64_t low = 0, high = 0; // the window is values[low, high)
    for (std::int64_t i = 0; i < count; ++i) {
        const std::int64_t wantLow = std::max<std::int64_t>(0, i - radius);
        const std::int64_t wantHigh = std::min(count, i + radius + 1);
        for (; high < wantHigh; ++high)
            window.insert(std::upper_bound(window.begin(), window.end(), values[high]),
                          values[high]);
        for (; low < wantLow; ++low)
            window.erase(std::lower_bound(window.begin(), window.end(), values[low]));
        const std::size_t n = window.size();
        medians[i] = n % 2 == 1 ? window[n / 2] : 0.5f * (window[n / 2 - 1] + window[n / 2]);
    }
    return medians;
}

namespace {

// The largest (or, with Less = std::greater, the smallest) of values[i, i + width).
template <typename Less>
std::vector<float> runningExtremeAhead(const std::vector<float>& values, std::int32_t width,
                                       Less less) {
    const auto count = static_cast<std::int64_t>(values.size());
    std::vector<float> maxima(values.size());
    std::deque<std::int64_t> falling; // indices of falling values, the front the largest
    // Walk backwards: the window of i is [i, i + width).
    for (std::int64_t i = count - 1; i >= 0; --i) {
        while (!falling.empty() && !less(values[i], values[falling.back()]))
            falling.pop_back();
        falling.push_back(i);
        if (falling.front() >= i + std::max(width, 1))
            falling.pop_front();
        maxima[i] = values[falling.front()];
    }
    return maxima;
}

} // namespace

std::vector<float> runningMaxAhead(const std::vector<float>& values, std::int32_t width) {
    return runningExtremeAhead(values, width, std::less<float>());
}

std::vector<float> runningMinAhead(const std::vector<float>& values, std::int32_t width) {
    return runningExtremeAhead(values, width, std::greater<float>());
}

std::vector<float> runningMinAround(const std::vector<float>& values, std::int32_t radius) {
    const auto count = static_cast<std::int64_t>(values.size());
    std::vector<float> minima(values.size());
    std::deque<std::int64_t> rising;
    std::int64_t high = 0;
    for (std::int64_t i = 0; i < count; ++i) {
        for (; high < std::min(count, i + radius + 1); ++high) {
            while (!rising.empty() && values[rising.back()] >= values[high])
                rising.pop_back();
            rising.push_back(high);
        }
        while (rising.front() < i - radius)
            rising.pop_front();
        minima[i] = values[rising.front()];
    }
    return minima;
}

float quantile(std::vector<float> values, double fraction) {
    if (values.empty())
        return static_cast<float>(kSilenceDb);
    const auto rank = static_cast<std::size_t>(
        std::clamp(fraction, 0.0, 1.0) * static_cast<double>(values.size() - 1) + 0.5);
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(rank),
                     values.end());
    return values[rank];
}

} // namespace sundra
