#include "split/gap_report.h"

#include "split/level_curves.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace sundra {

namespace {

std::string timeText(const GapDetection& detection, std::int64_t frames) {
    const double seconds = detection.seconds(frames);
    const auto whole = static_cast<long long>(seconds);
    char text[48];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%05.2f", whole / 3600, whole / 60 % 60,
                  seconds - static_cast<double>(whole / 60 * 60));
    return text;
}

std::string dbText(double db) {
    char text[32];
    if (db <= kSilenceDb)
        return "silence";
    std::snprintf(text, sizeof text, "%.1f dBFS", db);
    return text;
}

std::string candidateLine(const GapDetection& detection, const GapChoice& chosen,
                          std::size_t index) {
    const GapCandidate& gap = detection.candidates[index];
    char text[256];
    std::snprintf(
        text, sizeof text, "  %s for %.2f s, %s, %.2f s at the floor, %.1f dB deep, score %.1f: ",
        timeText(detection, gap.dip.start).c_str(), detection.seconds(gap.dip.end - gap.dip.start),
        dbText(gap.levelDb).c_str(), gap.floorSeconds, std::min(gap.depthDb(), 99.9), gap.score);
    return text + gapVerdict(detection, chosen, index);
}

} // namespace

namespace {

// The RMS of the chosen gaps that hold no digital silence, weighted by their
// time at the floor, and how many of them there are.
double soundingFloorDb(const GapDetection& detection, const GapChoice& chosen,
                       std::size_t& sounding) {
    double energy = 0.0, seconds = 0.0;
    sounding = 0;
    for (std::size_t index : chosen) {
        const GapCandidate& gap = detection.candidates[index];
        if (gap.levelDb <= kSilenceDb || gap.floorRmsDb <= kSilenceDb || gap.floorSeconds <= 0.0)
            continue;
        energy += std::pow(10.0, gap.floorRmsDb / 10.0) * gap.floorSeconds;
        seconds += gap.floorSeconds;
        ++sounding;
    }
    return seconds > 0.0 ? 10.0 * std::log10(energy / seconds) : kSilenceDb;
}

} // namespace

double noiseFloorDb(const GapDetection& detection, const GapChoice& chosen) {
    if (detection.digitalSilence())
        return kSilenceDb;
    std::size_t sounding = 0;
    const double floor = soundingFloorDb(detection, chosen, sounding);
    return sounding > 0 ? floor : detection.floorDb;
}

std::string floorText(const GapDetection& detection, const GapChoice& chosen) {
    const double floor = noiseFloorDb(detection, chosen);
    if (floor > kSilenceDb)
        return dbText(floor);
    // A record whose other gaps hold hiss or room noise of their own.
    std::size_t sounding = 0;
    const double noise = soundingFloorDb(detection, chosen, sounding);
    if (sounding == 0)
        return "digital silence";
    char text[96];
    std::snprintf(text, sizeof text, "digital silence; %s in %zu of the %zu gaps",
                  dbText(noise).c_str(), sounding, chosen.size());
    return text;
}

std::string gapVerdict(const GapDetection& detection, const GapChoice& chosen, std::size_t index) {
    const GapCandidate& gap = detection.candidates[index];
    char text[160];
    const bool cut = std::binary_search(chosen.begin(), chosen.end(), index);
    if (isClearGap(gap)) {
        std::snprintf(text, sizeof text, "at the floor for %.2f s, %.0f dB below the music",
                      gap.floorSeconds, std::min(gap.depthDb(), 99.0));
        if (cut)
            return std::string("cut, ") + text;
        // Only the spacing of songs can have kept a clear gap out.
        GapChoice others = chosen;
        others.erase(std::remove(others.begin(), others.end(), index), others.end());
        return std::string("no cut, ") + text +
               (leavesShortTrack(detection, others, index)
                    ? ", but a better cut lies less than a song's length away"
                    : "");
    }
    if (gap.hidesMusic)
        std::snprintf(text, sizeof text,
                      "music hides under the floor (its spectrum stands out by %.1f dB)",
                      gap.toneDb);
    else if (!gap.reachesFloor())
        std::snprintf(text, sizeof text, "never reaches the floor (%.1f dB above it)",
                      gap.aboveFloorDb());
    else if (gap.floorSeconds < kShortestGapSeconds)
        std::snprintf(text, sizeof text, "at the floor for only %.2f s", gap.floorSeconds);
    else
        std::snprintf(text, sizeof text, "only %.1f dB below the music", gap.depthDb());
    return std::string(cut ? "cut (asked for), " : "no cut, ") + text;
}

GapChoice nearMisses(const GapDetection& detection, const GapChoice& chosen) {
    GapChoice misses;
    for (std::size_t i = 0; i < detection.candidates.size(); ++i)
        if (!std::binary_search(chosen.begin(), chosen.end(), i))
            misses.push_back(i);
    std::stable_sort(misses.begin(), misses.end(), [&](std::size_t a, std::size_t b) {
        return detection.candidates[a].score > detection.candidates[b].score;
    });
    if (misses.size() > kNearMisses)
        misses.resize(kNearMisses);
    return misses;
}

std::vector<std::string> gapReportLines(const GapDetection& detection, const GapChoice& chosen) {
    std::vector<std::string> lines;
    char text[200];
    if (detection.lastMusic <= detection.firstMusic) {
        lines.push_back("Automatic detection: no music above the floor");
        return lines;
    }
    std::snprintf(text, sizeof text,
                  "Automatic detection: %zu tracks, cut at %zu of %zu candidate gaps",
                  chosen.size() + 1, chosen.size(), detection.candidates.size());
    lines.push_back(text);
    std::snprintf(
        text, sizeof text, "Music: %s, from %s to %s; at the floor is within %.1f dB of it",
        dbText(detection.musicDb).c_str(), timeText(detection, detection.firstMusic).c_str(),
        timeText(detection, detection.lastMusic).c_str(), detection.marginDb);
    lines.push_back(text);
    lines.push_back("Candidate gaps (start, length, level, time at the floor, depth below the "
                    "music, score):");
    for (std::size_t i = 0; i < detection.candidates.size(); ++i)
        lines.push_back(candidateLine(detection, chosen, i));
    lines.push_back("Near misses:");
    const GapChoice misses = nearMisses(detection, chosen);
    if (misses.empty())
        lines.push_back("  none");
    for (std::size_t index : misses)
        lines.push_back(candidateLine(detection, chosen, index));
    return lines;
}

} // namespace sundra
