#include "split/gap_choice.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace sundra {

namespace {

// A sleeve's times are often a few seconds off.
constexpr double kListedTimeSeconds = 3.0;
// What a cut at a stretch that is no clear gap costs, in the same units as a
// track whose length is kListedTimeSeconds off (1): a fit takes such a stretch
// only when its times say so clearly.
constexpr double kWeakGapCost = 4.0;

double lengthCost(double seconds, double listed) {
    const double off = (seconds - listed) / kListedTimeSeconds;
    return off * off;
}

// A clear gap costs next to nothing (the less, the longer it stays at the
// floor); another stretch the more, the weaker it is.
double gapCost(const GapCandidate& gap) {
    if (isClearGap(gap))
        return 0.5 * std::max(0.0, 1.5 - gap.floorSeconds);
    return kWeakGapCost + std::clamp(-gap.score / 10.0, 0.0, 4.0);
}

} // namespace

bool isClearGap(const GapCandidate& gap) {
    return gap.reachesFloor() && !gap.hidesMusic && gap.floorSeconds >= kShortestGapSeconds &&
           gap.depthDb() >= kLeastDepthDb;
}

bool leavesShortTrack(const GapDetection& detection, const GapChoice& taken, std::size_t index) {
    const GapCandidate& gap = detection.candidates[index];
    const auto next = std::upper_bound(taken.begin(), taken.end(), index);
    const std::int32_t before =
        next == taken.begin() ? detection.firstMusic : detection.candidates[*(next - 1)].musicStart;
    const std::int32_t after =
        next == taken.end() ? detection.lastMusic : detection.candidates[*next].musicEnd;
    const double shortest = kShortestTrackSeconds;
    return detection.seconds(gap.musicEnd - before) < shortest ||
           detection.seconds(after - gap.musicStart) < shortest;
}

namespace {

// The candidates from the best score down, the earlier of equal ones first.
GapChoice byScore(const GapDetection& detection) {
    GapChoice order(detection.candidates.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return detection.candidates[a].score > detection.candidates[b].score;
    });
    return order;
}

// Takes the candidates in the given order that leave no short track beside
// those taken before, up to count of them; the result in track order.
GapChoice takeSpaced(const GapDetection& detection, const GapChoice& order, std::size_t count,
                     GapChoice taken = {}) {
    for (std::size_t index : order) {
        if (taken.size() >= count)
            break;
        if (std::binary_search(taken.begin(), taken.end(), index) ||
            leavesShortTrack(detection, taken, index))
            continue;
        taken.insert(std::upper_bound(taken.begin(), taken.end(), index), index);
    }
    return taken;
}

} // namespace

GapChoice chooseGaps(const GapDetection& detection) {
    GapChoice clear;
    for (std::size_t index : byScore(detection))
        if (isClearGap(detection.candidates[index]))
            clear.push_back(index);
    return takeSpaced(detection, clear, clear.size());
}

std::optional<GapChoice> chooseBestGaps(const GapDetection& detection, std::size_t count) {
    if (detection.candidates.size() < count)
        return std::nullopt;
    const GapChoice order = byScore(detection);
    GapChoice taken = takeSpaced(detection, order, count);
    // Asked for more than fit with songs of a usual length: the best of the
    // rest, however close.
    for (std::size_t index : order) {
        if (taken.size() >= count)
            break;
        if (!std::binary_search(taken.begin(), taken.end(), index))
            taken.insert(std::upper_bound(taken.begin(), taken.end(), index), index);
    }
    return taken;
}

