// copy IN.wav OUT.wav: the road from an opened file to an exported one, a reader
// and a writer moving one-second buffers.

#include "cli/commands.h"
#include "cli/options.h"
#include "cli/source_guard.h"
#include "core/byte_stream.h"
#include "core/file.h"
#include "core/sample_buffer.h"
#include "core/units.h"
#include "core/wave_file.h"

#include <cstdio>
#include <memory>

namespace sundra::cli {

int runCopy(const Arguments& args) {
    const Options options(args, {}, {});
    if (options.positional().size() != 2)
        throw UsageError("needs an input and an output file");
    const std::string& in = options.positional()[0];
    const std::string& out = options.positional()[1];
    refuseWritingSource(in, out);

    const std::unique_ptr<WaveFileReader> opened = openWaveFile(in);
    if (!opened) {
        std::fputs("file can not opened\n", stderr);
        return 1;
    }
    WaveFileReader& reader = *opened;
    const WaveFormat format = reader.format();
    // Opened after the reader holds its file, so copying a file onto itself is a
    // sharing violation and never empties the source.
    WaveFileWriter writer(
        format,
        std::make_unique<FileByteStream>(std::make_unique<File>(
            out, File::Access::ReadWrite, File::Share::Exclusive, File::Disposition::Create)),
        reader.length());

    const std::int32_t frame = frameSize(format);
    SampleBuffer buffer(format, blockBytes(format, 1));
    reader.seek(0);
    std::int64_t copied = 0;
    while (const std::int32_t frames = readIntoBuffer(reader, buffer)) {
        // A partial frame at the end of the source is not a sample.
        buffer.used = frames * frame;
        writeBuffer(writer, buffer);
        copied += frames;
    }
    // Finished here rather than in the destructor, so that a failure is reported.
    writer.flushHeader();
    std::printf("copied %lld frames to %s\n", static_cast<long long>(copied), out.c_str());
    return 0;
}

} // namespace sundra::cli
