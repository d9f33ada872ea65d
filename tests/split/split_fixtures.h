#pragma once
// Helpers of the split and export tests: masters opened from files the way the
// document opens them, notifiers that record what they were told, and a stream
// decorator that runs a hook (or throws) on chosen reads.

#include "audio/notifier.h"
#include "core/byte_stream.h"
#include "core/file.h"
#include "core/sample_stream.h"
#include "core/wave_file.h"
#include "tests/support/test_files.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace sundra::test {

// Sample images are built and compared with block copies rather than byte by
// byte, which keeps these tests quick under the thread sanitizer as well.
static_assert(std::endian::native == std::endian::little, "samples are copied as they are");

// Appends frames of 16-bit samples that all hold value.
inline void appendRun(Bytes& samples, std::int32_t channels, std::int32_t frames,
                      std::int16_t value) {
    const std::size_t frameBytes = 2 * static_cast<std::size_t>(channels);
    const std::size_t start = samples.size();
    const std::size_t total = frameBytes * static_cast<std::size_t>(frames);
    samples.resize(start + total);
    if (value == 0 || total == 0)
        return;
    for (std::size_t at = 0; at < frameBytes; at += 2)
        std::memcpy(samples.data() + start + at, &value, 2);
    for (std::size_t filled = frameBytes; filled < total;) {
        const std::size_t count = std::min(filled, total - filled);
        std::memcpy(samples.data() + start + filled, samples.data() + start, count);
        filled += count;
    }
}

// The same file as writeRunsWav writes.
inline void writeRuns(const std::string& path, const WaveFormat& format,
                      const std::vector<Run>& runs) {
    Bytes samples;
    for (const Run& run : runs)
        appendRun(samples, format.channels, run.frames, run.value);
    writeBytes(path, canonicalWav(format, samples));
}

inline Bytes fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    Bytes bytes(static_cast<std::size_t>(in.tellg()));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

// Opened for reading with others denied write, like the document's master.
inline std::unique_ptr<WaveFileReader> openMaster(const std::string& path) {
    auto master = std::make_unique<WaveFileReader>();
    auto file = std::make_unique<File>(path, File::Access::Read, File::Share::DenyWrite,
                                       File::Disposition::OpenExisting);
    if (!master->attach(std::make_unique<FileByteStream>(std::move(file))))
        throw std::runtime_error("the test file " + path + " was refused");
    return master;
}

struct Span {
    std::int32_t start;
    std::int32_t end;
    friend bool operator==(const Span&, const Span&) = default;
    friend std::ostream& operator<<(std::ostream& out, const Span& span) {
        return out << "[" << span.start << ", " << span.end << ")";
    }
};

class RecordingNotifier : public Notifier {
public:
    bool post(std::uint32_t wParam, std::int64_t lParam) override {
        posts.push_back(wParam);
        lParams.push_back(lParam);
        return true;
    }
    bool post() override {
        ++plainPosts;
        if (onPlainPost)
            onPlainPost(plainPosts);
        return true;
    }

    std::vector<std::uint32_t> posts;
    std::vector<std::int64_t> lParams;
    int plainPosts = 0;
    // Called with the number of plain posts so far, on the posting thread.
    std::function<void(int)> onPlainPost;
};

// Forwards everything to an inner stream; before read number n (counting from
// 1) it calls beforeRead(n), which may throw to stand for a failing disk.
class HookedStream : public SampleReaderWriter {
public:
    explicit HookedStream(SampleReaderWriter& inner) : inner_(inner) {}

    void seek(std::int32_t frame) override { inner_.seek(frame); }
    std::int32_t tell() const override { return inner_.tell(); }
    std::int32_t length() const override { return inner_.length(); }
    std::int32_t truncate(std::int32_t frames) override { return inner_.truncate(frames); }
    const WaveFormat& format() const override { return inner_.format(); }
    std::int32_t absoluteStart() const override { return inner_.absoluteStart(); }
    std::int32_t absoluteEnd() const override { return inner_.absoluteEnd(); }
    std::int32_t read(void* buffer, std::int32_t byteCount) override {
        ++reads;
        if (beforeRead)
            beforeRead(reads);
        return inner_.read(buffer, byteCount);
    }
    std::int32_t write(const void* buffer, std::int32_t byteCount) override {
        return inner_.write(buffer, byteCount);
    }

    int reads = 0;
    std::function<void(int)> beforeRead;

private:
    SampleReaderWriter& inner_;
};

} // namespace sundra::test
