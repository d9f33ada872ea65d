#pragma once
// A counting semaphore with a maximum count: a release beyond the maximum is
// refused and changes nothing. The sound devices count their free and filled
// buffers with it; the sound callback only releases.

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace sundra {

class Semaphore {
public:
    Semaphore(int initialCount, int maximumCount);
    // Takes one count, waiting at most timeoutMs (kInfinite: forever).
    bool acquire(std::uint32_t timeoutMs);
    // Waits at most timeoutMs until a count is there, without taking it.
    bool waitUntilAvailable(std::uint32_t timeoutMs);
    // Gives one count back; false when that would exceed the maximum.
    bool release();
    int count() const;

private:
    // Waits under guard until a count is there or timeoutMs passed.
    bool waitForCount(std::unique_lock<std::mutex>& guard, std::uint32_t timeoutMs);

    mutable std::mutex mutex_;
    std::condition_variable available_;
    int count_;
    int maximum_;
};

} // namespace sundra
