// What the sound device is given: 64-bit float sources reach it as 32-bit
// floats, frame for frame, through the play loop and a shot play; every other
// format reaches it byte for byte. Runs under ThreadSanitizer too.

#include "audio/playback_tasks.h"
#include "audio/test_sound_port.h"
#include "audio/wave_out_device.h"
#include "audio/worker_thread.h"
#include "core/playback_context.h"
#include "core/units.h"
#include "tests/core/memory_stream.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace sundra {
namespace {

using Bytes = TestSoundScript::Bytes;
constexpr SampleEncoding kFloat = SampleEncoding::Float;

// Samples beyond full scale, beyond the range of a single, tiny, and not
// numbers, mixed into a slow ramp so that every frame differs; each with the
// single the device must get: the nearest one, beyond the largest single
// (FLT_MAX) by half its step (2^103) or more an infinity.
struct Special {
    double sample;
    float single;
};

const std::vector<Special>& specials() {
    const double inf = std::numeric_limits<double>::infinity();
    const float finf = std::numeric_limits<float>::infinity();
    const double largest = FLT_MAX;
    static const std::vector<Special> table{
        {1.5, 1.5f},
        {-2.75, -2.75f},
        {1e39, finf},
        {-1e300, -finf},
        {largest + 0x1p102, FLT_MAX},
        {-(largest + 0x1p103), -finf},
        {1e-45, 1e-45f},
        {0.1, 0.1f},
        {inf, finf},
        {-inf, -finf},
        {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<float>::quiet_NaN()},
        {-0.0, -0.0f},
    };
    return table;
}

double rampAt(std::size_t i) {
    return (static_cast<double>(i) - 900.0) / 712.0;
}

std::vector<double> testSamples(std::size_t count) {
    std::vector<double> samples(count);
    for (std::size_t i = 0; i < count; ++i)
        samples[i] = i % 7 == 0 ? specials()[(i / 7) % specials().size()].sample : rampAt(i);
    return samples;
}

Bytes asSingles(const std::vector<double>&, std::size_t first, std::size_t count) {
    Bytes bytes(count * sizeof(float));
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = first + i;
        const float single = at % 7 == 0 ? specials()[(at / 7) % specials().size()].single
                                         : static_cast<float>(rampAt(at));
        std::memcpy(bytes.data() + i * sizeof single, &single, sizeof single);
    }
    return bytes;
}

TEST(DeviceSamples, SixtyFourBitFloatsPlayAsTheNearestSinglesFrameForFrame) {
    for (const int channels : {1, 2}) {
        SCOPED_TRACE(channels);
        const WaveFormat source{channels, 8000, 64, kFloat};
        constexpr std::int32_t kFrames = 1100; // four blocks of 250 frames and a part
        const auto sampleCount = static_cast<std::size_t>(kFrames * channels);
        const std::vector<double> samples = testSamples(sampleCount);
        auto master = std::make_unique<test::MemoryStream>(source);
        master->write(samples.data(), static_cast<std::int32_t>(sampleCount * sizeof(double)));

        auto script = std::make_shared<TestSoundScript>();
        PlaybackContext playback(std::move(master), [&](const WaveFormat& format) {
            return std::make_unique<WaveOutDevice>(format, PlaybackContext::kBuffersPerSecond,
                                                   std::make_unique<TestSoundPort>(script));
        });
        EXPECT_EQ(script->openedFormat(), (WaveFormat{channels, 8000, 32, kFloat}));
        EXPECT_EQ(playback.device().format(), source);
        const auto& device = dynamic_cast<const WaveOutDevice&>(playback.device());
        EXPECT_EQ(device.bufferBytes(), 250 * 8 * channels);
        EXPECT_EQ(device.storageBytes(), 4 * 250 * 4 * channels);

        // The play command's loop over the whole track.
        TrackSegment track(playback.master(), 0, kFrames);
        {
            std::lock_guard guard(playback);
            playback.setRange(track);
            track.seek(0);
            while (readIntoBuffer(track, playback.buffer()) > 0) {
                ASSERT_EQ(writeBuffer(playback.device(), playback.buffer()), 0);
                script->completeAll();
            }
            EXPECT_EQ(track.tell(), kFrames);
            EXPECT_EQ(track.tell(), track.length());
        }
        const Bytes whole = asSingles(samples, 0, sampleCount);
        ASSERT_EQ(script->played().size(), whole.size());
        EXPECT_EQ(script->played(), whole) << "bit for bit, NaN included";

        // The shot before a mark at frame 600, on the worker, while this thread
        // plays the buffers out.
        {
            std::lock_guard guard(playback);
            track.seek(600);
        }
        ShotPlayTask shot(playback, ShotPlayTask::excerptOf(track, ShotKind::ToMark, 400));
        WorkerThread worker;
        ASSERT_TRUE(worker.start(shot));
        while (!worker.wait(0)) {
            if (script->waitForQueued(1, std::chrono::milliseconds(10)))
                script->completeAll();
        }
        script->completeAll();
        Bytes expected = whole;
        const Bytes excerpt =
            asSingles(samples, 200 * static_cast<std::size_t>(channels), 400u * channels);
        expected.insert(expected.end(), excerpt.begin(), excerpt.end());
        EXPECT_EQ(script->played(), expected);
        std::lock_guard guard(playback);
        EXPECT_EQ(track.tell(), 600);
        playback.setRangeDefault();
    }
}

TEST(DeviceSamples, EveryOtherFormatReachesTheDeviceByteForByte) {
    const WaveFormat formats[] = {{1, 8000, 8},   {2, 44100, 16},         {2, 96000, 24},
                                  {1, 48000, 32}, {2, 44100, 32, kFloat}, {6, 48000, 32, kFloat}};
    for (const WaveFormat& format : formats) {
        SCOPED_TRACE(testing::Message() << format.channels << " x " << format.bitsPerSample);
        auto script = std::make_shared<TestSoundScript>();
        WaveOutDevice device(format, 32, std::make_unique<TestSoundPort>(script));
        EXPECT_EQ(script->openedFormat(), format);
        EXPECT_EQ(device.bufferBytes(), blockBytes(format, 32));
        EXPECT_EQ(device.storageBytes(), 4 * device.bufferBytes());
        Bytes block(static_cast<std::size_t>(device.bufferBytes()));
        for (std::size_t i = 0; i < block.size(); ++i)
            block[i] = static_cast<std::uint8_t>(i * 37 + 11);
        ASSERT_EQ(device.write(block.data(), device.bufferBytes()), 0);
        // A part of a frame, as it comes.
        ASSERT_EQ(device.write(block.data(), 3), 0);
        EXPECT_EQ(script->queuedData(),
                  (std::vector<Bytes>{block, Bytes(block.begin(), block.begin() + 3)}));
        script->completeAll();
    }
}

} // namespace
} // namespace sundra
