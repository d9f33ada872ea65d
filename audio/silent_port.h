#pragma once
// A sound port without a sound card: it plays and records silence in real time.
// Its own thread completes each queued buffer once the buffer's duration has
// passed, as a device would, so playback paces exactly like on a card; input
// buffers are filled with silence (the midpoint for 8-bit samples).

#include "audio/sound_port.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace sundra {

class SilentPort : public SoundPort {
public:
    SilentPort() = default;
    ~SilentPort() override;
    SilentPort(const SilentPort&) = delete;
    SilentPort& operator=(const SilentPort&) = delete;

    bool open(const WaveFormat& format, SoundDirection direction, Completion bufferDone) override;
    int queue(SoundBuffer& buffer) override;
    bool start() override;
    void reset() override;
    void close() override;
    bool isQueued(const SoundBuffer& buffer) const override;
    bool canWaitUntilPlayed() const override { return true; }
    void waitUntilPlayed() override;

private:
    using Clock = std::chrono::steady_clock;

    void threadProcedure();
    Clock::duration durationOf(const SoundBuffer& buffer) const;
    void fillWithSilence(SoundBuffer& buffer) const;

    WaveFormat format_;
    SoundDirection direction_ = SoundDirection::Output;
    Completion bufferDone_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<SoundBuffer*> queued_;
    // Taken off the queue, completion still running.
    SoundBuffer* completing_ = nullptr;
    // Resets whose completions are still running.
    int resetting_ = 0;
    // When the buffer at the front of the queue is done; the previous buffer's
    // end, so that a steady stream of buffers never drifts from real time.
    Clock::time_point frontDone_;
    bool frontTimed_ = false;
    Clock::time_point lastDone_;
    bool running_ = false;
    bool closing_ = false;
    std::thread thread_;
};

} // namespace sundra
