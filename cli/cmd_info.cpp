// info FILE.wav: what the header parser makes of a file. A file the program
// cannot work on is still described as far as its header goes (one too long
// for the program's frame counts, say), with the reason it is refused.

#include "cli/commands.h"
#include "cli/options.h"
#include "core/byte_stream.h"
#include "core/duration_text.h"
#include "core/file.h"
#include "core/sample_shape.h"
#include "core/wave_file.h"
#include "core/wave_header.h"

#include <cstdio>
#include <memory>

namespace sundra::cli {

namespace {

void printBroadcastInfo(const BroadcastInfo& info, const WaveFormat& format) {
    std::printf("description: %s\n", info.description.c_str());
    std::printf("originator: %s\n", info.originator.c_str());
    std::printf("originator reference: %s\n", info.originatorReference.c_str());
    std::printf("origination: %s %s\n", info.originationDate.c_str(), info.originationTime.c_str());
    std::printf(
        "time reference: %llu (%s)\n", static_cast<unsigned long long>(info.timeReference),
        durationText(static_cast<std::int64_t>(info.timeReference /
                                               static_cast<std::uint64_t>(format.samplesPerSecond)))
            .c_str());
}

} // namespace

int runInfo(const Arguments& args) {
    const Options options(args, {}, {});
    if (options.positional().size() != 1)
        throw UsageError("needs exactly one file");
    const std::string& path = options.positional()[0];

    const std::unique_ptr<FileByteStream> source = openWaveSource(path);
    const WaveHeader header = readWaveHeader(*source);
    if (header.dataOffset == 0) {
        std::fprintf(stderr, "file can not opened\n%s\n", header.refusal.c_str());
        return 1;
    }
    const WaveFormat& format = header.format;
    const std::int64_t frames = header.frames(source->length());
    std::printf("file: %s\n", path.c_str());
    std::printf("format: %d channels, %d Hz, %d bits\n", format.channels, format.samplesPerSecond,
                format.bitsPerSample);
    std::printf("sample format: %s\n", sampleFormatName(format).c_str());
    std::printf("data offset: %lld\n", static_cast<long long>(header.dataOffset));
    std::printf("frames: %lld\n", static_cast<long long>(frames));
    std::printf("duration: %s\n", durationText(frames / format.samplesPerSecond).c_str());
    if (header.broadcast)
        printBroadcastInfo(*header.broadcast, format);
    if (!header.refusal.empty()) {
        std::printf("refused: %s\n", header.refusal.c_str());
        return 1;
    }
    return 0;
}

} // namespace sundra::cli
