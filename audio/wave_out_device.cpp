#include "audio/wave_out_device.h"

#include "audio/device_samples.h"
#include "audio/sound_system.h"
#include "core/exception.h"
#include "core/units.h"

#include <chrono>
#include <thread>

namespace sundra {

WaveOutDevice::WaveOutDevice(const WaveFormat& format, std::int32_t buffersPerSecond)
    : WaveOutDevice(format, buffersPerSecond, makeSoundPort()) {}

WaveOutDevice::WaveOutDevice(const WaveFormat& format, std::int32_t buffersPerSecond,
                             std::unique_ptr<SoundPort> port)
    : format_(format), deviceFormat_(deviceFormatOf(format)), port_(std::move(port)) {
    open(buffersPerSecond);
}

WaveOutDevice::~WaveOutDevice() {
    close();
}

void WaveOutDevice::open(std::int32_t buffersPerSecond) {
    // A format without whole frames or a rate of buffers below one would give
    // no buffer size at all; no device plays those.
    if (!port_ || buffersPerSecond < 1 || frameSize(format_) < 1 ||
        !port_->open(deviceFormat_, SoundDirection::Output, [this] { freeBuffers_.release(); }))
        throw Exception("Can't open waveout port");

    bufferBytes_ = blockBytes(format_, buffersPerSecond);
    const std::int32_t deviceBufferBytes = deviceBytesOf(format_, bufferBytes_);
    storageBytes_ = deviceBufferBytes * kBufferCount;
    storage_ = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(storageBytes_));
    next_ = 0;
    for (int i = 0; i < kBufferCount; ++i) {
        buffers_[i].data = storage_.get() + static_cast<std::ptrdiff_t>(i) * deviceBufferBytes;
        buffers_[i].length = deviceBufferBytes;
    }
    if (!port_->start()) {
        port_->close();
        throw Exception("Can't open waveout port");
    }
}

std::int32_t WaveOutDevice::write(const void* buffer, std::int32_t byteCount) {
    // A longer block would overrun the device buffer.
    if (byteCount < 0 || byteCount > bufferBytes_ || (byteCount > 0 && buffer == nullptr))
        return kSoundInvalidBuffer;
    if (!freeBuffers_.acquire(kWriteTimeoutMs))
        return 0;
    SoundBuffer& target = buffers_[next_];
    target.length =
        toDeviceSamples(format_, static_cast<const std::uint8_t*>(buffer), byteCount, target.data);
    const int result = port_->queue(target);
    next_ = (next_ + 1) % kBufferCount;
    return result;
}

void WaveOutDevice::close() {
    if (port_->canWaitUntilPlayed()) {
        port_->waitUntilPlayed();
    } else {
        for (const SoundBuffer& buffer : buffers_) {
            while (port_->isQueued(buffer))
                std::this_thread::sleep_for(std::chrono::milliseconds(500));
        }
    }
    port_->close();
}

} // namespace sundra