std::optional<DurationFit> fitDurations(const GapDetection& detection,
                                        const std::vector<double>& seconds, bool anyRun) {
    const std::size_t lines = seconds.size();
    const std::size_t cuts = detection.candidates.size();
    if (lines == 0 || detection.lastMusic <= detection.firstMusic)
        return std::nullopt;
    const double first = detection.seconds(detection.firstMusic);
    const double last = detection.seconds(detection.lastMusic);
    // A listed time is the length of a song's music: from where it rises out
    // of the floor after one cut to where it sinks into it before the next.
    std::vector<double> ends(cuts), starts(cuts), weak(cuts);
    for (std::size_t j = 0; j < cuts; ++j) {
        ends[j] = detection.seconds(detection.candidates[j].musicEnd);
        starts[j] = detection.seconds(detection.candidates[j].musicStart);
        weak[j] = gapCost(detection.candidates[j]);
    }

    // cost[i][j]: the least cost of lines up to i placed with line i ending at
    // cut j; from[i][j]: the cut before (cuts when line i starts the run).
    constexpr double kNone = std::numeric_limits<double>::infinity();
    std::vector<std::vector<double>> cost(lines, std::vector<double>(cuts, kNone));
    std::vector<std::vector<std::size_t>> from(lines, std::vector<std::size_t>(cuts, cuts));
    for (std::size_t i = 0; i < lines; ++i) {
        for (std::size_t j = 0; j < cuts; ++j) {
            if (i == 0 || anyRun)
                cost[i][j] = lengthCost(ends[j] - first, seconds[i]) + weak[j];
            if (i == 0)
                continue;
            for (std::size_t k = 0; k < j; ++k) {
                const double c =
                    cost[i - 1][k] + lengthCost(ends[j] - starts[k], seconds[i]) + weak[j];
                if (c < cost[i][j]) {
                    cost[i][j] = c;
                    from[i][j] = k;
                }
            }
        }
    }
    // The run's last line ends at the last music.
    double best = kNone;
    std::size_t bestLine = 0, bestCut = cuts; // bestCut == cuts: a single line
    for (std::size_t i = anyRun ? 0 : lines - 1; i < lines; ++i) {
        if (i == 0 || anyRun) {
            const double alone = lengthCost(last - first, seconds[i]);
            if (alone < best) {
                best = alone;
                bestLine = i;
                bestCut = cuts;
            }
        }
        if (i == 0)
            continue;
        for (std::size_t k = 0; k < cuts; ++k) {
            const double c = cost[i - 1][k] + lengthCost(last - starts[k], seconds[i]);
            if (c < best) {
                best = c;
                bestLine = i;
                bestCut = k;
            }
        }
    }
    if (best == kNone)
        return std::nullopt;

    DurationFit fit;
    std::size_t line = bestLine;
    for (std::size_t cut = bestCut; cut < cuts;) {
        --line; // the line that ends at this cut
        fit.gaps.push_back(cut);
        cut = from[line][cut];
    }
    fit.firstLine = line;
    fit.lines = bestLine - line + 1;
    std::reverse(fit.gaps.begin(), fit.gaps.end());
    double start = first;
    for (std::size_t t = 0; t < fit.lines; ++t) {
        const double end = t < fit.gaps.size() ? ends[fit.gaps[t]] : last;
        fit.worstSeconds =
            std::max(fit.worstSeconds, std::fabs(end - start - seconds[fit.firstLine + t]));
        start = t < fit.gaps.size() ? starts[fit.gaps[t]] : last;
    }
    return fit;
}

std::vector<FrameSpan> tracksBetween(const GapDetection& detection, const GapChoice& gaps) {
    std::vector<FrameSpan> tracks;
    if (detection.lastMusic <= detection.firstMusic)
        return tracks;
    const auto margin =
        static_cast<std::int32_t>(std::lround(kTrackMarginSeconds * detection.samplesPerSecond));
    std::int32_t start = std::max(detection.firstMusic - margin, 0);
    for (std::size_t index : gaps) {
        const GapCandidate& gap = detection.candidates[index];
        tracks.push_back({start, std::min(gap.musicEnd + margin, gap.cut)});
        start = std::max(gap.musicStart - margin, gap.cut);
    }
    tracks.push_back({start, std::min(detection.lastMusic + margin, detection.length)});
    return tracks;
}

} // namespace sundra
