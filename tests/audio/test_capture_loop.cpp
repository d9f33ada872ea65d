// The capture loop of a recording, on the scripted sound port: the port's input
// thread fills the device's buffers from generated blocks of 1/16 s, and the
// loop runs on the test's thread. A recording of the default format has blocks
// of 11028 bytes (2757 frames). Each generated block holds one sample value on
// each channel, so its block level is exactly |value| / 32768.

#include "audio/capture_loop.h"
#include "audio/error_reporter.h"
#include "audio/test_sound_port.h"
#include "audio/wave_in_device.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <numbers>
#include <string>
#include <vector>

namespace sundra {
namespace {

constexpr std::int32_t kBlockBytes = 11028;
constexpr std::int32_t kBlockFrames = kBlockBytes / 4;
constexpr std::int32_t kHeaderBytes = 44;

struct BlockValue {
    std::int16_t left;
    std::int16_t right;
};

test::Bytes blocks(const std::vector<BlockValue>& values) {
    std::vector<std::int16_t> samples;
    for (const BlockValue& value : values) {
        for (std::int32_t frame = 0; frame < kBlockFrames; ++frame) {
            samples.push_back(value.left);
            samples.push_back(value.right);
        }
    }
    return test::pcm16(samples);
}

test::Bytes blocks(const std::vector<std::int16_t>& levels) {
    std::vector<BlockValue> values;
    for (std::int16_t level : levels) {
        values.push_back({level, level});
    }
    return blocks(values);
}

test::Bytes repeat(std::int16_t level, int count) {
    return blocks(std::vector<std::int16_t>(count, level));
}

test::Bytes operator+(test::Bytes first, const test::Bytes& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

// The stop request of "END" pressed after a given number of blocks: the loop
// polls once before its first block and once after each.
class StopAfterBlocks : public Event {
public:
    explicit StopAfterBlocks(int blocks, std::function<void()> onPoll = {})
        : remaining_(blocks), onPoll_(std::move(onPoll)) {}
    bool lock(std::uint32_t) override {
        if (onPoll_) {
            onPoll_();
        }
        return remaining_-- <= 0;
    }
    bool unlock() override { return true; }
    bool set() override { return true; }
    bool reset() override { return true; }
    bool pulse() override { return true; }

private:
    int remaining_;
    std::function<void()> onPoll_;
};

// Records what the loop posts to its dialog.
class PostedCommands : public Notifier {
public:
    bool post(std::uint32_t wParam, std::int64_t) override {
        std::lock_guard<std::mutex> guard(mutex_);
        ids_.push_back(wParam);
        return true;
    }
    std::vector<std::uint32_t> ids() const {
        std::lock_guard<std::mutex> guard(mutex_);
        return ids_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::uint32_t> ids_;
};

class ReportedErrors {
public:
    ReportedErrors() {
        setErrorReporter([this](const std::string& text) {
            std::lock_guard<std::mutex> guard(mutex_);
            texts_.push_back(text);
        });
    }
    ~ReportedErrors() { setErrorReporter({}); }
    std::vector<std::string> texts() const {
        std::lock_guard<std::mutex> guard(mutex_);
        return texts_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> texts_;
};

CaptureDeviceFactory scriptedDevices(const std::shared_ptr<TestSoundScript>& script) {
    return [script](const WaveFormat& format, int buffersPerSecond) {
        return std::make_unique<WaveInDevice>(format, buffersPerSecond,
                                              std::make_unique<TestSoundPort>(script));
    };
}

// One recording into a file of a temporary folder, fed from a script.
class Recording {
public:
    explicit Recording(const RecordSettings& settings = {}) {
        auto file = std::make_unique<File>(path(), File::Access::ReadWrite, File::Share::Exclusive,
                                           File::Disposition::Create);
        writer_ = std::make_unique<WaveFileWriter>(
            WaveFormat{}, std::make_unique<FileByteStream>(std::move(file)));
        loop_ = std::make_unique<CaptureLoop>(*writer_, settings, scriptedDevices(script_));
    }

    TestSoundScript& script() { return *script_; }
    CaptureLoop& loop() { return *loop_; }
    PostedCommands& posted() { return posted_; }
    std::string path() const { return folder_.file("take.wav"); }

    int run(Event& stop) { return loop_->run(stop, posted_); }
    int runBlocks(int blocks) {
        StopAfterBlocks stop(blocks);
        return run(stop);
    }
    // Finishes the file (as destroying the writer does) and returns its bytes.
    test::Bytes finish() {
        loop_.reset();
        writer_.reset();
        return test::readBytes(path());
    }

private:
    test::TempDir folder_;
    std::shared_ptr<TestSoundScript> script_ = std::make_shared<TestSoundScript>();
    std::unique_ptr<WaveFileWriter> writer_;
    std::unique_ptr<CaptureLoop> loop_;
    PostedCommands posted_;
};

test::Bytes dataOf(const test::Bytes& wav) {
    return test::Bytes(wav.begin() + kHeaderBytes, wav.end());
}

// The data size that the header on disk states, read without the samples.
std::uint32_t dataSizeInHeader(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    test::Bytes header(kHeaderBytes);
    file.read(reinterpret_cast<char*>(header.data()), kHeaderBytes);
    return file ? test::get32(header, 40) : 0xFFFFFFFFu;
}

void expectHeaderCovers(const test::Bytes& wav, std::uint32_t dataBytes) {
    ASSERT_GE(wav.size(), static_cast<std::size_t>(kHeaderBytes));
    EXPECT_EQ(wav.size(), kHeaderBytes + dataBytes);
    EXPECT_EQ(test::get32(wav, 4), 36 + dataBytes);
    EXPECT_EQ(test::get32(wav, 40), dataBytes);
}

TEST(CaptureLoop, WithAllOptionsOffWritesEveryBlockAfterStartInWholeBlocks) {
    Recording recording;
    const test::Bytes fed = blocks({0, 1000, -2000, 32767, -32768, 7, 0, 12, 300, 5});
    recording.script().feedBytes(fed);
    recording.loop().startWriting();

    EXPECT_EQ(recording.runBlocks(6), 0);
    EXPECT_EQ(recording.loop().stopReason(), CaptureLoop::kEndedNormally);
    EXPECT_EQ(recording.posted().ids(), std::vector<std::uint32_t>{kIdOk});

    const test::Bytes wav = recording.finish();
    expectHeaderCovers(wav, 6 * kBlockBytes);
    EXPECT_EQ(dataOf(wav), test::Bytes(fed.begin(), fed.begin() + 6 * kBlockBytes));
}

TEST(CaptureLoop, BeforeStartBlocksAreMeteredButNotWritten) {
    Recording recording;
    recording.script().feedBytes(blocks({{100, 200}, {16384, 8192}, {-20000, 3277}, {0, 0}}));
    // The meters at each poll: before the first block (the capture block starts
    // cleared), then after each block.
    std::vector<std::pair<int, int>> meters;
    StopAfterBlocks stop(3, [&] {
        const CaptureLoop::MeterLevels levels = recording.loop().meterLevels();
        meters.emplace_back(levels.channel0, levels.channel1);
    });
    EXPECT_EQ(recording.run(stop), 0);
    // Levels are magnitudes, truncated: 100 / 32768 x 1000 is 3.05, a block of
    // -20000 shows 610.35, 3277 / 32768 x 1000 is 100.006.
    const std::vector<std::pair<int, int>> expected{{0, 0}, {3, 6}, {500, 250}, {610, 100}};
    EXPECT_EQ(meters, expected);
    EXPECT_EQ(recording.finish().size(), static_cast<std::size_t>(kHeaderBytes));
}

TEST(CaptureLoop, EndBeforeAnyBlockLeavesHeaderOnlyFile) {
    Recording recording;
    recording.script().feedBytes(repeat(1000, 4));
    recording.loop().startWriting();

    EXPECT_EQ(recording.runBlocks(0), 0);
    EXPECT_EQ(recording.posted().ids(), std::vector<std::uint32_t>{kIdOk});
    expectHeaderCovers(recording.finish(), 0);
}

TEST(CaptureLoop, WaitingDropsQuietBlocksUntilTheFirstLoudOneAndKeepsAllAfter) {
    RecordSettings settings;
    settings.wait = true;
    settings.waitLevel = 8192.0 / 32768.0;
    Recording recording(settings);
    const test::Bytes quiet = blocks({0, 100, -8191, 8191});
    // The first block at the wait level (here below the midpoint) ends the
    // waiting; quiet blocks after it stay.
    const test::Bytes kept = blocks({-8192, 0, 50, -3000, 8191});
    recording.script().feedBytes(quiet + kept);
    recording.loop().startWriting();

    EXPECT_EQ(recording.runBlocks(9), 0);
    const test::Bytes wav = recording.finish();
    expectHeaderCovers(wav, 5 * kBlockBytes);
    EXPECT_EQ(dataOf(wav), kept);
}

TEST(CaptureLoop, AutoStopEndsAfterTheQuietTimeAndALouderBlockResetsTheCount) {
    RecordSettings settings;
    settings.autoStop = true;
    settings.autoStopLevel = 8192.0 / 32768.0;
    settings.autoStopTime = 5.0;
    Recording recording(settings);
    // 80 quiet blocks, then one at the level (not quiet), then 81 quiet ones: the
    // 81st ends the recording unwritten; later blocks are never read into the file.
    const test::Bytes written =
        repeat(20000, 1) + repeat(8191, 80) + repeat(8192, 1) + repeat(0, 40) + repeat(-100, 40);
    recording.script().feedBytes(written + repeat(0, 1) + repeat(20000, 5));
    recording.loop().startWriting();

    EXPECT_EQ(recording.runBlocks(10000), 0);
    EXPECT_EQ(recording.loop().quietLimit(), 81);
    EXPECT_EQ(recording.loop().stopReason(), CaptureLoop::kEndedNormally);
    EXPECT_EQ(recording.posted().ids(), std::vector<std::uint32_t>{kIdOk});
    const test::Bytes wav = recording.finish();
    expectHeaderCovers(wav, (1 + 80 + 1 + 80) * kBlockBytes);
    EXPECT_EQ(dataOf(wav), written);
}

TEST(CaptureLoop, QuietLimitFollowsTheAutoStopTime) {
    for (const auto& [seconds, limit] :
         std::vector<std::pair<double, int>>{{0.0, 1},
                                             {0.1, 2},
                                             {0.7, 12},
                                             {10.0, 161},
                                             // Stored far beyond the page's range:
                                             // saturated, never overflowed.
                                             {214748364.7, 2147483647},
                                             {1e300, 2147483647},
                                             {-1e300, -2147483647}}) {
        RecordSettings settings;
        settings.autoStopTime = seconds;
        Recording recording(settings);
        recording.runBlocks(0);
        EXPECT_EQ(recording.loop().quietLimit(), limit) << seconds << " s";
    }
}

TEST(CaptureLoop, OverloadStopsOnlyAboveTheLevelAndDropsThatBlock) {
    RecordSettings settings;
    settings.overloadStop = true;
    settings.overloadStopLevel = 30720.0 / 32768.0;
    Recording recording(settings);
    const test::Bytes written = blocks({30720, 0, -30720});
    recording.script().feedBytes(written + blocks({-30721, 0, 0}));
    recording.loop().startWriting();

    EXPECT_EQ(recording.runBlocks(10000), 1);
    EXPECT_EQ(recording.loop().stopReason(), CaptureLoop::kStoppedByOverload);
    EXPECT_EQ(recording.posted().ids(), std::vector<std::uint32_t>{kIdCancel});
    const test::Bytes wav = recording.finish();
    expectHeaderCovers(wav, 3 * kBlockBytes);
    EXPECT_EQ(dataOf(wav), written);
}

TEST(CaptureLoop, MusicFromAWavFileIsAsLoudAsItsLoudestChannel) {
    // 2 s of a 440 Hz tone at -6 dBFS (0.5) whose right channel is in
    // anti-phase, fed as the microphone from a WAV file. In one recording the
    // left channel clips at -1.0 for 10 ms from block 5 on.
    struct Case {
        const char* what;
        bool clip;
        RecordSettings settings;
        bool overloaded;
        int blocksWritten;
    };
    RecordSettings autoStop;
    autoStop.autoStop = true;
    autoStop.autoStopTime = 0.5; // 9 quiet blocks would end it
    RecordSettings overload;
    overload.overloadStop = true;
    const Case cases[] = {
        {"anti-phase music does not stop on quiet", false, autoStop, false, 30},
        {"a negative clip is an overload", true, overload, true, 5},
    };
    test::TempDir folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::int16_t> samples;
        for (std::int32_t i = 0; i < 2 * 44100; ++i) {
            const auto value = static_cast<std::int16_t>(
                std::lround(16384 * std::sin(2 * std::numbers::pi * 440 * i / 44100)));
            const bool clipped = c.clip && i >= 5 * kBlockFrames && i < 5 * kBlockFrames + 441;
            samples.push_back(clipped ? std::int16_t{-32768} : value);
            samples.push_back(static_cast<std::int16_t>(-value));
        }
        const std::string music = folder.file("music.wav");
        test::writeBytes(music, test::canonicalWav(WaveFormat{}, test::pcm16(samples)));
        Recording recording(c.settings);
        recording.script().feedWavFile(music);
        recording.loop().startWriting();

        EXPECT_EQ(recording.runBlocks(30), c.overloaded ? 1 : 0);
        EXPECT_EQ(recording.loop().stopReason(),
                  c.overloaded ? CaptureLoop::kStoppedByOverload : CaptureLoop::kEndedNormally);
        EXPECT_EQ(recording.posted().ids(),
                  std::vector<std::uint32_t>{c.overloaded ? kIdCancel : kIdOk});
        expectHeaderCovers(recording.finish(), c.blocksWritten * kBlockBytes);
    }
}

TEST(CaptureLoop, ReadTimeOutReportsExceptionAndCancels) {
    ReportedErrors errors;
    Recording recording;
    recording.script().feedBytes(repeat(500, 3));
    recording.loop().startWriting();

    // The fourth read finds no block within the device's time-out.
    EXPECT_EQ(recording.runBlocks(10000), 1);
    EXPECT_EQ(recording.posted().ids(), std::vector<std::uint32_t>{kIdCancel});
    EXPECT_EQ(errors.texts(), std::vector<std::string>{"exception!!"});
    EXPECT_EQ(recording.loop().stopReason(), CaptureLoop::kEndedNormally);
    expectHeaderCovers(recording.finish(), 3 * kBlockBytes);
}

TEST(CaptureLoop, DeviceThatCannotOpenReportsExceptionAndCancels) {
    ReportedErrors errors;
    Recording recording;
    recording.script().setFailOpen(true);
    recording.loop().startWriting();

    EXPECT_EQ(recording.runBlocks(10000), 1);
    EXPECT_EQ(recording.posted().ids(), std::vector<std::uint32_t>{kIdCancel});
    EXPECT_EQ(errors.texts(), std::vector<std::string>{"exception!!"});
    expectHeaderCovers(recording.finish(), 0);
}

// A file whose disk fills up after a given number of bytes.
class FillingUpStream : public FileByteStream {
public:
    FillingUpStream(std::unique_ptr<File> file, std::int64_t room)
        : FileByteStream(std::move(file)), room_(room) {}
    void write(const void* buffer, std::int32_t count) override {
        if (tell() + count > room_) {
            throw FileError(FileError::Cause::DiskFull, file().path());
        }
        FileByteStream::write(buffer, count);
    }

private:
    std::int64_t room_;
};

TEST(CaptureLoop, FileErrorCancelsTheDialogAndReachesTheWorkersRunner) {
    test::TempDir folder;
    const std::string path = folder.file("full.wav");
    auto file = std::make_unique<File>(path, File::Access::ReadWrite, File::Share::Exclusive,
                                       File::Disposition::Create);
    // Room for the header and two blocks.
    WaveFileWriter writer(WaveFormat{}, std::make_unique<FillingUpStream>(
                                            std::move(file), kHeaderBytes + 2 * kBlockBytes));
    auto script = std::make_shared<TestSoundScript>();
    script->feedBytes(repeat(100, 5));
    CaptureLoop loop(writer, RecordSettings{}, scriptedDevices(script));
    loop.startWriting();
    PostedCommands posted;
    StopAfterBlocks stop(5);

    EXPECT_THROW(loop.run(stop, posted), FileError);
    EXPECT_EQ(posted.ids(), std::vector<std::uint32_t>{kIdCancel});
    EXPECT_EQ(writer.length(), 2 * kBlockFrames);
}

TEST(CaptureLoop, HeaderIsRewrittenEveryTwoSecondsWhileRecordingAndExactAtTheEnd) {
    Recording recording;
    recording.script().feedBytes(repeat(700, 70));
    recording.loop().startWriting();

    // At each poll (after block n) the header on disk covers the blocks up to the
    // last multiple of 32 (two seconds), so a crash loses at most that much.
    std::vector<std::uint32_t> dataSizesOnDisk;
    StopAfterBlocks stop(70,
                         [&] { dataSizesOnDisk.push_back(dataSizeInHeader(recording.path())); });
    EXPECT_EQ(recording.run(stop), 0);
    std::vector<std::uint32_t> expected;
    for (int blocksDone = 0; blocksDone <= 70; ++blocksDone) {
        expected.push_back(static_cast<std::uint32_t>(blocksDone / 32 * 32 * kBlockBytes));
    }
    EXPECT_EQ(dataSizesOnDisk, expected);
    expectHeaderCovers(recording.finish(), 70 * kBlockBytes);
}

} // namespace
} // namespace sundra
