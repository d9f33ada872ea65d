#include "split/detection_report.h"

#include "split/gap_hearing.h"
#include "split/gap_report.h"
#include "split/pause_map.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <deque>

namespace sundra {

namespace {

// The smallest level the suggestion reckons with: one step of the sense-level
// slider. Digital silence reads 0.0, which no ratio can be taken of.
constexpr double kLevelStep = 0.001;

// The loudest block of every stretch one pause long (pauseBlocks + 1 blocks)
// starting at each block; empty when the track is shorter than that.
std::vector<double> windowMaxima(const BlockScan& scan) {
    const std::int64_t width = scan.pauseBlocks + 1;
    const std::int64_t blocks = scan.blockCount();
    std::vector<double> maxima;
    if (blocks < width)
        return maxima;
    maxima.reserve(static_cast<std::size_t>(blocks - width + 1));
    std::deque<std::int64_t> candidates; // indices of falling levels
    for (std::int64_t block = 0; block < blocks; ++block) {
        while (!candidates.empty() && scan.levels[candidates.back()] <= scan.levels[block])
            candidates.pop_back();
        candidates.push_back(block);
        if (candidates.front() <= block - width)
            candidates.pop_front();
        if (block >= width - 1)
            maxima.push_back(scan.levels[candidates.front()]);
    }
    return maxima;
}

// The pauses and passages of the block grid at one level: pauses are quiet
// runs between sounds longer than pauseBlocks, sounds lie between them.
struct LevelStats {
    std::int32_t loudBlocks = 0;
    std::vector<QuietRun> runs; // all quiet runs between sounds
    bool longPause = false;
    std::optional<LevelStretch> loudestPause;
    std::optional<LevelStretch> quietestPassage;
};

LevelStretch stretchOf(const BlockScan& scan, std::int64_t first, std::int64_t end, double level) {
    return {{scan.blockStart(first), scan.blockStart(end)}, level};
}

LevelStats statsAt(const BlockScan& scan, const std::vector<double>& maxima, double senseLevel) {
    LevelStats stats;
    for (double level : scan.levels)
        stats.loudBlocks += level > senseLevel ? 1 : 0;
    stats.runs = quietRuns(scan, senseLevel);
    if (stats.loudBlocks == 0)
        return stats;
    std::int64_t firstLoud = 0;
    while (!(scan.levels[firstLoud] > senseLevel))
        ++firstLoud;
    std::int64_t lastLoud = scan.blockCount() - 1;
    while (!(scan.levels[lastLoud] > senseLevel))
        --lastLoud;

    const std::int64_t width = scan.pauseBlocks + 1;
    auto passagesIn = [&](std::int64_t soundStart, std::int64_t soundEnd) {
        for (std::int64_t first = soundStart; first + width <= soundEnd; ++first) {
            const double level = maxima[static_cast<std::size_t>(first)];
            if (!stats.quietestPassage || level < stats.quietestPassage->level)
                stats.quietestPassage = stretchOf(scan, first, first + width, level);
        }
    };
    std::int64_t soundStart = firstLoud;
    for (const QuietRun& run : stats.runs) {
        if (run.blocks() < width)
            continue;
        stats.longPause = true;
        const double level = *std::max_element(scan.levels.begin() + run.firstBlock,
                                               scan.levels.begin() + run.endBlock);
        if (!stats.loudestPause || level > stats.loudestPause->level)
            stats.loudestPause = stretchOf(scan, run.firstBlock, run.endBlock, level);
        passagesIn(soundStart, run.firstBlock);
        soundStart = run.endBlock;
    }
    passagesIn(soundStart, lastLoud + 1);
    return stats;
}

// The pauses between tracks lie near the recording's floor, the music well
// above it. Of the levels that give two pieces or more, the one is taken whose
// quietest passage lies furthest above its loudest pause, less how far that
// pause lies above the floor (the quietest stretch one pause long anywhere);
// then, among the neighbouring levels with as many pieces, the one nearest the
// middle (in decibels) between that pause and that passage.
std::optional<int> suggestPosition(const BlockScan& scan, const std::vector<double>& maxima,
                                   const std::array<int, kSenseLevelPositions>& counts,
                                   std::optional<int> wanted) {
    double floor = kLevelStep;
    if (!maxima.empty())
        floor = std::max(floor, *std::min_element(maxima.begin(), maxima.end()));
    double loudest = kLevelStep;
    for (double level : scan.levels)
        loudest = std::max(loudest, level);

    std::optional<int> best;
    double bestScore = 0.0;
    double bestPause = 0.0;
    double bestPassage = 0.0;
    for (int position = 0; position < kSenseLevelPositions; ++position) {
        if (counts[position] < 2 || (wanted && counts[position] != *wanted))
            continue;
        const LevelStats stats = statsAt(scan, maxima, senseLevelAt(position));
        const double pause = std::max(floor, stats.loudestPause ? stats.loudestPause->level : 0.0);
        const double passage =
            std::max(pause, stats.quietestPassage ? stats.quietestPassage->level : loudest);
        const double score = std::log(passage) - 2.0 * std::log(pause) + std::log(floor);
        if (!best || score > bestScore + 1e-9) {
            best = position;
            bestScore = score;
            bestPause = pause;
            bestPassage = passage;
        }
    }
    if (!best)
        return std::nullopt;
    int low = *best;
    while (low > 0 && counts[low - 1] == counts[*best])
        --low;
    int high = *best;
    while (high + 1 < kSenseLevelPositions && counts[high + 1] == counts[*best])
        ++high;
    const double middle = std::sqrt(bestPause * bestPassage);
    const int position = static_cast<int>(std::lround(middle / kLevelStep));
    return std::clamp(position, low, high);
}

} // namespace

namespace {

// The tracks of an automatic detection when they are two or more: the count a
// suggested level must give.
std::optional<int> tracksToMatch(const std::optional<FoundTracks>& automatic) {
    if (!automatic || automatic->tracks.size() < 2)
        return std::nullopt;
    return static_cast<int>(automatic->tracks.size());
}

DetectionReport reportOf(const BlockScan& scan, const SplitSettings& settings,
                         std::optional<FoundTracks> automatic) {
    DetectionReport report;
    report.automatic = std::move(automatic);
    report.settings = settings;
    report.format = scan.format;
    report.length = scan.length;
    report.blocks = scan.blockCount();
    if (!scan.levels.empty()) {
        std::vector<double> sorted = scan.levels;
        const std::size_t tenth = (sorted.size() + 9) / 10 - 1;
        std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(tenth),
                         sorted.end());
        report.noiseFloor = sorted[tenth];
    }
    report.pieces = previewAutoSplit(scan, settings);
    report.piecesAtLevel = piecesPerLevel(scan, settings);

