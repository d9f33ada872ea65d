#include "split/gap_detection.h"

#include "split/level_curves.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace sundra {

namespace {

// A click or a burst of crackle shorter than about 100 ms cannot move a median
// over 210 ms, while the edge of a song stays where it is.
constexpr std::int32_t kMedianWindows = 21;
// A level "held" for half a second is a sustained one.
constexpr double kSustainSeconds = 0.5;
// The quietest second between the first and the last music is the floor of
// the gaps: even two songs and one short gap give that much.
constexpr double kQuietestSeconds = 1.0;
// The music of a record holds within this of its usual level for half a
// second at a time somewhere in every song.
constexpr double kBodyBelowMusicDb = 20.0;
// The floor drifts on a real transfer (wear, rumble, another tape): each place
// is judged against the quietest sustained level within a minute of it...
constexpr double kFloorReachSeconds = 60.0;
// ...but a place with no gap that near (inside a long song) must not take its
// own quietest passage for the floor: the floor there is at most this far
// above the floor of the recording.
constexpr double kFloorDriftDb = 6.0;
// Music keeps within this of its usual level; sound further below it is at the
// floor whatever the floor is (this is what digital silence is judged by).
constexpr double kMusicRangeDb = 60.0;
// At the floor: within the floor's own flutter of it (twice the spread of the
// quietest stretches' levels), but never closer than 1 dB, where music is a
// quarter as loud as the floor, nor further than 3 dB, where it is as loud.
constexpr double kLeastMarginDb = 1.0;
constexpr double kMostMarginDb = 3.0;
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

struct WindowSpan {
    std::int32_t start = 0;
    std::int32_t end = 0;
    std::int32_t length() const { return end - start; }
};

std::int32_t windowsOf(const LoudnessEnvelope& envelope, double seconds) {
    const double perSecond =
        envelope.windowFrames > 0 ? double(envelope.samplesPerSecond) / envelope.windowFrames : 0;
    return std::max<std::int32_t>(1, static_cast<std::int32_t>(std::lround(seconds * perSecond)));
}

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

struct FloorCurve {
    WindowSpan body;       // from the first to the last sustained music
    double gapFloorDb = 0; // the quietest second between them
    double marginDb = 0;   // how close to it is at it
    std::vector<float> levels;
};

// The floor every window is judged against. Between the first and the last
// music it is the quietest sustained level within a minute (the floor drifts
// on a real transfer), but no more than kFloorDriftDb above the floor of the
// gaps (the quietest second there), so that inside a long song its own
// quietest passage is not taken for the floor. The lead-in and the run-out
// have floors of their own: a tape runs on blank, a file may be padded with
// digital silence. Nothing is judged against more than kMusicRangeDb below
// the music, which is what digital silence is judged by.
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

FloorCurve floorCurve(const std::vector<float>& level, const std::vector<float>& held,
                      const LoudnessEnvelope& envelope, double music) {
    FloorCurve floor;
    const auto windows = static_cast<std::int32_t>(level.size());
    const std::int32_t sustain = windowsOf(envelope, kSustainSeconds);
    floor.body = findBody(level, sustain, music);
    if (floor.body.length() <= 0)
        return floor;
    floor.gapFloorDb =
        quietestOf(held, floor.body, std::size_t(windowsOf(envelope, kQuietestSeconds)));

    const double deepest = music - kMusicRangeDb;
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

GapDetection detectGaps(const LoudnessEnvelope& envelope) {
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
