// analyze FILE.wav: why the automatic split finds what it finds in the whole
// file with the given settings: the noise floor, the loudest pause, the quietest
// passage inside a piece, the longest pauses, a suggested sense level and the
// number of pieces at every sense level. Reads the file once and changes nothing.

#include "cli/commands.h"
#include "cli/options.h"
#include "core/track_segment.h"
#include "core/wave_file.h"
#include "split/detection_report.h"
#include "split/split_settings.h"

#include <cstdio>
#include <memory>
#include <string>

namespace sundra::cli {

namespace {

int pageValue(const Options& options, const std::string& name, int fallback, int highest) {
    const long long value = options.integer(name, fallback);
    if (value < 0 || value > highest)
        throw UsageError("option --" + name + " must lie between 0 and " + std::to_string(highest));
    return static_cast<int>(value);
}

} // namespace

int runAnalyze(const Arguments& args) {
    const Options options(args, {"sense-level", "sense-time", "minimum-time", "trim-space"}, {});
    if (options.positional().size() != 1)
        throw UsageError("needs exactly one FILE.wav");
    const SplitSettings settings = SplitSettings::fromPageValues(
        pageValue(options, "sense-level", 50, 100), pageValue(options, "sense-time", 10, 100),
        pageValue(options, "minimum-time", 10, 100), pageValue(options, "trim-space", 1, 1));

    std::unique_ptr<WaveFileReader> master = openWaveFile(options.positional().front());
    if (!master) {
        std::fputs("file can not opened\n", stderr);
        return 1;
    }
    TrackSegment wholeFile(*master);
    const std::optional<DetectionReport> report = analyzeTrack(wholeFile, settings, nullptr);
    for (const std::string& line : reportLines(*report))
        std::printf("%s\n", line.c_str());
    return 0;
}

} // namespace sundra::cli
