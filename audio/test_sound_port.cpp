#include "audio/test_sound_port.h"

#include "core/byte_stream.h"
#include "core/file.h"
#include "core/wave_file.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <stdexcept>

namespace sundra {

void TestSoundScript::setFailOpen(bool fail) {
    std::lock_guard lock(mutex_);
    failOpen_ = fail;
}

void TestSoundScript::setCanWaitUntilPlayed(bool can) {
    std::lock_guard lock(mutex_);
    canWaitUntilPlayed_ = can;
}

void TestSoundScript::refuseNextQueue(int code) {
    std::lock_guard lock(mutex_);
    refuseCode_ = code;
}

void TestSoundScript::feedBytes(const Bytes& bytes) {
    std::lock_guard lock(mutex_);
    input_.insert(input_.end(), bytes.begin(), bytes.end());
    changed_.notify_all();
}

void TestSoundScript::feedWavFile(const std::string& path) {
    const std::unique_ptr<WaveFileReader> reader = openWaveFile(path);
    if (!reader)
        throw std::runtime_error("not a WAV file: " + path);
    Bytes samples;
    std::uint8_t block[65536];
    for (;;) {
        const std::int32_t got = reader->read(block, sizeof block);
        if (got <= 0)
            break;
        samples.insert(samples.end(), block, block + got);
    }
    feedBytes(samples);
}

void TestSoundScript::feedTone(const WaveFormat& format, double frequency, double amplitude,
                               double seconds) {
    const auto frames = static_cast<std::int64_t>(seconds * format.samplesPerSecond);
    Bytes samples;
    samples.reserve(static_cast<std::size_t>(frames * format.channels * 2));
    for (std::int64_t i = 0; i < frames; ++i) {
        const double phase =
            2.0 * std::numbers::pi * frequency * static_cast<double>(i) / format.samplesPerSecond;
        const auto value =
            static_cast<std::int16_t>(std::lround(amplitude * 32767.0 * std::sin(phase)));
        for (int c = 0; c < format.channels; ++c) {
            samples.push_back(static_cast<std::uint8_t>(value & 0xFF));
            samples.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
        }
    }
    feedBytes(samples);
}

void TestSoundScript::setInputStalled(bool stalled) {
    std::lock_guard lock(mutex_);
    inputStalled_ = stalled;
    changed_.notify_all();
}

bool TestSoundScript::completeFront(std::unique_lock<std::mutex>& lock) {
    if (queued_.empty())
        return false;
    SoundBuffer* buffer = queued_.front();
    queued_.pop_front();
    if (direction_ == SoundDirection::Output)
        played_.insert(played_.end(), buffer->data, buffer->data + buffer->length);
    completing_.push_back(buffer);
    ++completed_;
    SoundPort::Completion done = done_;
    lock.unlock();
    if (done)
        done();
    lock.lock();
    completing_.erase(std::find(completing_.begin(), completing_.end(), buffer));
    changed_.notify_all();
    return true;
}

bool TestSoundScript::completeNext() {
    std::unique_lock lock(mutex_);
    return completeFront(lock);
}

int TestSoundScript::completeAll() {
    std::unique_lock lock(mutex_);
    int count = 0;
    while (completeFront(lock))
        ++count;
    return count;
}

int TestSoundScript::queuedCount() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(queued_.size());
}

std::vector<std::int32_t> TestSoundScript::queuedBytes() const {
    std::lock_guard lock(mutex_);
    std::vector<std::int32_t> lengths;
    for (const SoundBuffer* buffer : queued_)
        lengths.push_back(buffer->length);
    return lengths;
}

std::vector<TestSoundScript::Bytes> TestSoundScript::queuedData() const {
    std::lock_guard lock(mutex_);
    std::vector<Bytes> contents;
    for (const SoundBuffer* buffer : queued_)
        contents.emplace_back(buffer->data, buffer->data + buffer->length);
    return contents;
}

TestSoundScript::Bytes TestSoundScript::played() const {
    std::lock_guard lock(mutex_);
    return played_;
}

int TestSoundScript::completedCount() const {
    std::lock_guard lock(mutex_);
    return completed_;
}

int TestSoundScript::opens() const {
    std::lock_guard lock(mutex_);
    return opens_;
}

