#include "split/gap_hearing.h"

#include "split/floor_curve.h"
#include "split/gap_choice.h"
#include "split/gap_spectrum.h"
#include "split/level_curves.h"

#include <algorithm>
#include <cmath>

namespace sundra {

namespace {

// A floor is known from a second of it, as the recording's own floor is from
// its quietest second; shorter stretches count only near the level of one.
constexpr double kKnownFloorSeconds = 1.0;
// Of a gap's floor, its middle is measured: a few seconds of a record's gaps
// tell their level.
constexpr double kMeasuredSeconds = 2.0;

std::int32_t framesOf(double seconds, std::int32_t rate) {
    return static_cast<std::int32_t>(std::lround(seconds * rate));
}

// The middle `seconds` of span, or all of it when it is shorter.
FrameSpan middleOf(const FrameSpan& span, double seconds, std::int32_t rate) {
    const std::int32_t length = std::min(span.end - span.start, framesOf(seconds, rate));
    const std::int32_t start = span.start + (span.end - span.start - length) / 2;
    return {start, start + length};
}

bool soundsLikeNoise(SampleReader& source, const SteadyStretch& stretch) {
    const WaveFormat& format = source.format();
    const std::int32_t size = spectrumWindowFrames(format.samplesPerSecond);
    const std::vector<double> spectrum =
        floorSpectrumDb(readLevels(source, stretch.quietest), format.channels, size);
    if (spectrum.empty())
        return false;
    const SpectrumSpread spread = spectrumSpread(spectrum, format.samplesPerSecond, size);
    return spread.noise();
}

double secondsOf(const SteadyStretch& stretch, std::int32_t rate) {
    return rate > 0 ? double(stretch.span.end - stretch.span.start) / rate : 0.0;
}

} // namespace

std::vector<SteadyStretch> hearOwnFloors(SampleReader& source,
                                         const std::vector<SteadyStretch>& stretches) {
    const std::int32_t rate = source.format().samplesPerSecond;
    std::vector<SteadyStretch> floors;
    double loudest = kSilenceDb;
    for (const SteadyStretch& stretch : stretches) {
        if (secondsOf(stretch, rate) >= kKnownFloorSeconds && soundsLikeNoise(source, stretch)) {
            floors.push_back(stretch);
            loudest = std::max(loudest, stretch.levelDb);
        }
    }
    if (floors.empty())
        return floors;
    for (const SteadyStretch& stretch : stretches)
        if (secondsOf(stretch, rate) < kKnownFloorSeconds &&
            stretch.levelDb <= loudest + kFloorDriftDb && soundsLikeNoise(source, stretch))
            floors.push_back(stretch);
    std::sort(floors.begin(), floors.end(), [](const SteadyStretch& a, const SteadyStretch& b) {
        return a.span.start < b.span.start;
    });
    return floors;
}

void measureFloorRms(SampleReader& source, GapDetection& detection) {
    const std::int32_t rate = detection.samplesPerSecond;
    for (GapCandidate& gap : detection.candidates) {
        if (!isClearGap(gap) || gap.levelDb <= kSilenceDb || gap.floorRmsDb <= kSilenceDb)
            continue;
        const FrameSpan measured = middleOf(gap.floor, kMeasuredSeconds, rate);
        double energy = 0.0;
        std::size_t samples = 0;
        // A quarter of a second at a time.
        for (std::int32_t start = measured.start; start < measured.end; start += rate / 4 + 1) {
            const std::vector<double> levels =
                readLevels(source, {start, std::min(measured.end, start + rate / 4 + 1)});
            for (double level : levels)
                energy += level * level;
            samples += levels.size();
        }
        if (samples > 0)
            gap.floorRmsDb =
                energy > 0.0 ? 10.0 * std::log10(energy / double(samples)) : kSilenceDb;
    }
}

GapDetection findGaps(const LoudnessEnvelope& envelope, SampleReader& source) {
    GapDetection detection = detectGaps(envelope, [&](const std::vector<SteadyStretch>& stretches) {
        return hearOwnFloors(source, stretches);
    });
    findHiddenMusic(source, detection);
    measureFloorRms(source, detection);
    return detection;
}

} // namespace sundra
