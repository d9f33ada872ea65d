#include "core/playback_context.h"

#include "core/units.h"

#include <stdexcept>
#include <utility>

namespace sundra {

PlaybackContext::PlaybackContext(std::unique_ptr<SampleReaderWriter> master,
                                 DeviceFactory makeDevice)
    : makeDevice_(std::move(makeDevice)), master_(std::move(master)),
      range_(&TrackSegment::empty()) {
    if (!master_ || !makeDevice_) {
        throw std::invalid_argument("PlaybackContext needs a master and a device factory");
    }
    buffer_ = makeBuffer(master_->format());
    device_ = makeDevice_(master_->format());
}

PlaybackContext::~PlaybackContext() {
    std::lock_guard guard(*this);
    device_.reset();
    buffer_.reset();
    master_.reset();
}

void PlaybackContext::setMaster(std::unique_ptr<SampleReaderWriter>&& stream) {
    if (!stream) {
        throw std::invalid_argument("setMaster needs a stream");
    }
    std::lock_guard guard(*this);
    const WaveFormat& format = stream->format();
    if (!(format == device_->format())) {
        // Open first: a refusal must leave everything as it was.
        std::shared_ptr<SampleWriter> device = makeDevice_(format);
        std::unique_ptr<SampleBuffer> buffer = makeBuffer(format);
        device_ = std::move(device);
        buffer_ = std::move(buffer);
    }
    master_ = std::move(stream);
    range_ = &TrackSegment::empty();
    ++rangeGeneration_;
}

void PlaybackContext::setRange(TrackSegment& track) {
    std::lock_guard guard(*this);
    range_ = &track;
    ++rangeGeneration_;
}

void PlaybackContext::setRangeDefault() {
    std::lock_guard guard(*this);
    range_ = &TrackSegment::empty();
    ++rangeGeneration_;
}

void PlaybackContext::publishPlayedLevels() {
    for (int channel = 0; channel < 2; ++channel)
        playedLevels_[channel].store(channelPeak(*buffer_, channel), std::memory_order_relaxed);
}

void PlaybackContext::clearPlayedLevels() {
    for (std::atomic<double>& level : playedLevels_)
        level.store(0.0, std::memory_order_relaxed);
}

std::unique_ptr<SampleBuffer> PlaybackContext::makeBuffer(const WaveFormat& format) {
    return std::make_unique<SampleBuffer>(format, blockBytes(format, kBuffersPerSecond));
}

} // namespace sundra
