// analyze FILE.wav: why the automatic split finds what it finds in the whole
// file with the given settings: the noise floor, the loudest pause, the quietest
// passage inside a piece, the longest pauses, a suggested sense level and the
// number of pieces at every sense level. Reads the file once and changes nothing.

#include "cli/commands.h"
#include "cli/options.h"
#include "cli/source_file.h"
#include "cli/split_options.h"
#include "core/track_segment.h"
#include "core/wave_file.h"
#include "split/detection_report.h"
#include "split/split_settings.h"

#include <cstdio>
#include <memory>
#include <string>

namespace sundra::cli {

int runAnalyze(const Arguments& args) {
    const Options options(args, splitSettingOptions(), {});
    if (options.positional().size() != 1)
        throw UsageError("needs exactly one FILE.wav");
    const SplitSettings settings = splitSettingsOf(options);

    std::unique_ptr<WaveFileReader> master = openSourceFile(options.positional().front());
    if (!master) {
        return 1;
    }
    TrackSegment wholeFile(*master);
    const std::optional<DetectionReport> report = analyzeTrack(wholeFile, settings, nullptr);
    for (const std::string& line : reportLines(*report))
        std::printf("%s\n", line.c_str());
    return 0;
}

} // namespace sundra::cli
