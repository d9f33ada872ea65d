#pragma once
// Playback to the sound card. The device keeps four buffers of 1/N second and
// queues each written block in the next free one; a write waits at most 500 ms
// for a free buffer and otherwise drops the block, which paces the play loops.
// It owns its port and its buffers; closing (destruction) lets every queued
// buffer play to its end. One writer at a time (the document's playback lock);
// waitUntilWritable may be called from any thread, with or without that lock.
// Blocks are written in the source's format. The port is opened in
// deviceFormatOf it (device_samples.h), and each block is converted on its way
// into a buffer: a buffer holds the same frames in the device's bytes.

#include "audio/semaphore.h"
#include "audio/sound_port.h"
#include "core/sample_stream.h"

#include <array>
#include <cstdint>
#include <memory>

namespace sundra {

class WaveOutDevice : public SampleWriter {
public:
    static constexpr int kBufferCount = 4;
    static constexpr std::uint32_t kWriteTimeoutMs = 500;

    // Opens the process-wide sound port choice (sound_system.h). Throws
    // Exception("Can't open waveout port") when the device cannot be opened.
    WaveOutDevice(const WaveFormat& format, std::int32_t buffersPerSecond);
    WaveOutDevice(const WaveFormat& format, std::int32_t buffersPerSecond,
                  std::unique_ptr<SoundPort> port);
    // Waits until the queued buffers have played, then closes.
    ~WaveOutDevice() override;
    WaveOutDevice(const WaveOutDevice&) = delete;
    WaveOutDevice& operator=(const WaveOutDevice&) = delete;

    // Queues byteCount bytes (at most bufferBytes(); 0 queues an empty buffer).
    // 0 when queued or when no buffer became free within 500 ms (the block is
    // then dropped); otherwise the port's error code. A refused block keeps its
    // buffer counted as busy.
    std::int32_t write(const void* buffer, std::int32_t byteCount) override;
    // Waits at most timeoutMs for a free buffer, without taking it.
    bool waitUntilWritable(std::uint32_t timeoutMs) override {
        return freeBuffers_.waitUntilAvailable(timeoutMs);
    }

    // A device is not a positioned stream: these do nothing and report 0.
    void seek(std::int32_t) override {}
    std::int32_t tell() const override { return 0; }
    std::int32_t length() const override { return 0; }
    std::int32_t truncate(std::int32_t) override { return 0; }
    const WaveFormat& format() const override { return format_; }

    // Source bytes one device buffer takes, blockBytes(format, buffersPerSecond).
    std::int32_t bufferBytes() const { return bufferBytes_; }
    // Bytes of the storage behind all four buffers, in the device's format.
    std::int32_t storageBytes() const { return storageBytes_; }

private:
    void open(std::int32_t buffersPerSecond);
    void close();

    // Declared first so that it outlives the port, whose completions release it.
    Semaphore freeBuffers_{kBufferCount, kBufferCount};
    std::array<SoundBuffer, kBufferCount> buffers_{};
    WaveFormat format_;
    // What the port was opened in.
    WaveFormat deviceFormat_;
    std::unique_ptr<std::uint8_t[]> storage_;
    std::int32_t storageBytes_ = 0;
    std::int32_t bufferBytes_ = 0;
    int next_ = 0;
    std::unique_ptr<SoundPort> port_;
};

} // namespace sundra
