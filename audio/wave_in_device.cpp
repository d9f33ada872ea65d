#include "audio/wave_in_device.h"

#include "audio/sound_system.h"
#include "core/units.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace sundra {

WaveInDevice::WaveInDevice(const WaveFormat& format, std::int32_t buffersPerSecond)
    : WaveInDevice(format, buffersPerSecond, makeSoundPort()) {}

WaveInDevice::WaveInDevice(const WaveFormat& format, std::int32_t buffersPerSecond,
                           std::unique_ptr<SoundPort> port)
    : format_(format), port_(std::move(port)) {
    open(buffersPerSecond);
}

WaveInDevice::~WaveInDevice() {
    close();
}

void WaveInDevice::open(std::int32_t buffersPerSecond) {
    // Failure is silent by design: the recording loop learns of it from reads
    // that time out.
    if (!port_ || buffersPerSecond < 1 || frameSize(format_) < 1 ||
        !port_->open(format_, SoundDirection::Input, [this] { filledBuffers_.release(); }))
        return;
    open_ = true;
    bufferBytes_ = blockBytes(format_, buffersPerSecond);
    storage_ =
        std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(bufferBytes_) * kBufferCount);
    next_ = 0;
    for (int i = 0; i < kBufferCount; ++i) {
        buffers_[i].data = storage_.get() + static_cast<std::ptrdiff_t>(i) * bufferBytes_;
        buffers_[i].length = bufferBytes_;
        port_->queue(buffers_[i]);
    }
    port_->start();
}

std::int32_t WaveInDevice::read(void* buffer, std::int32_t capacity) {
    if (capacity <= 0 || buffer == nullptr)
        return 0;
    if (!filledBuffers_.acquire(kReadTimeoutMs))
        return 0;
    SoundBuffer& filled = buffers_[next_];
    const std::int32_t count = std::min(filled.recorded, capacity);
    if (count > 0)
        std::memcpy(buffer, filled.data, static_cast<std::size_t>(count));
    filled.recorded = 0;
    filled.length = bufferBytes_;
    port_->queue(filled);
    next_ = (next_ + 1) % kBufferCount;
    return count;
}

void WaveInDevice::close() {
    if (!open_)
        return;
    // The port must give every buffer back before the storage goes.
    port_->reset();
    for (const SoundBuffer& buffer : buffers_) {
        while (port_->isQueued(buffer))
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    port_->close();
    open_ = false;
}

} // namespace sundra
