#pragma once
// Helpers of the split and export tests: masters opened from files the way the
// document opens them, the pieces of a whole file's split, notifiers that record
// what they were told, and a stream decorator that runs a hook (or throws) on
// chosen reads.

#include "audio/notifier.h"
#include "audio/waitable.h"
#include "core/sample_stream.h"
#include "core/track_segment.h"
#include "core/wave_file.h"
#include "split/auto_split.h"
#include "tests/support/test_files.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace sundra::test {

// Opened for reading with others denied write, like the document's master.
inline std::unique_ptr<WaveFileReader> openMaster(const std::string& path) {
    std::unique_ptr<WaveFileReader> master = openWaveFile(path);
    if (!master)
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

// The pieces of splitAll on a row over the whole file, as the window splits.
inline std::vector<Span> splitOfFile(const std::string& path, const SplitSettings& settings) {
    auto master = openMaster(path);
    TrackSegment row(*master);
    KernelEvent stop(false, true);
    PieceList pieces;
    splitAll(row, settings, stop, pieces, Notifier::none());
    std::vector<Span> spans;
    for (const auto& piece : pieces)
        spans.push_back({piece->start(), piece->end()});
    return spans;
}

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
