// Throughput of the level scans on one second of sample data. anyFrameAbove
// is given a threshold that no frame crosses, so it scans the whole buffer, as
// the automatic split does over the pauses of a recording.

#include "core/sample_buffer.h"
#include "core/sample_shape.h"
#include "core/units.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>

namespace {

using sundra::SampleBuffer;
using sundra::WaveFormat;

// One second of quiet noise in the given format.
SampleBuffer oneSecond(const WaveFormat& format) {
    SampleBuffer buffer(format, sundra::bytesPerSecond(format));
    std::mt19937 random(5);
    std::uniform_int_distribution<int> quiet(-300, 300);
    const std::int32_t width = format.bitsPerSample / 8;
    const sundra::SampleShape* shape = sundra::sampleShape(format);
    for (std::int32_t i = 0; i < buffer.capacity / width; ++i) {
        const int sample = quiet(random);
        if (width > 2) {
            shape->store(sample / 32768.0,
                         buffer.data.get() + static_cast<std::ptrdiff_t>(i) * width);
        } else if (width == 1) {
            buffer.data[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(128 + sample / 8);
        } else {
            const auto value = static_cast<std::uint16_t>(sample);
            buffer.data[static_cast<std::size_t>(2 * i)] = static_cast<std::uint8_t>(value);
            buffer.data[static_cast<std::size_t>(2 * i + 1)] =
                static_cast<std::uint8_t>(value >> 8);
        }
    }
    return buffer;
}

const WaveFormat kStereo16{2, 44100, 16};
const WaveFormat kMono8{1, 44100, 8};

void anyFrameAboveNoneLoud(benchmark::State& state, WaveFormat format) {
    const SampleBuffer buffer = oneSecond(format);
    for (auto _ : state) {
        benchmark::DoNotOptimize(sundra::anyFrameAbove(buffer, 0.5));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * buffer.used);
}

void channelPeakOfChannel(benchmark::State& state, WaveFormat format, std::int32_t channel) {
    const SampleBuffer buffer = oneSecond(format);
    for (auto _ : state) {
        benchmark::DoNotOptimize(sundra::channelPeak(buffer, channel));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * buffer.used);
}

void blockLevelOf(benchmark::State& state, WaveFormat format) {
    const SampleBuffer buffer = oneSecond(format);
    for (auto _ : state) {
        benchmark::DoNotOptimize(sundra::blockLevel(buffer));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * buffer.used);
}

BENCHMARK_CAPTURE(anyFrameAboveNoneLoud, stereo16, kStereo16);
BENCHMARK_CAPTURE(anyFrameAboveNoneLoud, mono8, kMono8);
BENCHMARK_CAPTURE(channelPeakOfChannel, stereo16_left, kStereo16, 0);
BENCHMARK_CAPTURE(channelPeakOfChannel, stereo16_right, kStereo16, 1);
BENCHMARK_CAPTURE(channelPeakOfChannel, mono8, kMono8, 0);
BENCHMARK_CAPTURE(blockLevelOf, stereo16, kStereo16);
BENCHMARK_CAPTURE(anyFrameAboveNoneLoud, stereo24_96k, (WaveFormat{2, 96000, 24}));
BENCHMARK_CAPTURE(channelPeakOfChannel, stereo24_96k_right, (WaveFormat{2, 96000, 24}), 1);
BENCHMARK_CAPTURE(anyFrameAboveNoneLoud, stereo_float32,
                  (WaveFormat{2, 44100, 32, sundra::SampleEncoding::Float}));
BENCHMARK_CAPTURE(anyFrameAboveNoneLoud, stereo_float64,
                  (WaveFormat{2, 44100, 64, sundra::SampleEncoding::Float}));
BENCHMARK_CAPTURE(anyFrameAboveNoneLoud, mono_float32,
                  (WaveFormat{1, 44100, 32, sundra::SampleEncoding::Float}));
// Three channels: a block's level is a scan of all its samples, whatever the
// channel count.
BENCHMARK_CAPTURE(anyFrameAboveNoneLoud, three_channels16, (WaveFormat{3, 44100, 16}));

} // namespace

BENCHMARK_MAIN();
