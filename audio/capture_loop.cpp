#include "audio/capture_loop.h"

#include "audio/error_reporter.h"
#include "audio/wave_in_device.h"
#include "core/units.h"

#include <cmath>
#include <limits>

namespace sundra {

CaptureDeviceFactory waveInDeviceFactory() {
    return [](const WaveFormat& format, int buffersPerSecond) -> std::unique_ptr<SampleReader> {
        return std::make_unique<WaveInDevice>(format, buffersPerSecond);
    };
}

CaptureLoop::CaptureLoop(WaveFileWriter& sink, const RecordSettings& settings,
                         CaptureDeviceFactory makeDevice)
    : sink_(sink), makeDevice_(std::move(makeDevice)),
      captureBlock_(sink.format(), blockBytes(sink.format(), kBlocksPerSecond)),
      settings_(settings) {}

int CaptureLoop::run(Event& stopEvent, Notifier& dialog) {
    stopReason_.store(kEndedNormally);
    quietCount_ = 0;
    // A stored time far beyond the page's range waits for ever rather than
    // overflowing.
    const std::int32_t quietBlocks = truncateToInt32(kBlocksPerSecond * settings_.autoStopTime);
    quietLimit_ =
        quietBlocks == std::numeric_limits<std::int32_t>::max() ? quietBlocks : quietBlocks + 1;
    blocksSinceFlush_ = 0;

    // The device records from here on; leaving this function destroys it on
    // every path, exceptions included.
    std::unique_ptr<SampleReader> device;
    try {
        device = makeDevice_(sink_.format(), kBlocksPerSecond);
        sink_.seek(0);
        bool stop = stopEvent.lock(0);
        while (!stop) {
            const std::int32_t frames = readIntoBuffer(*device, captureBlock_);
            publishMeters();
            if (frames < capacityFrames(captureBlock_)) {
                // A short block or the device's time-out: the recording cannot go on.
                dialog.post(kIdCancel, 0);
                reportError(kReadFailureText);
                return 1;
            }
            if (recording_.load()) {
                const BlockOutcome outcome = judgeBlock();
                if (outcome == BlockOutcome::QuietStop) {
                    break;
                }
                if (outcome == BlockOutcome::Overload) {
                    dialog.post(kIdCancel, 0);
                    stopReason_.store(kStoppedByOverload);
                    return 1;
                }
                if (outcome == BlockOutcome::Write) {
                    writeBlock();
                }
            }
            stop = stopEvent.lock(0);
        }
    } catch (...) {
        // A file error (disk full, ...) ends the recording: the dialog closes as
        // cancelled and the worker thread's runner reports the error's text.
        dialog.post(kIdCancel, 0);
        throw;
    }
    dialog.post(kIdOk, 0);
    return 0;
}

CaptureLoop::BlockOutcome CaptureLoop::judgeBlock() {
    if (settings_.wait) {
        if (blockLevel(captureBlock_) < settings_.waitLevel) {
            return BlockOutcome::Skip;
        }
        settings_.wait = false; // for good: everything after the first loud block is kept
    }
    if (settings_.autoStop) {
        if (blockLevel(captureBlock_) < settings_.autoStopLevel) {
            if (++quietCount_ >= quietLimit_) {
                return BlockOutcome::QuietStop;
            }
        } else {
            quietCount_ = 0;
        }
    }
    if (settings_.overloadStop && blockLevel(captureBlock_) > settings_.overloadStopLevel) {
        return BlockOutcome::Overload;
    }
    return BlockOutcome::Write;
}

void CaptureLoop::writeBlock() {
    writeBuffer(sink_, captureBlock_);
    if (headerFlushInterval_ > 0 && ++blocksSinceFlush_ >= headerFlushInterval_) {
        sink_.flushToDisk();
        blocksSinceFlush_ = 0;
    }
}

void CaptureLoop::publishMeters() {
    const auto meter = [this](int channel) {
        return static_cast<std::uint32_t>(
            static_cast<int>(std::trunc(channelPeak(captureBlock_, channel) * 1000.0)));
    };
    meters_.store(static_cast<std::uint64_t>(meter(0)) |
                  (static_cast<std::uint64_t>(meter(1)) << 32));
}

CaptureLoop::MeterLevels CaptureLoop::meterLevels() const {
    const std::uint64_t packed = meters_.load();
    MeterLevels levels;
    levels.channel0 = static_cast<int>(static_cast<std::uint32_t>(packed & 0xFFFFFFFFu));
    levels.channel1 = static_cast<int>(static_cast<std::uint32_t>(packed >> 32));
    return levels;
}

} // namespace sundra
