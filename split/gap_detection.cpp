#include "split/gap_detection.h"

#include "split/floor_curve.h"
#include "split/level_curves.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <deque>

namespace sundra {

namespace {

// A click or a burst of crackle shorter than about 100 ms cannot move a median
// over 210 ms, while the edge of a song stays where it is.
constexpr std::int32_t kMedianWindows = 21;
// A stretch must lie this far below the music to be a candidate at all: half
// the way from the floor up to the music.
constexpr double kDipFraction = 0.5;
constexpr double kShortestDipSeconds = 0.2;
// A song is at least this much sound; a thump or a crackle burst in the lead-in
// is not.
constexpr double kShortestMusicSeconds = 1.0;
// The music on either side of a dip: the level that 90 % of the half-minute
// next to it stays under, so that a fade or a soft intro next to the gap does
// not count as that side's level, nor one loud moment.
constexpr double kSideSeconds = 30.0;
constexpr double kSideQuantile = 0.9;
// A run is the quietest point's run when it stays within this of the minimum.
constexpr double kQuietestDb = 0.5;

struct Curves {
    std::vector<float> level; // each window's level, median over 210 ms
    std::vector<float> floor; // the floor each window is judged against
    double margin = kMostMarginDb;
    std::int32_t windows() const { return static_cast<std::int32_t>(level.size()); }
    bool atFloor(std::int32_t i) const {
        return level[std::size_t(i)] <= floor[std::size_t(i)] + margin;
    }
};

// Maximal runs of windows below the dip level, half the way from the floor up
// to the music.
std::vector<WindowSpan> findDips(const Curves& curves, double musicDb, std::int32_t shortest) {
    std::vector<WindowSpan> dips;
    std::int32_t start = -1;
    for (std::int32_t i = 0; i <= curves.windows(); ++i) {
        bool low = false;
        if (i < curves.windows()) {
            const double floor = curves.floor[std::size_t(i)];
            low = curves.level[std::size_t(i)] <= floor + kDipFraction * (musicDb - floor);
        }
        if (low && start < 0)
            start = i;
        if (!low && start >= 0) {
            if (i - start >= shortest)
                dips.push_back({start, i});
            start = -1;
        }
    }
    return dips;
}

// The quietest sustained level of a dip: the lowest level held for half a
// second inside it, or its lowest level when it is shorter.
double quietestLevel(const std::vector<float>& level, const std::vector<float>& held,
                     const WindowSpan& dip, std::int32_t sustain) {
    double quietest = FLT_MAX;
    if (dip.length() >= sustain) {
        for (std::int32_t i = dip.start; i + sustain <= dip.end; ++i)
            quietest = std::min<double>(quietest, held[std::size_t(i)]);
    } else {
        for (std::int32_t i = dip.start; i < dip.end; ++i)
            quietest = std::min<double>(quietest, level[std::size_t(i)]);
    }
    return quietest;
}

double sideLevel(const std::vector<float>& level, std::int32_t from, std::int32_t to) {
    std::vector<float> side;
    for (std::int32_t i = std::max(from, 0);
         i < std::min<std::int32_t>(to, std::int32_t(level.size())); ++i)
        if (level[std::size_t(i)] > kSilenceDb)
            side.push_back(level[std::size_t(i)]);
    return side.empty() ? kSilenceDb : quantile(std::move(side), kSideQuantile);
}

// The longest run of windows in span for which test holds (empty at span's
// start when there is none).
template <typename Test> WindowSpan longestRun(const WindowSpan& span, Test test) {
    WindowSpan best{span.start, span.start};
    WindowSpan run = best;
    for (std::int32_t i = span.start; i < span.end; ++i) {
        if (!test(i)) {
            run = {i + 1, i + 1};
            continue;
        }
        run.end = i + 1;
        if (run.length() > best.length())
            best = run;
    }
    return best;
}

// Merged runs of sound: floor stretches shorter than a gap do not part them.
std::vector<WindowSpan> soundRuns(const Curves& curves, std::int32_t shortestGap) {
    std::vector<WindowSpan> runs;
    std::int32_t quiet = 0;
    for (std::int32_t i = 0; i < curves.windows(); ++i) {
        if (curves.atFloor(i)) {
            ++quiet;
            continue;
        }
        if (!runs.empty() && quiet < shortestGap && runs.back().end == i - quiet)
            runs.back().end = i + 1;
        else
            runs.push_back({i, i + 1});
        quiet = 0;
    }
    return runs;
}

// The dip a stretch of the given level lies in: from where the music before
// sinks half the way down to it to where the music after rises as far.
WindowSpan dipAround(const Curves& curves, const WindowSpan& stretch, double level, double music) {
    const double dip = level + kDipFraction * (music - level);
    auto low = [&](std::int32_t i) { return curves.level[std::size_t(i)] <= dip; };
    WindowSpan around = stretch;
    while (around.start > 0 && low(around.start - 1))
        --around.start;
    while (around.end < curves.windows() && low(around.end))
        ++around.end;
    return around;
}

// Steady sounding stretches of the body that may be floors of their own (a
// gap of hiss on a record whose other gaps are digital silence, another
// source's noise on a compilation): their level keeps within the floor's
// widest flutter (kMostMarginDb) for as long as a gap stays at the floor, lies
// kLeastDepthDb below the music on both sides as a gap's does, and further
// above the recording's floor than that floor drifts (nearer, the floor
// explains it). A dip that holds a gap's length of digital silence is a gap by
// it, and the noise before that silence is the tail of a song (its source's
// own hiss): no floor of its own there.
std::vector<SteadyStretch> findSteadyStretches(const Curves& curves, const std::vector<float>& held,
                                               const LoudnessEnvelope& envelope,
                                               const FloorCurve& floor, double music) {
    std::vector<SteadyStretch> stretches;
    const std::int32_t length = windowsOf(envelope, kShortestGapSeconds);
    const std::int32_t sustain = windowsOf(envelope, kSustainSeconds);
    const std::int32_t side = windowsOf(envelope, kSideSeconds);
    // A run of consecutive steady starts, and its start whose stretch is the
    // quietest (music adds to the noise, so that is the part to hear).
    WindowSpan run{-1, -1};
    std::int32_t quietest = -1;
    float quietestHigh = FLT_MAX;
    auto judge = [&]() {
        double level = FLT_MAX;
        for (std::int32_t i = run.start; i + sustain <= run.end; ++i)
            level = std::min<double>(level, held[std::size_t(i)]);
        const std::int32_t middle = run.start + run.length() / 2;
        if (level <= floor.gapFloorDb + kFloorDriftDb ||
            level <= curves.floor[std::size_t(middle)] + curves.margin)
            return;
        const double before = sideLevel(curves.level, run.start - side, run.start);
        const double after = sideLevel(curves.level, run.end, run.end + side);
        if (level > std::min(before, after) - kLeastDepthDb)
            return;
        const WindowSpan dip = dipAround(curves, run, level, music);
        auto silent = [&](std::int32_t i) { return curves.level[std::size_t(i)] <= kSilenceDb; };
        if (longestRun(dip, silent).length() >= length)
            return;
        stretches.push_back(
            {{envelope.windowStart(run.start), envelope.windowStart(run.end)},
             {envelope.windowStart(quietest), envelope.windowStart(quietest + length)},
             level});
    };
    // The level's extremes over the `length` windows that end at each window.
    std::deque<std::int32_t> highs, lows;
    for (std::int32_t end = floor.body.start; end < floor.body.end; ++end) {
        const float level = curves.level[std::size_t(end)];
        while (!highs.empty() && curves.level[std::size_t(highs.back())] <= level)
            highs.pop_back();
        highs.push_back(end);
        while (!lows.empty() && curves.level[std::size_t(lows.back())] >= level)
            lows.pop_back();
        lows.push_back(end);
        const std::int32_t start = end - length + 1;
        if (start < floor.body.start)
            continue;
        while (highs.front() < start)
            highs.pop_front();
        while (lows.front() < start)
            lows.pop_front();
        const float high = curves.level[std::size_t(highs.front())];
        const float low = curves.level[std::size_t(lows.front())];
        if (low <= kSilenceDb || high - low > kMostMarginDb)
            continue;
        if (run.start < 0 || start != run.end - length + 1) {
            if (run.start >= 0)
                judge();
            run = {start, start};
            quietestHigh = FLT_MAX;
        }
        run.end = end + 1;
        if (high < quietestHigh) {
            quietestHigh = high;
            quietest = start;
        }
    }
    if (run.start >= 0)
        judge();
    return stretches;
}

// Each own floor judges the dip it lies in by the quietest own floor within a
// minute of it, as the recording's floor is the quietest sustained level
// within a minute.
void raiseToOwnFloors(Curves& curves, const std::vector<SteadyStretch>& ownFloors,
                      const LoudnessEnvelope& envelope, double music) {
    const std::int32_t frames = std::max(envelope.windowFrames, 1);
    const auto reach = static_cast<std::int64_t>(kFloorReachSeconds * envelope.samplesPerSecond);
    for (const SteadyStretch& own : ownFloors) {
        double level = own.levelDb;
        for (const SteadyStretch& other : ownFloors)
            if (other.span.start <= own.span.end + reach &&
                other.span.end + reach >= own.span.start)
                level = std::min(level, other.levelDb);
        const std::int32_t start = std::clamp(own.span.start / frames, 0, curves.windows());
        const std::int32_t end = std::clamp(own.span.end / frames, start, curves.windows());
        const WindowSpan dip = dipAround(curves, {start, end}, level, music);
        for (std::int32_t i = dip.start; i < dip.end; ++i)
            curves.floor[std::size_t(i)] =
                std::max(curves.floor[std::size_t(i)], static_cast<float>(level));
    }
}

// How surely a candidate is a gap between songs. Of those that reach the floor
// the longest there are the surest: rests inside songs that get there are
// short, and how far the music lies above the floor says little once it is
// reached (it is the same for every gap of a record). Of the others, those that
// come nearest the floor and lie deepest below their music come first. Every
// second at the floor (up to 3) counts 20; every 3 dB of depth (up to 30) 1;
// every dB above the floor beyond the margin -2.
double gapScore(const GapCandidate& gap, double margin) {
    const double atFloor = std::min(gap.floorSeconds, 3.0);
    const double depth = std::clamp(gap.depthDb(), 0.0, 30.0);
    const double above = std::max(0.0, gap.aboveFloorDb() - margin);
    return 20.0 * atFloor + depth / 3.0 - 2.0 * above;
}

} // namespace

double GapCandidate::depthDb() const {
    return std::min(beforeDb, afterDb) - levelDb;
}

double GapCandidate::aboveFloorDb() const {
    return levelDb - floorDb;
}

bool GapDetection::digitalSilence() const {
    return floorDb <= kSilenceDb;
}

double GapDetection::seconds(std::int64_t frames) const {
    return samplesPerSecond > 0 ? double(frames) / samplesPerSecond : 0.0;
}

GapDetection detectGaps(const LoudnessEnvelope& envelope, const FloorHearing& hearing) {
    GapDetection detection;
    detection.samplesPerSecond = envelope.samplesPerSecond;
    detection.length = envelope.length;
    detection.floorDb = kSilenceDb;
    detection.musicDb = kSilenceDb;

    Curves curves;
    curves.level = runningMedian(levelsDb(envelope), kMedianWindows);
    std::vector<float> sounding;
    for (float level : curves.level)
        if (level > kSilenceDb)
            sounding.push_back(level);
    if (sounding.empty())
        return detection;
    const double music = quantile(std::move(sounding), 0.75);
    detection.musicDb = music;

    const std::int32_t sustain = windowsOf(envelope, kSustainSeconds);
    const std::vector<float> held = runningMaxAhead(curves.level, sustain);
    const FloorCurve floor = floorCurve(curves.level, held, envelope, music);
    if (floor.body.length() <= 0)
        return detection;
    detection.floorDb = floor.gapFloorDb;
    curves.floor = floor.levels;
    curves.margin = floor.marginDb;
    detection.marginDb = floor.marginDb;
    if (hearing) {
        const std::vector<SteadyStretch> steady =
            findSteadyStretches(curves, held, envelope, floor, music);
        if (!steady.empty())
            detection.ownFloors = hearing(steady);
        raiseToOwnFloors(curves, detection.ownFloors, envelope, music);
    }
    const std::int32_t shortestDip = windowsOf(envelope, kShortestDipSeconds);

    const std::int32_t shortestGap = windowsOf(envelope, kShortestGapSeconds);
    const std::int32_t shortestMusic = windowsOf(envelope, kShortestMusicSeconds);
    const std::vector<WindowSpan> runs = soundRuns(curves, shortestGap);
    auto isMusic = [&](const WindowSpan& run) { return run.length() >= shortestMusic; };
    const auto first = std::find_if(runs.begin(), runs.end(), isMusic);
    if (first == runs.end())
        return detection;
    const auto last = std::find_if(runs.rbegin(), runs.rend(), isMusic);
    const std::int32_t firstMusic = first->start;
    const std::int32_t lastMusic = last->end;
    detection.firstMusic = envelope.windowStart(firstMusic);
    detection.lastMusic = envelope.windowStart(lastMusic);

    const std::int32_t side = windowsOf(envelope, kSideSeconds);
    for (const WindowSpan& dip : findDips(curves, music, shortestDip)) {
        GapCandidate gap;
        gap.levelDb = quietestLevel(curves.level, held, dip, sustain);
        // The longest stretch at the floor, and the quietest point in it (or in
        // the whole dip when it never gets there).
        const WindowSpan floor = longestRun(dip, [&](std::int32_t i) { return curves.atFloor(i); });
        const WindowSpan around = floor.length() > 0 ? floor : dip;
        float low = FLT_MAX;
        for (std::int32_t i = around.start; i < around.end; ++i)
            low = std::min(low, curves.level[std::size_t(i)]);
        const WindowSpan best = longestRun(around, [&](std::int32_t i) {
            return curves.level[std::size_t(i)] <= low + kQuietestDb;
        });
        const std::int32_t cutWindow = best.start + best.length() / 2;
        if (cutWindow <= firstMusic || cutWindow >= lastMusic)
            continue; // the lead-in or the run-out
        gap.cut = envelope.windowStart(cutWindow) + envelope.windowFrames / 2;
        gap.cut = std::min(gap.cut, envelope.length);

        std::int32_t end = cutWindow;
        while (end > firstMusic && curves.atFloor(end - 1))
            --end;
        std::int32_t start = cutWindow;
        while (start < lastMusic && curves.atFloor(start))
            ++start;
        gap.musicEnd = envelope.windowStart(end);
        gap.musicStart = envelope.windowStart(start);
        gap.dip = {envelope.windowStart(dip.start), envelope.windowStart(dip.end)};
        gap.floor = {envelope.windowStart(floor.start), envelope.windowStart(floor.end)};
        gap.floorSeconds = envelope.seconds(floor.length());
        double energy = 0.0;
        for (std::int32_t i = floor.start; i < floor.end; ++i)
            energy += envelope.power[std::size_t(i)];
        gap.floorRmsDb = energy > 0.0 ? 10.0 * std::log10(energy / floor.length()) : kSilenceDb;
        gap.floorDb = curves.floor[std::size_t(cutWindow)];
        gap.beforeDb = sideLevel(curves.level, dip.start - side, dip.start);
        gap.afterDb = sideLevel(curves.level, dip.end, dip.end + side);
        gap.score = gapScore(gap, curves.margin);
        detection.candidates.push_back(gap);
    }
    return detection;
}

} // namespace sundra
