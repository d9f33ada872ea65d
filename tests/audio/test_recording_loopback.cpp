// A recording through the real default sound device: the capture loop records
// the default input into a WAV file while a tone plays on the default output.
// The test script's sound server loops its output back to its input, so the
// tone must be in the file at the level it was played. Without a sound device
// the test skips, unless SUNDRA_REQUIRE_SOUND_DEVICE is set.

#include "audio/capture_loop.h"
#include "audio/portaudio_port.h"
#include "audio/waitable.h"
#include "audio/wave_in_device.h"
#include "audio/wave_out_device.h"
#include "core/units.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <thread>
#include <vector>

namespace sundra {
namespace {

constexpr double kAmplitude = 0.5;
constexpr double kToneHz = 440.0;
constexpr int kHeaderBytes = 44;

bool soundDeviceRequired() {
    const char* value = std::getenv("SUNDRA_REQUIRE_SOUND_DEVICE");
    return value != nullptr && *value != '\0' && std::strcmp(value, "0") != 0;
}

std::vector<std::uint8_t> stereoTone(double seconds) {
    const WaveFormat format;
    const auto frames = static_cast<int>(seconds * format.samplesPerSecond);
    std::vector<std::int16_t> samples;
    for (int i = 0; i < frames; ++i) {
        const double phase = 2.0 * std::numbers::pi * kToneHz * i / format.samplesPerSecond;
        const auto value =
            static_cast<std::int16_t>(std::lround(kAmplitude * 32767.0 * std::sin(phase)));
        samples.push_back(value);
        samples.push_back(value);
    }
    return test::pcm16(samples);
}

// The stop request of the test: it tells when the loop polls for the first
// time (the device is recording by then) and reads as set once the tone has
// played and half a second more has been recorded.
class StopAfterTheTone : public Event {
public:
    bool lock(std::uint32_t) override {
        recording_.set();
        if (toneEnded_.lock(0)) {
            return ++blocksAfterTone_ > 8;
        }
        return false;
    }
    bool unlock() override { return true; }
    bool set() override { return true; }
    bool reset() override { return true; }
    bool pulse() override { return true; }

    KernelEvent recording_{false, true};
    KernelEvent toneEnded_{false, true};

private:
    int blocksAfterTone_ = 0;
};

TEST(RecordingLoopback, TonePlayedWhileRecordingIsInTheFileAtItsLevel) {
    if (!portAudioHasOutputDevice() || !portAudioHasInputDevice()) {
        if (soundDeviceRequired())
            FAIL() << "no default sound output and input, but SUNDRA_REQUIRE_SOUND_DEVICE is set";
        GTEST_SKIP() << "no sound device";
    }
    test::TempDir folder;
    const std::string path = folder.file("loopback.wav");
    auto writer = std::make_unique<WaveFileWriter>(
        WaveFormat{},
        std::make_unique<FileByteStream>(std::make_unique<File>(
            path, File::Access::ReadWrite, File::Share::Exclusive, File::Disposition::Create)));
    CaptureLoop loop(*writer, RecordSettings{}, [](const WaveFormat& format, int perSecond) {
        return std::make_unique<WaveInDevice>(format, perSecond, std::make_unique<PortAudioPort>());
    });
    loop.startWriting();
    StopAfterTheTone stop;
    std::atomic<int> result{-1};
    std::thread worker([&] { result = loop.run(stop, Notifier::none()); });
    if (!stop.recording_.lock(10000)) {
        stop.toneEnded_.set();
        worker.join();
        FAIL() << "the capture loop did not start";
    }

    const std::vector<std::uint8_t> tone = stereoTone(1.5);
    {
        WaveOutDevice output(WaveFormat{}, 32, std::make_unique<PortAudioPort>());
        for (std::size_t at = 0; at < tone.size(); at += output.bufferBytes()) {
            const auto count = std::min<std::size_t>(output.bufferBytes(), tone.size() - at);
            output.write(tone.data() + at, static_cast<std::int32_t>(count));
        }
    } // closing waits until the tone has played
    stop.toneEnded_.set();
    worker.join();
    ASSERT_EQ(result.load(), 0) << "the recording failed (see the reported error)";
    writer.reset();

    const test::Bytes wav = test::readBytes(path);
    ASSERT_GT(wav.size(), static_cast<std::size_t>(kHeaderBytes));
    const std::uint32_t dataBytes = test::get32(wav, 40);
    EXPECT_EQ(dataBytes, wav.size() - kHeaderBytes);
    EXPECT_EQ(dataBytes % 11028, 0u) << "whole blocks";

    // Block by block, the meters' level of each channel; the played tone's own
    // level is the reference.
    SampleBuffer played(WaveFormat{}, static_cast<std::int32_t>(tone.size()));
    std::memcpy(played.data.get(), tone.data(), tone.size());
    const double playedLevel = channelPeak(played, 0);
    SampleBuffer block(WaveFormat{}, 11028);
    int toneBlocks = 0;
    double recordedLevel = 0.0;
    for (std::size_t at = kHeaderBytes; at + 11028 <= wav.size(); at += 11028) {
        std::memcpy(block.data.get(), wav.data() + at, 11028);
        const double level = std::min(channelPeak(block, 0), channelPeak(block, 1));
        recordedLevel = std::max(recordedLevel, level);
        if (level > 0.9 * playedLevel)
            ++toneBlocks;
    }
    std::printf("tone level %.5f, recorded %.5f, %d blocks of 1/16 s hold the tone\n", playedLevel,
                recordedLevel, toneBlocks);
    EXPECT_NEAR(recordedLevel, playedLevel, 0.05 * playedLevel);
    // 1.5 s of tone are 24 blocks; allow for the partial blocks at either end.
    EXPECT_GE(toneBlocks, 20);
    EXPECT_LE(toneBlocks, 26);
}

} // namespace
} // namespace sundra
