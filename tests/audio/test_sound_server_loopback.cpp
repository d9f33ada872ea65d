// Plays a tone through WaveOutDevice on the real default sound device while
// WaveInDevice records the default input. The test script runs a sound server
// whose default input is the monitor of its output, so the tone must come back
// at the level it was played, and playing must keep real time. Without a sound
// device the test skips, unless SUNDRA_REQUIRE_SOUND_DEVICE is set (the test
// script sets it, so that a broken server fails instead of hiding).

#include "audio/portaudio_port.h"
#include "audio/silent_port.h"
#include "audio/sound_system.h"
#include "audio/waitable.h"
#include "audio/wave_in_device.h"
#include "audio/wave_out_device.h"
#include "core/sample_buffer.h"
#include "core/units.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

namespace sundra {
namespace {

const WaveFormat kFormat{2, 44100, 16};
constexpr double kToneHz = 1000.0;
constexpr double kAmplitude = 0.5;

bool soundDeviceRequired() {
    const char* value = std::getenv("SUNDRA_REQUIRE_SOUND_DEVICE");
    return value != nullptr && *value != '\0' && std::strcmp(value, "0") != 0;
}

// A stereo sine of kToneHz at kAmplitude, as 16-bit samples.
std::vector<std::uint8_t> tone(double seconds) {
    const auto frames = static_cast<int>(seconds * kFormat.samplesPerSecond);
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < frames; ++i) {
        const double phase = 2.0 * std::numbers::pi * kToneHz * i / kFormat.samplesPerSecond;
        const auto value =
            static_cast<std::int16_t>(std::lround(kAmplitude * 32767.0 * std::sin(phase)));
        for (int c = 0; c < 2; ++c) {
            bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
            bytes.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
        }
    }
    return bytes;
}

SampleBuffer bufferOf(const std::vector<std::uint8_t>& bytes) {
    SampleBuffer buffer(kFormat, static_cast<std::int32_t>(bytes.size()));
    std::memcpy(buffer.data.get(), bytes.data(), bytes.size());
    return buffer;
}

std::int16_t sampleAt(const std::vector<std::uint8_t>& bytes, std::size_t frame, int channel) {
    const std::size_t at = frame * 4 + static_cast<std::size_t>(channel) * 2;
    return static_cast<std::int16_t>(bytes[at] | (bytes[at + 1] << 8));
}

// Records blocks on its own thread (the device belongs to the thread that
// reads it) until some blocks after the end of playback have come in.
class Recorder {
public:
    void run() {
        WaveInDevice device(kFormat, 16, std::make_unique<PortAudioPort>());
        opened_ = device.isOpen();
        ready_.set();
        int blocksAfterEnd = 0;
        std::vector<std::uint8_t> block(static_cast<std::size_t>(device.bufferBytes()));
        // A stalled input gives up after 200 reads (100 s) at most.
        for (int i = 0; opened_ && i < 200 && blocksAfterEnd < 8; ++i) {
            const std::int32_t got = device.read(block.data(), device.bufferBytes());
            if (got == 0) {
                ++timeouts_;
                continue;
            }
            blocks_.emplace_back(block.begin(), block.begin() + got);
            if (playbackEnded_.lock(0))
                ++blocksAfterEnd;
        }
    }

