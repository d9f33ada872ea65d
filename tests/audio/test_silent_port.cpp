// The silent port: real-time pacing of output, silence on input, and reset.

#include "audio/silent_port.h"
#include "audio/wave_in_device.h"
#include "audio/wave_out_device.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <vector>

namespace sundra {
namespace {

using Clock = std::chrono::steady_clock;

TEST(SilentPort, PlaysOneSecondOfWritesInAboutOneSecond) {
    const WaveFormat format{2, 44100, 16};
    const std::vector<std::uint8_t> block(5512, 0x10);
    const auto before = Clock::now();
    {
        WaveOutDevice device(format, 32, std::make_unique<SilentPort>());
        // 32 blocks of 1378 frames: exactly one second.
        for (int i = 0; i < 32; ++i)
            ASSERT_EQ(device.write(block.data(), 5512), 0);
    } // closing waits for the last buffers
    const double seconds = std::chrono::duration<double>(Clock::now() - before).count();
    EXPECT_GT(seconds, 0.8);
    EXPECT_LT(seconds, 3.0);
}

TEST(SilentPort, PlaysSixtyFourBitFloatsThroughTheDevice) {
    // 64-bit floats reach the port as 32-bit floats, which it takes as a real
    // device does; a 64-bit format of its own it refuses, as a real device does.
    const WaveFormat format{2, 8000, 64, SampleEncoding::Float};
    {
        WaveOutDevice device(format, 32, std::make_unique<SilentPort>());
        const std::vector<std::uint8_t> block(static_cast<std::size_t>(device.bufferBytes()));
        for (int i = 0; i < 3; ++i)
            ASSERT_EQ(device.write(block.data(), device.bufferBytes()), 0);
    } // closing waits for the last buffers
    SilentPort port;
    EXPECT_FALSE(port.open(format, SoundDirection::Output, nullptr));
}

TEST(SilentPort, RecordsSilenceInWholeBuffers) {
    for (const int bits : {8, 16}) {
        SCOPED_TRACE(bits);
        const WaveFormat format{1, 8000, bits};
        WaveInDevice device(format, 16, std::make_unique<SilentPort>());
        ASSERT_TRUE(device.isOpen());
        std::vector<std::uint8_t> block(static_cast<std::size_t>(device.bufferBytes()), 0xAA);
        for (int i = 0; i < 3; ++i)
            ASSERT_EQ(device.read(block.data(), device.bufferBytes()), device.bufferBytes());
        const std::uint8_t silence = bits == 8 ? 0x80 : 0x00;
        EXPECT_EQ(block, std::vector<std::uint8_t>(block.size(), silence));
    }
}

TEST(SilentPort, ResetReturnsEveryQueuedBufferAtOnce) {
    SilentPort port;
    std::atomic<int> completions{0};
    ASSERT_TRUE(port.open(WaveFormat{2, 44100, 16}, SoundDirection::Output,
                          [&] { completions.fetch_add(1); }));
    ASSERT_TRUE(port.start());
    // Ten seconds of sound in each buffer: none completes by itself in time.
    std::vector<std::uint8_t> storage(2 * 1764000);
    SoundBuffer first{storage.data(), 1764000, 0};
    SoundBuffer second{storage.data() + 1764000, 1764000, 0};
    ASSERT_EQ(port.queue(first), kSoundOk);
    ASSERT_EQ(port.queue(second), kSoundOk);
    EXPECT_EQ(port.queue(first), kSoundAlreadyQueued);
    EXPECT_TRUE(port.isQueued(second));

    port.reset();
    EXPECT_EQ(completions.load(), 2);
    EXPECT_FALSE(port.isQueued(first));
    EXPECT_FALSE(port.isQueued(second));
    port.waitUntilPlayed(); // nothing left: returns at once
    port.close();
    EXPECT_EQ(port.queue(first), kSoundNotOpen);
    EXPECT_FALSE(port.open(WaveFormat{2, 44100, 12}, SoundDirection::Output, nullptr));
}

} // namespace
} // namespace sundra
