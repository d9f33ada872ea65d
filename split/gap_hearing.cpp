#include "split/gap_hearing.h"

#include "split/floor_curve.h"
#include "split/gap_spectrum.h"
#include "split/level_curves.h"

#include <algorithm>
#include <cmath>

namespace sundra {

namespace {

// A floor is known from a second of it, as the recording's own floor is from
// its quietest second; shorter stretches count only near the level of one.
constexpr double kKnownFloorSeconds = 1.0;
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

GapDetection findGaps(const LoudnessEnvelope& envelope, SampleReader& source) {
    GapDetection detection = detectGaps(envelope, [&](const std::vector<SteadyStretch>& stretches) {
        return hearOwnFloors(source, stretches);
    });
    findHiddenMusic(source, detection);
    return detection;
}

} // namespace sundra
