// libFuzzer target for the WAV header walk. Each input is parsed twice: from
// memory, where every seek and read is checked against the bounds of the input,
// and as a real file through a WaveFileReader, whose answer must agree. An
// accepted header must give a usable reader: a format within the limits, whole
// frames, a 32-bit frame count, and reads and seeks that stay inside the data.
// A refused one must say why.

#include "core/byte_stream.h"
#include "core/file.h"
#include "core/format_chunk.h"
#include "core/wave_file.h"
#include "core/wave_header.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>

#include <unistd.h>

namespace {

using namespace sundra;

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

void check(bool condition, const char* what) {
    if (!condition)
        fail(what);
}

// A read-only byte stream over the fuzzer's input that refuses to be moved
// outside it: the parser must never seek before the start or past the end.
class MemoryReader : public ByteReader {
public:
    MemoryReader(const std::uint8_t* data, std::size_t size)
        : data_(data), size_(static_cast<std::int64_t>(size)) {}

    std::int64_t seek(std::int64_t offset, int origin) override {
        std::int64_t base = 0;
        if (origin == 0)
            base = position_;
        else if (origin == 2)
            base = size_;
        else if (origin != 1)
            return 0;
        const std::int64_t target = base + offset;
        check(target >= 0 && target <= size_, "seek outside the file");
        position_ = target;
        return position_;
    }
    std::int64_t tell() const override { return position_; }
    std::int64_t length() const override { return size_; }
    std::int32_t read(void* buffer, std::int32_t count) override {
        check(count >= 0, "negative read");
        ++reads_;
        check(reads_ < 4 * size_ + 64, "the chunk walk does not end");
        const std::int64_t left = size_ - position_;
        const std::int32_t n =
            static_cast<std::int32_t>(left < count ? (left > 0 ? left : 0) : count);
        if (n > 0)
            std::memcpy(buffer, data_ + position_, static_cast<std::size_t>(n));
        position_ += n;
        return n;
    }

private:
    const std::uint8_t* data_;
    std::int64_t size_;
    std::int64_t position_ = 0;
    std::int64_t reads_ = 0;
};

// One scratch file for every input, removed at exit. It lives in memory where
// the system offers a RAM disk: a disk file that is emptied and rewritten for
// every input is flushed each time by some file systems, which costs the
// fuzzer two orders of magnitude of speed.
class ScratchFile {
public:
    ScratchFile() {
        const std::filesystem::path folder = std::filesystem::is_directory("/dev/shm")
                                                 ? std::filesystem::path("/dev/shm")
                                                 : std::filesystem::temp_directory_path();
        path_ = (folder / "sundra-fuzz-XXXXXX").string();
        const int fd = ::mkstemp(path_.data());
        if (fd < 0)
            fail("cannot make a scratch file");
        ::close(fd);
    }
    ~ScratchFile() { std::filesystem::remove(path_); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

const std::string& scratchPath() {
    static const ScratchFile scratch;
    return scratch.path();
}

void checkAccepted(const WaveHeader& header, std::int64_t size) {
    const WaveFormat& format = header.format;
    const std::int64_t offset = header.dataOffset;
    check(offset >= kCanonicalHeaderSize && offset <= size, "data offset outside the file");
    check(header.sampleBytes(size) <= size - offset, "samples beyond the end of the file");
    check(frameSize(format) > 0, "accepted a frame size of 0");
    check(format.channels >= 1 && format.channels <= static_cast<std::int32_t>(kMaxChannels),
          "accepted a channel count beyond the limits");
    check(format.samplesPerSecond >= 1 &&
              format.samplesPerSecond <= static_cast<std::int32_t>(kMaxSampleRate),
          "accepted a rate beyond the limits");
    check(static_cast<std::uint64_t>(bytesPerSecond(format)) <= kMaxBytesPerSecond,
          "accepted more bytes per second than the limit");
    check(format.validBits == 0 || format.validBits < format.bitsPerSample,
          "valid bits beyond the container");
    check(!isFloat(format) || format.bitsPerSample == 32 || format.bitsPerSample == 64,
          "accepted floats of a width that has none");
    check(header.frames(size) <= std::numeric_limits<std::int32_t>::max(),
          "accepted more frames than a 32-bit count");
}

void fuzzFile(const std::uint8_t* data, std::size_t size, const WaveHeader& memory) {
    const std::string& path = scratchPath();
    // A new file for each input: its lock state and contents can owe nothing
    // to the inputs before it.
    std::filesystem::remove(path);
    {
        File out(path, File::Access::Write, File::Share::Exclusive, File::Disposition::Create);
        out.write(data, static_cast<std::int32_t>(size));
    }
    WaveFileReader reader;
    const bool accepted = reader.attach(std::make_unique<FileByteStream>(std::make_unique<File>(
        path, File::Access::Read, File::Share::DenyWrite, File::Disposition::OpenExisting)));
    check(accepted == memory.accepted(), "file and memory parses disagree");
    std::uint8_t buffer[64];
    if (!accepted) {
        check(reader.refusal() == memory.refusal, "file and memory reasons disagree");
        check(reader.length() == 0 && reader.tell() == 0, "a refused file has frames");
        check(reader.read(buffer, sizeof buffer) == 0, "a refused file hands out bytes");
        return;
    }
    check(reader.dataOffset() == memory.dataOffset, "file and memory offsets disagree");
    check(reader.format() == memory.format, "file and memory formats disagree");
    check(reader.broadcastInfo() == memory.broadcast, "file and memory bext records disagree");
    const auto fileSize = static_cast<std::int64_t>(size);
    const std::int64_t sampleBytes = memory.sampleBytes(fileSize);
    const std::int64_t frame = frameSize(reader.format());
    check(reader.length() == sampleBytes / frame, "wrong frame count");
    check(reader.tell() == 0, "the reader does not start at frame 0");
    const std::int32_t got = reader.read(buffer, sizeof buffer);
    check(got == std::min<std::int64_t>(sizeof buffer, sampleBytes), "short read inside the data");
    check(std::memcmp(buffer, data + memory.dataOffset, static_cast<std::size_t>(got)) == 0,
          "read the wrong bytes");
    if (reader.length() > 0) {
        reader.seek(reader.length() - 1);
        const std::int64_t last = sampleBytes - (reader.length() - 1) * frame;
        check(reader.read(buffer, sizeof buffer) == std::min<std::int64_t>(sizeof buffer, last),
              "the last frame reads past the samples");
    }
    reader.seek(reader.length());
    check(reader.tell() == reader.length(), "seek to the end lands elsewhere");
    check(reader.read(buffer, sizeof buffer) < frame, "a whole frame after the end");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > (1u << 20))
        return -1; // headers live in the first bytes; large inputs only slow the search
    MemoryReader memory(data, size);
    const WaveHeader header = readWaveHeader(memory);
    if (header.accepted()) {
        checkAccepted(header, static_cast<std::int64_t>(size));
        check(memory.tell() == header.dataOffset, "the position is not at the first sample");
    } else {
        check(!header.refusal.empty(), "refused without a reason");
    }
    // The real file costs a dozen system calls; refusals take that road only for
    // a quarter of the inputs (chosen by size, so a run is reproducible).
    if (header.accepted() || size % 4 == 0)
        fuzzFile(data, size, header);
    return 0;
}
