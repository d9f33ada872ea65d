// record OUT.wav --seconds N: records N seconds from the sound input into a WAV
// file (2 channels, 44100 Hz, 16 bits) through a WaveInDevice in blocks of
// 1/16 second, as a recording does.

#include "audio/wave_in_device.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "core/byte_stream.h"
#include "core/file.h"
#include "core/sample_buffer.h"
#include "core/units.h"
#include "core/wave_file.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace sundra::cli {

int runRecord(const Arguments& args) {
    const Options options(args, {"seconds"}, {});
    if (options.positional().size() != 1)
        throw UsageError("needs exactly one output file");
    if (!options.has("seconds"))
        throw UsageError("needs --seconds");
    const double seconds = options.number("seconds", 0.0);
    // Frames are 32-bit: about 13 hours at 44100 Hz.
    if (seconds <= 0.0 || seconds > 40000.0)
        throw UsageError("--seconds must be more than 0 and at most 40000");
    const std::string& path = options.positional()[0];

    const WaveFormat format{2, 44100, 16};
    const std::int64_t wanted =
        static_cast<std::int64_t>(seconds * format.samplesPerSecond) * frameSize(format);

    WaveInDevice device(format, 16);
    if (!device.isOpen()) {
        std::fputs("no sound input device could be opened\n", stderr);
        return 1;
    }
    WaveFileWriter writer(
        format,
        std::make_unique<FileByteStream>(std::make_unique<File>(
            path, File::Access::ReadWrite, File::Share::Exclusive, File::Disposition::Create)),
        WaveFileWriter::kOpenEnded);
    SampleBuffer block(format, device.bufferBytes());
    // The header is rewritten every two seconds, so a recording that is killed
    // or loses power still opens with all but its last seconds.
    constexpr int kBlocksBetweenHeaders = 32;
    int blocksSinceHeader = 0;
    std::int64_t recorded = 0;
    while (recorded < wanted) {
        if (readIntoBuffer(device, block) == 0) {
            std::fprintf(stderr, "no sound came from the input device; %s holds what came before\n",
                         path.c_str());
            return 1;
        }
        const auto count =
            static_cast<std::int32_t>(std::min<std::int64_t>(block.used, wanted - recorded));
        writer.write(block.data.get(), count);
        recorded += count;
        if (++blocksSinceHeader == kBlocksBetweenHeaders) {
            writer.flushToDisk();
            blocksSinceHeader = 0;
        }
    }
    writer.flushHeader();
    std::printf("recorded %s (%d frames) to %s\n",
                clock(wholeSeconds(static_cast<std::int32_t>(recorded / frameSize(format)), format))
                    .c_str(),
                static_cast<int>(recorded / frameSize(format)), path.c_str());
    return 0;
}

} // namespace sundra::cli
