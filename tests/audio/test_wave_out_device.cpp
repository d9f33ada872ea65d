// WaveOutDevice over the scripted port: buffer sizes, the bounded wait for a
// free buffer, empty and oversized blocks, close draining the queue, and the
// failed open.

#include "audio/sound_system.h"
#include "audio/test_sound_port.h"
#include "audio/wave_out_device.h"
#include "core/exception.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace sundra {
namespace {

using Bytes = TestSoundScript::Bytes;
using std::chrono::milliseconds;

const WaveFormat kCdFormat{2, 44100, 16};

std::unique_ptr<WaveOutDevice> openDevice(const std::shared_ptr<TestSoundScript>& script,
                                          const WaveFormat& format = kCdFormat,
                                          std::int32_t buffersPerSecond = 32) {
    return std::make_unique<WaveOutDevice>(format, buffersPerSecond,
                                           std::make_unique<TestSoundPort>(script));
}

Bytes block(std::size_t size, std::uint8_t fill) {
    return Bytes(size, fill);
}

TEST(WaveOutDevice, BuffersAreOneNthSecondInWholeFrames) {
    auto script = std::make_shared<TestSoundScript>();
    {
        auto device = openDevice(script);
        EXPECT_EQ(device->bufferBytes(), 5512);
        EXPECT_EQ(device->storageBytes(), 22048);
        const Bytes full = block(5512, 0x11);
        EXPECT_EQ(device->write(full.data(), 5512), 0);
        EXPECT_EQ(script->queuedBytes(), std::vector<std::int32_t>{5512});
        EXPECT_EQ(script->openedDirection(), SoundDirection::Output);
        EXPECT_EQ(script->starts(), 1);
        script->completeAll();
    }
    auto sixteenth = openDevice(script, kCdFormat, 16);
    EXPECT_EQ(sixteenth->bufferBytes(), 11028);
    sixteenth.reset();
    auto phone = openDevice(script, WaveFormat{1, 8000, 8}, 32);
    EXPECT_EQ(phone->bufferBytes(), 250);
    EXPECT_EQ(phone->storageBytes(), 1000);
}

TEST(WaveOutDevice, WriteWithAllBuffersBusyWaitsHalfASecondAndDropsTheBlock) {
    auto script = std::make_shared<TestSoundScript>();
    auto device = openDevice(script);
    std::vector<Bytes> blocks;
    for (std::uint8_t i = 1; i <= 4; ++i) {
        blocks.push_back(block(5512, i));
        EXPECT_EQ(device->write(blocks.back().data(), 5512), 0);
    }
    ASSERT_EQ(script->queuedData(), blocks);

    const Bytes dropped = block(5512, 0xEE);
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(device->write(dropped.data(), 5512), 0);
    const auto waited = std::chrono::steady_clock::now() - before;
    EXPECT_GE(waited, milliseconds(450));
    // Nothing queued and no queued buffer overwritten.
    EXPECT_EQ(script->queuedData(), blocks);

    // Once the oldest buffer has played, the next block goes into it.
    ASSERT_TRUE(script->completeNext());
    const Bytes fifth = block(100, 5);
    EXPECT_EQ(device->write(fifth.data(), 100), 0);
    const std::vector<Bytes> expected{blocks[1], blocks[2], blocks[3], fifth};
    EXPECT_EQ(script->queuedData(), expected);
    EXPECT_EQ(script->played(), blocks[0]);
    script->completeAll();
}

TEST(WaveOutDevice, ZeroByteWriteQueuesAnEmptyBufferAndRefusalsAreReported) {
    auto script = std::make_shared<TestSoundScript>();
    auto device = openDevice(script);
    EXPECT_EQ(device->write(nullptr, 0), 0);
    EXPECT_EQ(script->queuedBytes(), std::vector<std::int32_t>{0});

    script->refuseNextQueue(kSoundDeviceError);
    const Bytes some = block(64, 7);
    EXPECT_EQ(device->write(some.data(), 64), kSoundDeviceError);
    EXPECT_EQ(script->queuedCount(), 1);

    // A block longer than a device buffer would overrun it: refused at once.
    const Bytes tooLong = block(5513, 9);
    EXPECT_EQ(device->write(tooLong.data(), 5513), kSoundInvalidBuffer);
    EXPECT_EQ(device->write(some.data(), -1), kSoundInvalidBuffer);
    EXPECT_EQ(script->queuedCount(), 1);
    script->completeAll();
}

TEST(WaveOutDevice, CloseReturnsOnlyAfterTheQueuedBuffersHavePlayed) {
    for (const bool portTellsWhenPlayed : {true, false}) {
        SCOPED_TRACE(portTellsWhenPlayed ? "waiting port" : "polled port");
        auto script = std::make_shared<TestSoundScript>();
        script->setCanWaitUntilPlayed(portTellsWhenPlayed);
        auto device = openDevice(script);
        const Bytes sound = block(5512, 0x42);
        for (int i = 0; i < 4; ++i)
            ASSERT_EQ(device->write(sound.data(), 5512), 0);

        bool sawDrain = false;
        int completedByPlayer = 0;
        std::thread player([&] {
            sawDrain = script->waitForDrainRequest(milliseconds(10000));
            completedByPlayer = script->completeAll();
        });
        device.reset();
        player.join();

        EXPECT_TRUE(sawDrain);
        EXPECT_EQ(completedByPlayer, 4);
        EXPECT_EQ(script->closes(), 1);
        EXPECT_EQ(script->queuedAtClose(), 0);
        EXPECT_EQ(script->played().size(), 4u * 5512u);
    }
}

TEST(WaveOutDevice, IsANullStreamWithItsOwnFormat) {
    auto script = std::make_shared<TestSoundScript>();
    WaveFormat format{1, 22050, 8};
    auto device = openDevice(script, format);
    format.channels = 2; // the device keeps its own copy
    EXPECT_EQ(device->format(), (WaveFormat{1, 22050, 8}));
    EXPECT_EQ(script->openedFormat(), (WaveFormat{1, 22050, 8}));
    device->seek(1000);
    EXPECT_EQ(device->tell(), 0);
    EXPECT_EQ(device->length(), 0);
    EXPECT_EQ(device->truncate(10), 0);
    EXPECT_EQ(device->absoluteStart(), 0);
    EXPECT_EQ(device->absoluteEnd(), 0);
}

TEST(WaveOutDevice, FailedOpenThrowsTheProgramsException) {
    auto script = std::make_shared<TestSoundScript>();
    script->setFailOpen(true);
    try {
        openDevice(script);
        FAIL() << "no exception";
    } catch (const Exception& error) {
        EXPECT_STREQ(error.what(), "Can't open waveout port");
    }
    EXPECT_EQ(script->opens(), 0);

    // A format without whole bytes per sample has no buffer size.
    auto accepting = std::make_shared<TestSoundScript>();
    EXPECT_THROW(openDevice(accepting, WaveFormat{2, 44100, 4}), Exception);
    EXPECT_THROW(openDevice(accepting, kCdFormat, 0), Exception);
}

TEST(WaveOutDevice, UsesTheProcessWidePortChoice) {
    auto script = std::make_shared<TestSoundScript>();
    {
        ScopedSoundPortFactory useScript(
            [script] { return std::make_unique<TestSoundPort>(script); });
        WaveOutDevice device(kCdFormat, 32);
        EXPECT_EQ(script->opens(), 1);
    }
    // The scoped choice is gone: a new factory replaces the default (empty) one.
    auto previous = setSoundPortFactory(nullptr);
    EXPECT_FALSE(previous);
}

} // namespace
} // namespace sundra
