// How long the window thread can be kept waiting, on the real-time silent
// sound port and on disk:
//   - the playback lock, taken every 100 ms as the meter timer does, while Play
//     loops a track and while a shot play plays a 10 s excerpt;
//   - Cancel of Save All: from the stop request to the end of the export loop,
//     in the middle of a long track, for FLAC and MP3, beside the time the
//     whole track takes (what a cancel cost when it waited for the file).
//
//   cmake --build build/release --target bench_window_waits
//   build/release/bench/bench_window_waits [MINUTES]    (the track; default 10)

#include "audio/playback_tasks.h"
#include "audio/silent_port.h"
#include "audio/wave_out_device.h"
#include "audio/worker_thread.h"
#include "core/byte_stream.h"
#include "core/playback_context.h"
#include "core/units.h"
#include "core/wave_file.h"
#include "split/save_all.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

namespace {

using namespace sundra;
using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A stereo 16-bit tone with a little noise, so the encoders have work to do.
void writeTone(const std::string& path, std::int32_t frames) {
    WaveFileWriter writer(
        WaveFormat{},
        std::make_unique<FileByteStream>(std::make_unique<File>(
            path, File::Access::ReadWrite, File::Share::Exclusive, File::Disposition::Create)),
        frames);
    std::vector<std::int16_t> block(2 * 44100);
    std::uint32_t noise = 1;
    for (std::int32_t done = 0; done < frames; done += 44100) {
        const std::int32_t count = std::min(44100, frames - done);
        for (std::int32_t i = 0; i < count; ++i) {
            noise = noise * 1664525u + 1013904223u;
            const double t = (done + i) / 44100.0;
            const auto value = static_cast<std::int16_t>(8000.0 * std::sin(2 * M_PI * 440.0 * t) +
                                                         static_cast<int>(noise >> 24) - 128);
            block[2 * i] = block[2 * i + 1] = value;
        }
        writer.write(block.data(), count * 4);
    }
    writer.flushHeader();
}

// Takes the lock every 100 ms, as the meter timer does, count times; prints the
// longest and the mean wait.
void meterTicks(PlaybackContext& playback, const char* what, int count) {
    double longest = 0;
    double total = 0;
    for (int tick = 0; tick < count; ++tick) {
        const Clock::time_point start = Clock::now();
        {
            std::lock_guard guard(playback);
            channelPeak(playback.buffer(), 0);
        }
        const double waited = millisecondsSince(start);
        longest = std::max(longest, waited);
        total += waited;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    std::printf("%-34s lock wait: longest %8.2f ms, mean %7.3f ms (%d ticks)\n", what, longest,
                total / count, count);
}

void playbackLock(const std::string& path) {
    PlaybackContext playback(openWaveFile(path), [](const WaveFormat& format) {
        return std::make_unique<WaveOutDevice>(format, PlaybackContext::kBuffersPerSecond,
                                               std::make_unique<SilentPort>());
    });
    TrackSegment track(playback.master());
    WorkerThread worker;
    {
        std::lock_guard guard(playback);
        playback.setRange(track);
        track.seek(0);
    }
    PlayTask play(playback);
    worker.start(play);
    meterTicks(playback, "Play", 30);
    worker.requestStop();
    worker.wait(kInfinite);

    std::unique_ptr<ShotPlayTask> shot;
    {
        std::lock_guard guard(playback);
        track.seek(0);
        shot = std::make_unique<ShotPlayTask>(
            playback, ShotPlayTask::excerptOf(track, ShotKind::FromTop, 10 * 44100));
    }
    worker.start(*shot);
    meterTicks(playback, "a shot play of 10 s", 30);
    worker.requestStop();
    worker.wait(kInfinite);
    std::lock_guard guard(playback);
    playback.setRangeDefault();
}

void saveAllCancel(const std::string& path, ExportFormat format, std::int32_t frames) {
    const std::string folder = std::filesystem::path(path).parent_path() / "out";
    std::filesystem::create_directories(folder);
    std::unique_ptr<WaveFileReader> master = openWaveFile(path);
    TrackSegment track(*master, 0, frames);
    const auto run = [&](double cancelAt) {
        SaveAllWork work(path, {{"track", &track}});
        work.setOutputFolder(folder);
        work.setExportSettings({format, 60});
        struct Task : WorkerTask {
            SaveAllWork& work;
            explicit Task(SaveAllWork& w) : work(w) {}
            int run(Event& stop) override {
                return work.run(stop, Notifier::none(), Notifier::none());
            }
        } task(work);
        WorkerThread worker;
        const Clock::time_point start = Clock::now();
        worker.start(task);
        if (cancelAt < 1.0) {
            while (!worker.wait(5) && positionRatio(track) < cancelAt) {
            }
            const Clock::time_point stopped = Clock::now();
            worker.requestStop();
            worker.wait(kInfinite);
            return millisecondsSince(stopped);
        }
        worker.wait(kInfinite);
        return millisecondsSince(start);
    };
    const double whole = run(1.0);
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const double cancel = run(0.1);
    const auto left = std::distance(std::filesystem::directory_iterator(folder),
                                    std::filesystem::directory_iterator());
    std::printf("%-34s whole track %8.0f ms; cancel at 10%% returns after %8.1f ms, "
                "%ld files left\n",
                exportFormatExtension(format), whole, cancel, static_cast<long>(left));
    std::filesystem::remove_all(folder);
}

} // namespace

int main(int argc, char** argv) {
    const int minutes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / "sundra-window-waits";
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "long.wav").string();
    const std::int32_t frames = minutes * 60 * 44100;
    writeTone(path, frames);
    playbackLock(path);
    for (ExportFormat format : {ExportFormat::Wav, ExportFormat::Flac, ExportFormat::Mp3})
        saveAllCancel(path, format, frames);
    std::filesystem::remove_all(folder);
    return 0;
}
