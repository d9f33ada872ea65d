#pragma once
// Capture from the sound card. Two buffers of 1/N second stay queued at the
// device from construction on; read waits at most 500 ms for the next filled
// one, copies it out and hands it straight back. A device that cannot be opened
// is still constructed: every read on it times out. It owns its port and its
// buffers; closing (destruction) resets the port before the buffers go.
// Construction, read and destruction belong to one thread (the recording loop).

#include "audio/semaphore.h"
#include "audio/sound_port.h"
#include "core/sample_stream.h"

#include <array>
#include <cstdint>
#include <memory>

namespace sundra {

class WaveInDevice : public SampleReader {
public:
    static constexpr int kBufferCount = 2;
    static constexpr std::uint32_t kReadTimeoutMs = 500;

    // Opens the process-wide sound port choice (sound_system.h).
    WaveInDevice(const WaveFormat& format, std::int32_t buffersPerSecond);
    WaveInDevice(const WaveFormat& format, std::int32_t buffersPerSecond,
                 std::unique_ptr<SoundPort> port);
    ~WaveInDevice() override;
    WaveInDevice(const WaveInDevice&) = delete;
    WaveInDevice& operator=(const WaveInDevice&) = delete;

    // Copies the next recorded buffer into buffer and queues it again; returns
    // the bytes copied, 0 when nothing was recorded within 500 ms. capacity
    // should be bufferBytes(): the part of a buffer beyond it is dropped.
    std::int32_t read(void* buffer, std::int32_t capacity) override;

    // A device is not a positioned stream: these do nothing and report 0.
    void seek(std::int32_t) override {}
    std::int32_t tell() const override { return 0; }
    std::int32_t length() const override { return 0; }
    std::int32_t truncate(std::int32_t) override { return 0; }
    // The device keeps its own copy of the format it was built with.
    const WaveFormat& format() const override { return format_; }

    bool isOpen() const { return open_; }
    std::int32_t bufferBytes() const { return bufferBytes_; }

private:
    void open(std::int32_t buffersPerSecond);
    void close();

    // Declared first so that it outlives the port, whose completions release it.
    Semaphore filledBuffers_{0, kBufferCount};
    std::array<SoundBuffer, kBufferCount> buffers_{};
    WaveFormat format_;
    std::unique_ptr<std::uint8_t[]> storage_;
    std::int32_t bufferBytes_ = 0;
    int next_ = 0;
    bool open_ = false;
    std::unique_ptr<SoundPort> port_;
};

} // namespace sundra
