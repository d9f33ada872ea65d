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

bool Semaphore::acquire(std::uint32_t timeoutMs) {
    std::unique_lock<std::mutex> guard(mutex_);
    const auto available = [this] { return count_ > 0; };
    if (timeoutMs == kInfinite) {
        available_.wait(guard, available);
    } else if (timeoutMs == 0) {
        if (!available()) {
            return false;
        }
    } else {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        if (!available_.wait_until(guard, deadline, available)) {
            return false;
        }
    }
    --count_;
    return true;
}

bool Semaphore::release() {
    {
        std::lock_guard<std::mutex> guard(mutex_);
        if (count_ >= maximum_) {
            return false;
        }
        ++count_;
    }
    available_.notify_one();
    return true;
}

int Semaphore::count() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return count_;
}

} // namespace sundra
