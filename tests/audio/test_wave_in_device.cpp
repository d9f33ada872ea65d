// WaveInDevice over the scripted port: whole buffers per read, the bounded
// wait, a failed open, and the reset that must come before the buffers go.

#include "audio/test_sound_port.h"
#include "audio/wave_in_device.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <vector>

namespace sundra {
namespace {

using Bytes = TestSoundScript::Bytes;
using std::chrono::milliseconds;

const WaveFormat kRecordFormat{2, 44100, 16};

std::unique_ptr<WaveInDevice> openDevice(const std::shared_ptr<TestSoundScript>& script,
                                         const WaveFormat& format = kRecordFormat) {
    return std::make_unique<WaveInDevice>(format, 16, std::make_unique<TestSoundPort>(script));
}

Bytes countingBytes(std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    return bytes;
}

TEST(WaveInDevice, EachReadReturnsOneSixteenthSecondInOrder) {
    auto script = std::make_shared<TestSoundScript>();
    const Bytes fed = countingBytes(11028 * 5 + 100);
    script->feedBytes(fed);
    auto device = openDevice(script);
    ASSERT_TRUE(device->isOpen());
    EXPECT_EQ(device->bufferBytes(), 11028);
    EXPECT_EQ(script->openedDirection(), SoundDirection::Input);

    Bytes recorded;
    std::vector<std::uint8_t> block(11028);
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(device->read(block.data(), 11028), 11028) << "read " << i;
        recorded.insert(recorded.end(), block.begin(), block.end());
    }
    EXPECT_EQ(recorded, Bytes(fed.begin(), fed.begin() + 11028 * 5));
    // The last 100 bytes come as a short buffer.
    EXPECT_EQ(device->read(block.data(), 11028), 100);
    EXPECT_TRUE(std::equal(block.begin(), block.begin() + 100, fed.end() - 100));
}

TEST(WaveInDevice, RecordsTheSamplesOfAWavFileAndNeverOverrunsASmallBuffer) {
    test::TempDir dir;
    const std::string path = dir.file("microphone.wav");
    test::writeRunsWav(path, kRecordFormat, {{2000, 1000}, {4000, -1000}, {100, 5}});
    auto script = std::make_shared<TestSoundScript>();
    script->feedWavFile(path);
    auto device = openDevice(script);

    std::vector<std::uint8_t> block(11028);
    ASSERT_EQ(device->read(block.data(), 11028), 11028);
    EXPECT_EQ(test::get16(block, 0), 1000);
    EXPECT_EQ(test::get16(block, 1999 * 4 + 2), 1000);
    EXPECT_EQ(test::get16(block, 2000 * 4), static_cast<std::uint16_t>(-1000));
    EXPECT_EQ(test::get16(block, 11024), static_cast<std::uint16_t>(-1000));

    // A buffer shorter than a device buffer gets only what fits.
    std::vector<std::uint8_t> small(64);
    EXPECT_EQ(device->read(small.data(), 64), 64);
    EXPECT_EQ(test::get16(small, 0), static_cast<std::uint16_t>(-1000));
}

TEST(WaveInDevice, ReadTimesOutAfterHalfASecondWhenNothingWasRecorded) {
    auto script = std::make_shared<TestSoundScript>();
    script->setInputStalled(true);
    script->feedBytes(countingBytes(11028));
    auto device = openDevice(script);
    std::vector<std::uint8_t> block(11028);
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(device->read(block.data(), 11028), 0);
    EXPECT_GE(std::chrono::steady_clock::now() - before, milliseconds(450));

    // Sound that arrives later is read normally.
    script->setInputStalled(false);
    EXPECT_EQ(device->read(block.data(), 11028), 11028);
}

TEST(WaveInDevice, FailedOpenIsSilentAndEveryReadTimesOut) {
    auto script = std::make_shared<TestSoundScript>();
    script->setFailOpen(true);
    script->feedBytes(countingBytes(11028 * 4));
    auto device = openDevice(script);
    EXPECT_FALSE(device->isOpen());
    std::vector<std::uint8_t> block(11028);
    for (int i = 0; i < 2; ++i) {
        const auto before = std::chrono::steady_clock::now();
        EXPECT_EQ(device->read(block.data(), 11028), 0);
        EXPECT_GE(std::chrono::steady_clock::now() - before, milliseconds(450));
    }
    device.reset();
    EXPECT_EQ(script->closes(), 0);
}

TEST(WaveInDevice, CloseResetsThePortBeforeReleasingItsBuffers) {
    auto script = std::make_shared<TestSoundScript>();
    script->setInputStalled(true);
    WaveFormat format{1, 8000, 8};
    auto device = openDevice(script, format);
    format.bitsPerSample = 16; // the device keeps its own copy
    EXPECT_EQ(device->format(), (WaveFormat{1, 8000, 8}));
    EXPECT_EQ(device->tell(), 0);
    EXPECT_EQ(device->length(), 0);
    // Both buffers are queued from the start.
    ASSERT_TRUE(script->waitForQueued(2, milliseconds(5000)));
    EXPECT_EQ(script->queuedBytes(), (std::vector<std::int32_t>{500, 500}));

    device.reset();
    EXPECT_EQ(script->resets(), 1);
    EXPECT_EQ(script->closes(), 1);
    // Nothing was still lent to the port when it closed.
    EXPECT_EQ(script->queuedAtClose(), 0);
}

} // namespace
} // namespace sundra