int TestSoundScript::starts() const {
    std::lock_guard lock(mutex_);
    return starts_;
}

int TestSoundScript::resets() const {
    std::lock_guard lock(mutex_);
    return resets_;
}

int TestSoundScript::closes() const {
    std::lock_guard lock(mutex_);
    return closes_;
}

int TestSoundScript::queuedAtClose() const {
    std::lock_guard lock(mutex_);
    return queuedAtClose_;
}

WaveFormat TestSoundScript::openedFormat() const {
    std::lock_guard lock(mutex_);
    return format_;
}

SoundDirection TestSoundScript::openedDirection() const {
    std::lock_guard lock(mutex_);
    return direction_;
}

bool TestSoundScript::waitForDrainRequest(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return drainRequests_ > 0; });
}

bool TestSoundScript::waitForQueued(int count, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout,
                             [&] { return static_cast<int>(queued_.size()) >= count; });
}

bool TestSoundScript::open(const WaveFormat& format, SoundDirection direction,
                           SoundPort::Completion done) {
    std::lock_guard lock(mutex_);
    if (failOpen_ || open_)
        return false;
    ++opens_;
    open_ = true;
    running_ = false;
    closing_ = false;
    format_ = format;
    direction_ = direction;
    done_ = std::move(done);
    if (direction == SoundDirection::Input)
        inputThread_ = std::thread([this] { inputThread(); });
    return true;
}

int TestSoundScript::queue(SoundBuffer& buffer) {
    std::lock_guard lock(mutex_);
    if (!open_)
        return kSoundNotOpen;
    if (refuseCode_ != kSoundOk) {
        const int code = refuseCode_;
        refuseCode_ = kSoundOk;
        return code;
    }
    if (!isQueueable(buffer))
        return kSoundInvalidBuffer;
    const int result = appendToQueue(queued_, buffer);
    if (result == kSoundOk)
        changed_.notify_all();
    return result;
}

bool TestSoundScript::start() {
    std::lock_guard lock(mutex_);
    if (!open_)
        return false;
    ++starts_;
    running_ = true;
    changed_.notify_all();
    return true;
}

void TestSoundScript::reset() {
    std::unique_lock lock(mutex_);
    if (!open_)
        return;
    ++resets_;
    running_ = false;
    while (completeFront(lock)) {
    }
}

void TestSoundScript::close() {
    std::unique_lock lock(mutex_);
    if (!open_)
        return;
    closing_ = true;
    changed_.notify_all();
    std::thread feeder = std::move(inputThread_);
    lock.unlock();
    if (feeder.joinable())
        feeder.join();
    lock.lock();
    ++closes_;
    queuedAtClose_ = static_cast<int>(queued_.size());
    queued_.clear();
    open_ = false;
    running_ = false;
    done_ = nullptr;
    changed_.notify_all();
}

bool TestSoundScript::isQueued(const SoundBuffer& buffer) {
    std::lock_guard lock(mutex_);
    ++drainRequests_;
    changed_.notify_all();
    return std::find(queued_.begin(), queued_.end(), &buffer) != queued_.end() ||
           std::find(completing_.begin(), completing_.end(), &buffer) != completing_.end();
}

bool TestSoundScript::canWaitUntilPlayed() const {
    std::lock_guard lock(mutex_);
    return canWaitUntilPlayed_;
}

void TestSoundScript::waitUntilPlayed() {
    std::unique_lock lock(mutex_);
    ++drainRequests_;
    changed_.notify_all();
    changed_.wait(lock, [this] { return queued_.empty() && completing_.empty(); });
}

bool TestSoundScript::inputCanFill() const {
    return running_ && !inputStalled_ && !queued_.empty() && inputUsed_ < input_.size();
}

void TestSoundScript::inputThread() {
    std::unique_lock lock(mutex_);
    while (!closing_) {
        if (!inputCanFill()) {
            changed_.wait(lock);
            continue;
        }
        SoundBuffer* buffer = queued_.front();
        const std::size_t count =
            std::min(static_cast<std::size_t>(buffer->length), input_.size() - inputUsed_);
        if (count > 0)
            std::memcpy(buffer->data, input_.data() + inputUsed_, count);
        inputUsed_ += count;
        buffer->recorded = static_cast<std::int32_t>(count);
        completeFront(lock);
    }
}

} // namespace sundra