    KernelEvent ready_{false, true};
    KernelEvent playbackEnded_{false, true};
    bool opened_ = false;
    int timeouts_ = 0;
    std::vector<std::vector<std::uint8_t>> blocks_;
};

// Starting PortAudio probes every sound system on the machine (ALSA plugins,
// JACK), and those print to standard error; none of it may reach the user.
// Runs first, before anything in this process has started PortAudio.
TEST(SoundServerLoopback, StartingAndOpeningPortAudioPrintsNothing) {
    std::FILE* capture = std::tmpfile();
    ASSERT_NE(capture, nullptr);
    std::fflush(stderr);
    const int saved = ::dup(STDERR_FILENO);
    ASSERT_GE(saved, 0);
    ASSERT_GE(::dup2(::fileno(capture), STDERR_FILENO), 0);

    const bool hasOutput = portAudioHasOutputDevice();
    const bool hasInput = portAudioHasInputDevice();
    // A format no device plays, and the usual one.
    PortAudioPort refused;
    const bool refusedOpened =
        refused.open(WaveFormat{2, 44100, 12}, SoundDirection::Output, nullptr);
    PortAudioPort usual;
    const bool usualOpened = usual.open(kFormat, SoundDirection::Input, nullptr);
    usual.close();

    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    std::string printed;
    std::rewind(capture);
    for (int c; (c = std::fgetc(capture)) != EOF;)
        printed += static_cast<char>(c);
    std::fclose(capture);

    EXPECT_EQ(printed, "");
    EXPECT_FALSE(refusedOpened);
    EXPECT_EQ(usualOpened, hasInput);
    if (soundDeviceRequired()) {
        EXPECT_TRUE(hasOutput);
        EXPECT_TRUE(hasInput);
    }
}

// SUNDRA_AUDIO chooses the port; by default PortAudio, unless it finds no sound
// device at all, when the program falls back to the silent port.
TEST(SoundPortChoice, FollowsSundraAudioAndFallsBackToSilenceWithoutADevice) {
    const char* saved = std::getenv("SUNDRA_AUDIO");
    const std::string previous = saved != nullptr ? saved : "";

    setenv("SUNDRA_AUDIO", "silent", 1);
    EXPECT_NE(dynamic_cast<SilentPort*>(makeSoundPort().get()), nullptr);
    setenv("SUNDRA_AUDIO", "portaudio", 1);
    EXPECT_NE(dynamic_cast<PortAudioPort*>(makeSoundPort().get()), nullptr);

    unsetenv("SUNDRA_AUDIO");
    const bool anyDevice = portAudioHasOutputDevice() || portAudioHasInputDevice();
    const std::unique_ptr<SoundPort> chosen = makeSoundPort();
    if (anyDevice)
        EXPECT_NE(dynamic_cast<PortAudioPort*>(chosen.get()), nullptr);
    else
        EXPECT_NE(dynamic_cast<SilentPort*>(chosen.get()), nullptr);
    // Whatever was chosen plays: on the machine without sound, silently.
    EXPECT_NO_THROW(WaveOutDevice(kFormat, 32, makeSoundPort()));

    if (saved != nullptr)
        setenv("SUNDRA_AUDIO", previous.c_str(), 1);
}

TEST(SoundServerLoopback, RecordedToneHasThePlayedLevelAndPlaybackKeepsRealTime) {
    if (!portAudioHasOutputDevice() || !portAudioHasInputDevice()) {
        if (soundDeviceRequired())
            FAIL() << "no default sound output and input, but SUNDRA_REQUIRE_SOUND_DEVICE is set";
        GTEST_SKIP() << "no sound device";
    }

    Recorder recorder;
    std::thread recording([&] { recorder.run(); });
    ASSERT_TRUE(recorder.ready_.lock(10000));

    const std::vector<std::uint8_t> played = tone(2.0);
    double playSeconds = 0.0;
    {
        auto device =
            std::make_unique<WaveOutDevice>(kFormat, 32, std::make_unique<PortAudioPort>());
        const auto blockBytes = static_cast<std::size_t>(device->bufferBytes());
        const auto before = std::chrono::steady_clock::now();
        for (std::size_t at = 0; at < played.size(); at += blockBytes) {
            const std::size_t count = std::min(blockBytes, played.size() - at);
            device->write(played.data() + at, static_cast<std::int32_t>(count));
        }
        device.reset(); // closing waits until everything has played
        playSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - before).count();
    }
    recorder.playbackEnded_.set();
    recording.join();
    ASSERT_TRUE(recorder.opened_);

