// play FILE.wav [--from SECONDS] [--seconds N]: plays a stretch of a file on
// the sound device exactly as the window's play loop does, through a
// WaveOutDevice in blocks of 1/32 second read from a track over the file.

#include "audio/wave_out_device.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "cli/source_file.h"
#include "core/byte_stream.h"
#include "core/file.h"
#include "core/sample_buffer.h"
#include "core/track_segment.h"
#include "core/units.h"
#include "core/wave_file.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace sundra::cli {

namespace {

// Seconds as a frame position within [0, limit], truncated.
std::int32_t framesOf(double seconds, const WaveFormat& format, std::int32_t limit) {
    const double frames = seconds * format.samplesPerSecond;
    return frames >= limit ? limit : static_cast<std::int32_t>(frames);
}

} // namespace

int runPlay(const Arguments& args) {
    const Options options(args, {"from", "seconds"}, {});
    if (options.positional().size() != 1)
        throw UsageError("needs exactly one file");
    const double from = options.number("from", 0.0);
    const double seconds = options.number("seconds", -1.0);
    if (from < 0.0)
        throw UsageError("--from must not be negative");
    if (options.has("seconds") && seconds <= 0.0)
        throw UsageError("--seconds must be more than 0");
    const std::string& path = options.positional()[0];

    const std::unique_ptr<WaveFileReader> opened = openSourceFile(path);
    if (!opened) {
        return 1;
    }
    WaveFileReader& reader = *opened;
    const WaveFormat& format = reader.format();
    const std::int32_t start = framesOf(from, format, reader.length());
    const std::int32_t end = seconds < 0.0
                                 ? reader.length()
                                 : start + framesOf(seconds, format, reader.length() - start);
    if (start >= end) {
        std::fputs("nothing to play: --from lies at or past the end of the file\n", stderr);
        return 1;
    }
    TrackSegment track(reader, start, end);

    // Throws "Can't open waveout port" when the device refuses the format.
    WaveOutDevice device(format, 32);
    SampleBuffer block(format, blockBytes(format, 32));
    std::printf("playing %s from %s for %s\n", path.c_str(),
                clock(wholeSeconds(start, format)).c_str(),
                clock(wholeSeconds(end - start, format)).c_str());
    std::fflush(stdout);
    track.seek(0);
    while (readIntoBuffer(track, block) > 0)
        writeBuffer(device, block);
    // The play loop ends its range with an empty block.
    device.write(block.data.get(), 0);
    return 0; // the device plays out what is queued as it closes
}

} // namespace sundra::cli
