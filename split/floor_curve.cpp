#include "split/floor_curve.h"

#include "split/level_curves.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace sundra {

namespace {

// The quietest second between the first and the last music is the floor of
// the gaps: even two songs and one short gap give that much.
constexpr double kQuietestSeconds = 1.0;
// The music of a record holds within this of its usual level for half a
// second at a time somewhere in every song.
constexpr double kBodyBelowMusicDb = 20.0;
// Music keeps within this of its usual level; sound further below it is at the
// floor whatever the floor is (this is what digital silence is judged by).
constexpr double kMusicRangeDb = 60.0;

// From the first to the last half second that holds within kBodyBelowMusicDb
// of the music; empty when none does.
WindowSpan findBody(const std::vector<float>& level, std::int32_t sustain, double music) {
    const auto windows = static_cast<std::int32_t>(level.size());
    const std::vector<float> steady = runningMinAhead(level, sustain);
    std::int32_t first = 0;
    while (first < windows && steady[std::size_t(first)] < music - kBodyBelowMusicDb)
        ++first;
    std::int32_t last = windows - 1;
    while (last >= first && steady[std::size_t(last)] < music - kBodyBelowMusicDb)
        --last;
    if (last < first)
        return {};
    return {first, std::min(windows, last + sustain)};
}

// The level below which the quietest `quiet` windows of held lie in span.
double quietestOf(const std::vector<float>& held, const WindowSpan& span, std::size_t quiet) {
    std::vector<float> inside(held.begin() + span.start, held.begin() + span.end);
    quiet = std::min(quiet, inside.size() - 1);
    std::nth_element(inside.begin(), inside.begin() + std::ptrdiff_t(quiet), inside.end());
    return inside[quiet];
}

// The quietest sounding held level within radius of every window of span;
// digital silence tells nothing of the floor around it, nor does the sound
// outside span.
std::vector<float> nearbyFloor(const std::vector<float>& held, const WindowSpan& span,
                               std::int32_t radius) {
    std::vector<float> sounding(held.size(), FLT_MAX);
    for (std::int32_t i = span.start; i < span.end; ++i)
        if (held[std::size_t(i)] > kSilenceDb)
            sounding[std::size_t(i)] = held[std::size_t(i)];
    return runningMinAround(sounding, radius);
}

} // namespace

std::int32_t windowsOf(const LoudnessEnvelope& envelope, double seconds) {
    const double perSecond =
        envelope.windowFrames > 0 ? double(envelope.samplesPerSecond) / envelope.windowFrames : 0;
    return std::max<std::int32_t>(1, static_cast<std::int32_t>(std::lround(seconds * perSecond)));
}

// Between the first and the last music the floor is the quietest sustained
// level within a minute, but no more than kFloorDriftDb above the floor of the
// gaps (the quietest second there). The lead-in and the run-out have floors of
// their own: a tape runs on blank, a file may be padded with digital silence.
// Nothing is judged against more than kMusicRangeDb below the music, which is
// what digital silence is judged by.
FloorCurve floorCurve(const std::vector<float>& level, const std::vector<float>& held,
                      const LoudnessEnvelope& envelope, double musicDb) {
    FloorCurve floor;
    const auto windows = static_cast<std::int32_t>(level.size());
    const std::int32_t sustain = windowsOf(envelope, kSustainSeconds);
    floor.body = findBody(level, sustain, musicDb);
    if (floor.body.length() <= 0)
        return floor;
    floor.gapFloorDb =
        quietestOf(held, floor.body, std::size_t(windowsOf(envelope, kQuietestSeconds)));

    const double deepest = musicDb - kMusicRangeDb;
    floor.levels = nearbyFloor(held, floor.body, windowsOf(envelope, kFloorReachSeconds));
    for (std::int32_t i = floor.body.start; i < floor.body.end; ++i)
        floor.levels[std::size_t(i)] = static_cast<float>(std::max(
            std::min<double>(floor.levels[std::size_t(i)], floor.gapFloorDb + kFloorDriftDb),
            deepest));
    auto edgeFloor = [&](std::int32_t from, std::int32_t to) {
        double quietest = FLT_MAX;
        for (std::int32_t i = from; i < to; ++i)
            quietest = std::min<double>(quietest, held[std::size_t(i)]);
        if (to <= from)
            quietest = floor.gapFloorDb;
        for (std::int32_t i = from; i < to; ++i)
            floor.levels[std::size_t(i)] = static_cast<float>(std::max(quietest, deepest));
    };
    edgeFloor(0, floor.body.start);
    edgeFloor(floor.body.end, windows);

    // The flutter of the floor: the spread of the levels in its quietest
    // second, the half-second stretches that gave gapFloorDb.
    std::vector<float> near;
    for (std::int32_t i = floor.body.start; i < floor.body.end; ++i) {
        if (held[std::size_t(i)] > floor.gapFloorDb)
            continue;
        for (std::int32_t j = i; j < std::min(i + sustain, windows); ++j)
            if (level[std::size_t(j)] > kSilenceDb)
                near.push_back(level[std::size_t(j)]);
    }
    const double spread = near.size() < 2 ? 0.0 : quantile(near, 0.9) - quantile(near, 0.1);
    floor.marginDb = std::clamp(2.0 * spread, kLeastMarginDb, kMostMarginDb);
    return floor;
}

} // namespace sundra