    // The level the program shows for what it played.
    const SampleBuffer playedBuffer = bufferOf(played);
    const double playedLevel = channelPeak(playedBuffer, 0);

    // The loudest recorded level, and the blocks that hold the tone throughout.
    double recordedLevel = 0.0;
    std::vector<std::size_t> toneBlocks;
    for (std::size_t b = 0; b < recorder.blocks_.size(); ++b) {
        const SampleBuffer buffer = bufferOf(recorder.blocks_[b]);
        const double level = std::max(channelPeak(buffer, 0), channelPeak(buffer, 1));
        recordedLevel = std::max(recordedLevel, level);
        if (level > 0.9 * playedLevel)
            toneBlocks.push_back(b);
    }
    // The first and last tone blocks may hold the tone only in part.
    ASSERT_GE(toneBlocks.size(), 3u);
    double sumOfSquares = 0.0;
    std::size_t samples = 0;
    std::vector<std::size_t> crossingSpacings;
    std::size_t frames = 0;
    std::size_t lastCrossing = 0;
    for (std::size_t k = 1; k + 1 < toneBlocks.size(); ++k) {
        const auto& bytes = recorder.blocks_[toneBlocks[k]];
        const std::size_t blockFrames = bytes.size() / 4;
        for (std::size_t f = 0; f < blockFrames; ++f) {
            for (int c = 0; c < 2; ++c) {
                const double x = sampleAt(bytes, f, c) / 32768.0;
                sumOfSquares += x * x;
                ++samples;
            }
            if (f > 0 && sampleAt(bytes, f - 1, 0) < 0 && sampleAt(bytes, f, 0) >= 0) {
                if (lastCrossing > 0)
                    crossingSpacings.push_back(frames + f - lastCrossing);
                lastCrossing = frames + f;
            }
        }
        frames += blockFrames;
    }
    const double rms = std::sqrt(sumOfSquares / static_cast<double>(samples));
    const double toneSeconds = static_cast<double>(frames) / kFormat.samplesPerSecond;
    // The pitch from the spacing of upward zero crossings; spacings far from
    // the typical one (across a dropout on a busy machine) are left out.
    ASSERT_FALSE(crossingSpacings.empty());
    std::vector<std::size_t> sorted = crossingSpacings;
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
    const auto typical = static_cast<double>(sorted[sorted.size() / 2]);
    double spacingSum = 0.0;
    int spacingCount = 0;
    for (const std::size_t spacing : crossingSpacings) {
        if (std::abs(static_cast<double>(spacing) - typical) <= 0.2 * typical) {
            spacingSum += static_cast<double>(spacing);
            ++spacingCount;
        }
    }
    const double frequency = kFormat.samplesPerSecond * spacingCount / spacingSum;
    const double levelError = std::abs(recordedLevel - playedLevel) / playedLevel;
    const double rmsError =
        std::abs(rms - kAmplitude / std::sqrt(2.0)) / (kAmplitude / std::sqrt(2.0));

    std::printf("played 2 s in %.3f s; level played %.5f recorded %.5f (error %.2f %%); "
                "rms error %.2f %% over %.2f s of tone at %.1f Hz; %d read time-outs\n",
                playSeconds, playedLevel, recordedLevel, levelError * 100.0, rmsError * 100.0,
                toneSeconds, frequency, recorder.timeouts_);
    RecordProperty("play_seconds", std::to_string(playSeconds));
    RecordProperty("level_error_percent", std::to_string(levelError * 100.0));

    EXPECT_GE(playSeconds, 1.8);
    EXPECT_LE(playSeconds, 3.0);
    EXPECT_LE(levelError, 0.05);
    // The tone came back whole: steady level and the right pitch for most of
    // the two seconds.
    EXPECT_GE(toneSeconds, 1.5);
    EXPECT_LE(rmsError, 0.05);
    EXPECT_NEAR(frequency, kToneHz, 10.0);
}

} // namespace
} // namespace sundra