    const std::vector<double> maxima = windowMaxima(scan);
    LevelStats stats = statsAt(scan, maxima, settings.senseLevel);
    report.loudBlocks = stats.loudBlocks;
    report.loudestPause = stats.loudestPause;
    report.quietestPassage = stats.quietestPassage;
    report.pauses = static_cast<int>(stats.runs.size());
    std::stable_sort(stats.runs.begin(), stats.runs.end(),
                     [](const QuietRun& a, const QuietRun& b) { return a.blocks() > b.blocks(); });
    for (std::size_t i = 0; i < stats.runs.size() && i < kLongestPauses; ++i)
        report.longestPauses.push_back(
            {scan.blockStart(stats.runs[i].firstBlock), scan.blockStart(stats.runs[i].endBlock)});
    report.suggestedPosition =
        suggestPosition(scan, maxima, report.piecesAtLevel, tracksToMatch(report.automatic));

    if (report.pieces.size() >= 2)
        report.reason = FewPiecesReason::None;
    else if (stats.loudBlocks == 0)
        report.reason = FewPiecesReason::NothingLoud;
    else if (!stats.longPause && report.pieces.size() == 1)
        report.reason = FewPiecesReason::NoLongPause;
    else
        report.reason = FewPiecesReason::PiecesTooShort;
    return report;
}

} // namespace

DetectionReport makeDetectionReport(const BlockScan& scan, const SplitSettings& settings) {
    return reportOf(scan, settings, std::nullopt);
}

DetectionReport makeDetectionReport(const BlockScan& scan, const SplitSettings& settings,
                                    FoundTracks automatic) {
    return reportOf(scan, settings, std::move(automatic));
}

std::optional<DetectionReport> analyzeTrack(SampleReader& source, const SplitSettings& settings,
                                            Event* stopEvent) {
    EnvelopeBuilder envelope(source.format());
    const std::optional<BlockScan> scan =
        scanBlocks(source, settings.senseTime, kSplitBlocksPerSecond, settings.clickFilterMs,
                   stopEvent, &envelope);
    if (!scan)
        return std::nullopt;
    GapDetection detection = findGaps(envelope.finish(), source);
    return makeDetectionReport(*scan, settings, chooseTracks(std::move(detection), {}));
}

std::string levelText(double level) {
    char text[64];
    if (level > 0.0)
        std::snprintf(text, sizeof text, "%.4f (%.1f dBFS)", level, 20.0 * std::log10(level));
    else
        std::snprintf(text, sizeof text, "%.4f (silence)", level);
    return text;
}

