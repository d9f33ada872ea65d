#pragma once
// Events that a worker and its owner share. KernelEvent is the stop event of
// every worker thread: manual reset, set by the owner, polled by the task with
// lock(0) between units of work.

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace sundra {

inline constexpr std::uint32_t kInfinite = 0xFFFFFFFF;

class Waitable {
public:
    // Waits until signalled or until timeoutMs passed (0 polls, kInfinite waits
    // forever). True only when the object is signalled.
    virtual bool lock(std::uint32_t timeoutMs) = 0;
    virtual bool unlock() = 0;
    virtual ~Waitable() = default;
};

class Event : public Waitable {
public:
    virtual bool set() = 0;
    virtual bool reset() = 0;
    // Releases the current waiters, then leaves the event non-signalled.
    virtual bool pulse() = 0;
};

class KernelEvent : public Event {
public:
    KernelEvent(bool initiallySignalled, bool manualReset);
    bool lock(std::uint32_t timeoutMs) override;
    bool unlock() override { return true; }
    bool set() override;
    bool reset() override;
    bool pulse() override;

private:
    bool readyFor(std::uint64_t pulseSeenAtEntry) const;
    void consumeFor(std::uint64_t pulseSeenAtEntry);

    std::mutex mutex_;
    std::condition_variable changed_;
    bool signalled_;
    bool manualReset_;
    // A pulse releases the threads already waiting: each waiter notes the count
    // at entry and counts as released once it moved. An auto-reset pulse
    // releases one of them, which takes pulseUnclaimed_.
    std::uint64_t pulses_ = 0;
    bool pulseUnclaimed_ = false;
};

} // namespace sundra
