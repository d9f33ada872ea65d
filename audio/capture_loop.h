#pragma once
// CaptureLoop: the work of one recording, run on a worker thread. It reads
// 1/16-second blocks from a capture device it opens itself, and once "Start" was
// pressed writes them to the sink, honouring the waiting, auto-stop and overload
// options. It ends its dialog only by posting OK or Cancel through a Notifier.
//
// Ownership: the sink (the recording's WaveFileWriter) belongs to the caller and
// must outlive the loop; the capture device is created and destroyed inside run.
// Threads: run on the worker; startWriting and meterLevels on the window thread;
// stopReason once the worker has been joined.

#include "audio/notifier.h"
#include "audio/record_settings.h"
#include "audio/waitable.h"
#include "core/sample_buffer.h"
#include "core/wave_file.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

namespace sundra {

// Opens the capture device of a recording; the loop asks for 16 buffers per
// second. A device that failed to open still reads (0 bytes after its time-out).
using CaptureDeviceFactory =
    std::function<std::unique_ptr<SampleReader>(const WaveFormat& format, int buffersPerSecond)>;

// The default: a WaveInDevice on the sound port chosen for this process.
CaptureDeviceFactory waveInDeviceFactory();

class CaptureLoop {
public:
    static constexpr int kBlocksPerSecond = 16;
    // How the loop ended, for the owner after the worker was joined.
    static constexpr int kEndedNormally = 0;
    static constexpr int kStoppedByOverload = 2;
    // The text reported when the device delivers no full block.
    static constexpr const char* kReadFailureText = "exception!!";

    // The capture block is allocated (and cleared) here, in the sink's format.
    CaptureLoop(WaveFileWriter& sink, const RecordSettings& settings,
                CaptureDeviceFactory makeDevice = waveInDeviceFactory());
    CaptureLoop(const CaptureLoop&) = delete;
    CaptureLoop& operator=(const CaptureLoop&) = delete;

    // The capture loop. Returns 0 after a normal end (the stop event, or auto
    // stop; OK posted), 1 after an overload or a failed read (Cancel posted).
    int run(Event& stopEvent, Notifier& dialog);

    // "Start": blocks read from now on are written (subject to the options).
    void startWriting() { recording_.store(true); }
    bool isWriting() const { return recording_.load(); }

    // The meter values of the last block read: trunc(channelPeak x 1000) for
    // channels 0 and 1. Both come from the same block; 0 before the first one.
    struct MeterLevels {
        int channel0 = 0;
        int channel1 = 0;
    };
    MeterLevels meterLevels() const;

    int stopReason() const { return stopReason_.load(); }
    int quietLimit() const { return quietLimit_; }

    // While writing, the file's header is rewritten after every so many blocks
    // written, so that a crash leaves a playable file; 0 turns this off.
    void setHeaderFlushInterval(int blocks) { headerFlushInterval_ = blocks; }
    static constexpr int kDefaultHeaderFlushInterval = 2 * kBlocksPerSecond;

private:
    enum class BlockOutcome { Write, Skip, QuietStop, Overload };
    BlockOutcome judgeBlock();
    void publishMeters();
    void writeBlock();

    WaveFileWriter& sink_;
    CaptureDeviceFactory makeDevice_;
    SampleBuffer captureBlock_; // filled and read only by the worker
    std::atomic<bool> recording_{false};
    int quietLimit_ = 0;
    int quietCount_ = 0;
    RecordSettings settings_;
    std::atomic<int> stopReason_{kEndedNormally};
    // The two meter values of the last block, packed so they are read together.
    std::atomic<std::uint64_t> meters_{0};
    int headerFlushInterval_ = kDefaultHeaderFlushInterval;
    int blocksSinceFlush_ = 0;
};

} // namespace sundra
