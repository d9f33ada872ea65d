#include "audio/silent_port.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace sundra {

namespace {

bool isPlayablePcm(const WaveFormat& format) {
    // The same formats as a real device takes: 64-bit floats come to it
    // converted, as they do to a real device.
    const int bits = format.bitsPerSample;
    const bool playable =
        isFloat(format) ? bits == 32 : bits == 8 || bits == 16 || bits == 24 || bits == 32;
    return format.channels >= 1 && format.samplesPerSecond >= 1 && playable;
}

} // namespace

SilentPort::~SilentPort() {
    close();
}

bool SilentPort::open(const WaveFormat& format, SoundDirection direction, Completion bufferDone) {
    if (thread_.joinable() || !isPlayablePcm(format))
        return false;
    format_ = format;
    direction_ = direction;
    bufferDone_ = std::move(bufferDone);
    closing_ = false;
    running_ = false;
    thread_ = std::thread([this] { threadProcedure(); });
    return true;
}

int SilentPort::queue(SoundBuffer& buffer) {
    if (!isQueueable(buffer))
        return kSoundInvalidBuffer;
    std::lock_guard lock(mutex_);
    if (!thread_.joinable())
        return kSoundNotOpen;
    const int result = appendToQueue(queued_, buffer);
    if (result == kSoundOk)
        changed_.notify_all();
    return result;
}

bool SilentPort::start() {
    std::lock_guard lock(mutex_);
    if (!thread_.joinable())
        return false;
    if (!running_) {
        running_ = true;
        lastDone_ = Clock::now();
        changed_.notify_all();
    }
    return true;
}

void SilentPort::reset() {
    std::unique_lock lock(mutex_);
    running_ = false;
    frontTimed_ = false;
    std::vector<SoundBuffer*> returned(queued_.begin(), queued_.end());
    queued_.clear();
    // Until their completions have run they still count as queued.
    ++resetting_;
    lock.unlock();
    for (std::size_t i = 0; i < returned.size(); ++i) {
        // Nothing was recorded into a buffer that had not come due.
        returned[i]->recorded = 0;
        if (bufferDone_)
            bufferDone_();
    }
    lock.lock();
    --resetting_;
    changed_.notify_all();
}

void SilentPort::close() {
    {
        std::lock_guard lock(mutex_);
        if (!thread_.joinable())
            return;
        closing_ = true;
        changed_.notify_all();
    }
    thread_.join();
    std::lock_guard lock(mutex_);
    thread_ = std::thread();
    queued_.clear();
    running_ = false;
    frontTimed_ = false;
}

bool SilentPort::isQueued(const SoundBuffer& buffer) const {
    std::lock_guard lock(mutex_);
    return completing_ == &buffer || resetting_ > 0 ||
           std::find(queued_.begin(), queued_.end(), &buffer) != queued_.end();
}

void SilentPort::waitUntilPlayed() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] {
        return closing_ || (queued_.empty() && completing_ == nullptr && resetting_ == 0);
    });
}

SilentPort::Clock::duration SilentPort::durationOf(const SoundBuffer& buffer) const {
    const auto bytesPerSecondOfFormat = static_cast<std::int64_t>(bytesPerSecond(format_));
    return std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(
        buffer.length * std::int64_t{1'000'000'000} / bytesPerSecondOfFormat));
}

void SilentPort::fillWithSilence(SoundBuffer& buffer) const {
    // 8-bit samples are unsigned: silence is their midpoint.
    std::memset(buffer.data, format_.bitsPerSample == 8 ? 0x80 : 0,
                static_cast<std::size_t>(buffer.length));
    buffer.recorded = buffer.length;
}

void SilentPort::threadProcedure() {
    std::unique_lock lock(mutex_);
    while (!closing_) {
        if (!running_ || queued_.empty()) {
            changed_.wait(lock);
            continue;
        }
        SoundBuffer* front = queued_.front();
        if (!frontTimed_) {
            frontDone_ = std::max(lastDone_, Clock::now()) + durationOf(*front);
            frontTimed_ = true;
        }
        if (Clock::now() < frontDone_) {
            changed_.wait_until(lock, frontDone_);
            continue;
        }
        queued_.pop_front();
        frontTimed_ = false;
        lastDone_ = frontDone_;
        completing_ = front;
        if (direction_ == SoundDirection::Input && front->length > 0)
            fillWithSilence(*front);
        lock.unlock();
        if (bufferDone_)
            bufferDone_();
        lock.lock();
        completing_ = nullptr;
        changed_.notify_all();
    }
}

} // namespace sundra
