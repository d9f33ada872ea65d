// The capture loop's own work per block of 1/16 s (62.5 ms of sound): the
// meters, the waiting, auto-stop and overload levels and the file write, with
// every option on and the header rewritten every two seconds. A device that
// hands out blocks at once stands in for the sound card, so the time measured
// is what the loop adds to each read; it must stay far below 62.5 ms or sound
// is lost.

#include "audio/capture_loop.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

namespace {

using namespace sundra;

// A device that returns a 440 Hz tone at half scale as fast as it is read.
class ToneDevice : public SampleReader {
public:
    ToneDevice() {
        for (int frame = 0; frame < 44100; ++frame) {
            const auto value = static_cast<std::int16_t>(
                16384.0 * std::sin(2.0 * 3.141592653589793 * 440.0 * frame / 44100.0));
            second_.push_back(value);
            second_.push_back(value);
        }
    }
    std::int32_t read(void* buffer, std::int32_t capacity) override {
        const std::int32_t frames = capacity / 4;
        auto* out = static_cast<std::int16_t*>(buffer);
        for (std::int32_t i = 0; i < frames; ++i, at_ = (at_ + 1) % 44100) {
            out[2 * i] = second_[2 * at_];
            out[2 * i + 1] = second_[2 * at_ + 1];
        }
        return frames * 4;
    }
    void seek(std::int32_t) override {}
    std::int32_t tell() const override { return 0; }
    std::int32_t length() const override { return 0; }
    std::int32_t truncate(std::int32_t) override { return 0; }
    const WaveFormat& format() const override { return format_; }

private:
    std::vector<std::int16_t> second_;
    std::size_t at_ = 0;
    WaveFormat format_;
};

// Stops the loop after a number of blocks.
class StopAfter : public Event {
public:
    explicit StopAfter(std::int64_t blocks) : remaining_(blocks) {}
    bool lock(std::uint32_t) override { return remaining_-- <= 0; }
    bool unlock() override { return true; }
    bool set() override { return true; }
    bool reset() override { return true; }
    bool pulse() override { return true; }

private:
    std::int64_t remaining_;
};

void BM_CaptureLoopPerBlock(benchmark::State& state) {
    const std::string path =
        (std::filesystem::temp_directory_path() / "sundra_bench_capture.wav").string();
    RecordSettings settings;
    settings.wait = true;
    settings.autoStop = true;
    settings.overloadStop = true;
    constexpr std::int64_t kBlocks = 16 * 60; // one minute of sound per run
    for (auto _ : state) {
        WaveFileWriter writer(
            WaveFormat{},
            std::make_unique<FileByteStream>(std::make_unique<File>(
                path, File::Access::ReadWrite, File::Share::Exclusive, File::Disposition::Create)));
        CaptureLoop loop(writer, settings,
                         [](const WaveFormat&, int) { return std::make_unique<ToneDevice>(); });
        loop.startWriting();
        StopAfter stop(kBlocks);
        benchmark::DoNotOptimize(loop.run(stop, Notifier::none()));
    }
    state.SetItemsProcessed(state.iterations() * kBlocks);
    // Seconds of the loop's own work per block (printed with an SI prefix).
    state.counters["per_block"] =
        benchmark::Counter(static_cast<double>(state.iterations() * kBlocks),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    std::filesystem::remove(path);
}
BENCHMARK(BM_CaptureLoopPerBlock)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
