// info FILE.wav: what the header parser makes of a file.

#include "cli/commands.h"
#include "cli/options.h"
#include "core/byte_stream.h"
#include "core/file.h"
#include "core/sample_shape.h"
#include "core/units.h"
#include "core/wave_file.h"

#include <cstdio>
#include <memory>

namespace sundra::cli {

int runInfo(const Arguments& args) {
    const Options options(args, {}, {});
    if (options.positional().size() != 1)
        throw UsageError("needs exactly one file");
    const std::string& path = options.positional()[0];

    const std::unique_ptr<WaveFileReader> opened = openWaveFile(path);
    if (!opened) {
        std::fputs("file can not opened\n", stderr);
        return 1;
    }
    WaveFileReader& reader = *opened;
    const WaveFormat& format = reader.format();
    const std::int32_t frames = reader.length();
    std::printf("file: %s\n", path.c_str());
    std::printf("format: %d channels, %d Hz, %d bits\n", format.channels, format.samplesPerSecond,
                format.bitsPerSample);
    std::printf("sample format: %s\n", sampleFormatName(format).c_str());
    std::printf("data offset: %lld\n", static_cast<long long>(reader.dataOffset()));
    std::printf("frames: %d\n", frames);
    std::printf("duration: %s\n", clock(wholeSeconds(frames, format)).c_str());
    return 0;
}

} // namespace sundra::cli