namespace {

std::string timeText(std::int64_t frames, const WaveFormat& format) {
    const double seconds =
        format.samplesPerSecond > 0 ? static_cast<double>(frames) / format.samplesPerSecond : 0.0;
    const double whole = std::floor(seconds);
    const auto total = static_cast<long long>(whole);
    char text[48];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%05.2f", total / 3600, total / 60 % 60,
                  seconds - static_cast<double>(total / 60 * 60));
    return text;
}

} // namespace

std::string spanText(const FrameSpan& frames, const WaveFormat& format) {
    const double seconds =
        format.samplesPerSecond > 0
            ? static_cast<double>(frames.end - frames.start) / format.samplesPerSecond
            : 0.0;
    char length[32];
    std::snprintf(length, sizeof length, " for %.2f s", seconds);
    return timeText(frames.start, format) + length;
}

std::string reasonText(FewPiecesReason reason) {
    switch (reason) {
    case FewPiecesReason::None:
        return "";
    case FewPiecesReason::NothingLoud:
        return "everything is quieter than the sense level";
    case FewPiecesReason::NoLongPause:
        return "no pause is as long as the sense time";
    case FewPiecesReason::PiecesTooShort:
        return "the pieces found are not longer than the minimum time";
    }
    return "";
}

std::string fewPiecesMessage(const DetectionReport& report) {
    if (report.reason == FewPiecesReason::None)
        return "";
    std::string text =
        report.pieces.empty() ? "Auto Split found no piece: " : "Auto Split found only one piece: ";
    text += reasonText(report.reason) + ".\n";
    if (report.suggestedPosition) {
        const auto position = static_cast<std::size_t>(*report.suggestedPosition);
        text += "Suggested sense level: " + std::to_string(*report.suggestedPosition) + " (" +
                std::to_string(report.piecesAtLevel[position]) + " pieces).";
    } else if (const std::optional<int> tracks = tracksToMatch(report.automatic)) {
        text += "No sense level gives the " + std::to_string(*tracks) +
                " tracks that the automatic detection finds.";
    } else {
        text += "No sense level gives two pieces with this sense time.";
    }
    return text;
}

std::vector<std::string> reportLines(const DetectionReport& report) {
    const WaveFormat& format = report.format;
    std::vector<std::string> lines;
    char line[160];
    std::snprintf(line, sizeof line, "Sense level: %s, sense time %.1f s, minimum time %.1f s%s",
                  levelText(report.settings.senseLevel).c_str(), report.settings.senseTime,
                  report.settings.minimumTime, report.settings.trimSpace ? ", trim space" : "");
    std::string settingsLine = line;
    if (report.settings.clickFilterMs > 0)
        settingsLine += ", click filter " + std::to_string(report.settings.clickFilterMs) + " ms";
    lines.push_back(settingsLine);
    lines.push_back("Noise floor: " + (report.automatic ? floorText(report.automatic->detection,
                                                                    report.automatic->chosen)
                                                        : levelText(report.noiseFloor)));
    lines.push_back("Loudest pause: " + (report.loudestPause
                                             ? levelText(report.loudestPause->level) + " at " +
                                                   spanText(report.loudestPause->frames, format)
                                             : std::string("none")));
    lines.push_back("Quietest passage in a piece: " +
                    (report.quietestPassage ? levelText(report.quietestPassage->level) + " at " +
                                                  spanText(report.quietestPassage->frames, format)
                                            : std::string("none")));
    if (report.suggestedPosition) {
        std::snprintf(line, sizeof line, "Suggested sense level: %d (%s), %d pieces",
                      *report.suggestedPosition,
                      levelText(senseLevelAt(*report.suggestedPosition)).c_str(),
                      report.piecesAtLevel[static_cast<std::size_t>(*report.suggestedPosition)]);
        lines.push_back(line);
    } else if (const std::optional<int> tracks = tracksToMatch(report.automatic)) {
        lines.push_back("Suggested sense level: none (no level gives the " +
                        std::to_string(*tracks) + " tracks of the automatic detection)");
    } else {
        lines.push_back("Suggested sense level: none (no level gives two pieces)");
    }
    std::snprintf(line, sizeof line, "Pieces at this level: %zu%s%s", report.pieces.size(),
                  report.reason == FewPiecesReason::None ? "" : ": ",
                  reasonText(report.reason).c_str());
    lines.push_back(line);
    std::snprintf(line, sizeof line, "Pauses between sounds: %d; the longest:", report.pauses);
    lines.push_back(line);
    for (const FrameSpan& pause : report.longestPauses)
        lines.push_back("  " + spanText(pause, format));
    if (report.automatic)
        for (const std::string& line :
             gapReportLines(report.automatic->detection, report.automatic->chosen))
            lines.push_back(line);
    std::string plot = "Pieces at sense level 0..100:";
    for (int count : report.piecesAtLevel)
        plot += " " + std::to_string(count);
    lines.push_back(plot);
    return lines;
}

} // namespace sundra
