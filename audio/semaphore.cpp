#include "audio/semaphore.h"

#include "audio/waitable.h"

#include <chrono>
#include <stdexcept>

namespace sundra {

Semaphore::Semaphore(int initialCount, int maximumCount)
    : count_(initialCount), maximum_(maximumCount) {
    if (maximumCount <= 0 || initialCount < 0 || initialCount > maximumCount) {
        throw std::invalid_argument("Semaphore: counts out of range");
    }
}

bool Semaphore::waitForCount(std::unique_lock<std::mutex>& guard, std::uint32_t timeoutMs) {
    const auto available = [this] { return count_ > 0; };
    if (timeoutMs == kInfinite) {
        available_.wait(guard, available);
        return true;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    return available_.wait_until(guard, deadline, available);
}

bool Semaphore::acquire(std::uint32_t timeoutMs) {
    std::unique_lock<std::mutex> guard(mutex_);
    if (!waitForCount(guard, timeoutMs)) {
        return false;
    }
    --count_;
    return true;
}

bool Semaphore::waitUntilAvailable(std::uint32_t timeoutMs) {
    std::unique_lock<std::mutex> guard(mutex_);
    return waitForCount(guard, timeoutMs);
}

bool Semaphore::release() {
    {
        std::lock_guard<std::mutex> guard(mutex_);
        if (count_ >= maximum_) {
            return false;
        }
        ++count_;
    }
    // Every waiter: one that only looks must not take the wake-up from one
    // that takes.
    available_.notify_all();
    return true;
}

int Semaphore::count() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return count_;
}

} // namespace sundra
