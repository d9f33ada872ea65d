#pragma once
// A scripted sound port for tests. Output buffers complete only when the test
// says so (completeNext, completeAll), from whatever thread the test calls on;
// input buffers are filled on the port's own thread from bytes the test feeds
// (a WAV file's samples or a generated tone) and wait while the input is stalled
// or the fed bytes are used up, so that a read times out.
//
// A TestSoundScript is shared (std::shared_ptr) by the test and the ports it
// hands out; the port itself is usually owned by the device under test. It
// serves one open port at a time.

#include "audio/sound_port.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace sundra {

class TestSoundScript {
public:
    using Bytes = std::vector<std::uint8_t>;

    // Steering, set before the port opens.
    void setFailOpen(bool fail);
    // false makes the port one whose owners must poll isQueued at close.
    void setCanWaitUntilPlayed(bool can);
    // The next queue call is refused with code (a SoundError).
    void refuseNextQueue(int code);

    // Input sources. Fed bytes are used in order; once they are used up the
    // input behaves as stalled.
    void feedBytes(const Bytes& bytes);
    // The samples of a WAV file (read through the program's own reader).
    void feedWavFile(const std::string& path);
    // A sine of frequency Hz at amplitude (full scale 1.0) on every channel, 16-bit.
    void feedTone(const WaveFormat& format, double frequency, double amplitude, double seconds);
    void setInputStalled(bool stalled);

    // Output: completes the oldest queued buffer on the calling thread; false
    // when nothing is queued.
    bool completeNext();
    // Completes every queued buffer; returns how many.
    int completeAll();

    int queuedCount() const;
    // The length of each queued buffer, oldest first.
    std::vector<std::int32_t> queuedBytes() const;
    // The contents of each queued buffer, oldest first.
    std::vector<Bytes> queuedData() const;
    // Everything completed output buffers held, in order.
    Bytes played() const;
    int completedCount() const;

    int opens() const;
    int starts() const;
    int resets() const;
    int closes() const;
    // Buffers still queued when the port was last closed.
    int queuedAtClose() const;
    WaveFormat openedFormat() const;
    SoundDirection openedDirection() const;

    // Waits until the port's owner has begun to wait for the queue to play (a
    // waitUntilPlayed call or an isQueued poll); false after timeout.
    bool waitForDrainRequest(std::chrono::milliseconds timeout);
    // Waits until at least count buffers are queued; false after timeout.
    bool waitForQueued(int count, std::chrono::milliseconds timeout);

private:
    friend class TestSoundPort;

    // Called by the port.
    bool open(const WaveFormat& format, SoundDirection direction, SoundPort::Completion done);
    int queue(SoundBuffer& buffer);
    bool start();
    void reset();
    void close();
    bool isQueued(const SoundBuffer& buffer);
    bool canWaitUntilPlayed() const;
    void waitUntilPlayed();

    bool completeFront(std::unique_lock<std::mutex>& lock);
    bool inputCanFill() const;
    void inputThread();

    mutable std::mutex mutex_;
    std::condition_variable changed_;

    bool failOpen_ = false;
    bool canWaitUntilPlayed_ = true;
    int refuseCode_ = kSoundOk;
    Bytes input_;
    std::size_t inputUsed_ = 0;
    bool inputStalled_ = false;

    bool open_ = false;
    bool running_ = false;
    bool closing_ = false;
    WaveFormat format_;
    SoundDirection direction_ = SoundDirection::Output;
    SoundPort::Completion done_;
    std::deque<SoundBuffer*> queued_;
    std::vector<const SoundBuffer*> completing_;
    std::thread inputThread_;

    Bytes played_;
    int completed_ = 0;
    int opens_ = 0;
    int starts_ = 0;
    int resets_ = 0;
    int closes_ = 0;
    int queuedAtClose_ = 0;
    int drainRequests_ = 0;
};

// The port a device owns; everything it does goes through the shared script.
class TestSoundPort : public SoundPort {
public:
    explicit TestSoundPort(std::shared_ptr<TestSoundScript> script) : script_(std::move(script)) {}
    ~TestSoundPort() override { close(); }

    bool open(const WaveFormat& format, SoundDirection direction, Completion bufferDone) override {
        return script_->open(format, direction, std::move(bufferDone));
    }
    int queue(SoundBuffer& buffer) override { return script_->queue(buffer); }
    bool start() override { return script_->start(); }
    void reset() override { script_->reset(); }
    void close() override { script_->close(); }
    bool isQueued(const SoundBuffer& buffer) const override { return script_->isQueued(buffer); }
    bool canWaitUntilPlayed() const override { return script_->canWaitUntilPlayed(); }
    void waitUntilPlayed() override { script_->waitUntilPlayed(); }

private:
    std::shared_ptr<TestSoundScript> script_;
};

} // namespace sundra
