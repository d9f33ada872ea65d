#include "audio/waitable.h"

#include <chrono>

namespace sundra {

KernelEvent::KernelEvent(bool initiallySignalled, bool manualReset)
    : signalled_(initiallySignalled), manualReset_(manualReset) {}

bool KernelEvent::readyFor(std::uint64_t pulseSeenAtEntry) const {
    if (signalled_) {
        return true;
    }
    const bool pulsedSinceEntry = pulses_ != pulseSeenAtEntry;
    return pulsedSinceEntry && (manualReset_ || pulseUnclaimed_);
}

void KernelEvent::consumeFor(std::uint64_t pulseSeenAtEntry) {
    if (manualReset_) {
        return;
    }
    if (signalled_) {
        signalled_ = false;
    } else if (pulses_ != pulseSeenAtEntry) {
        pulseUnclaimed_ = false;
    }
}

bool KernelEvent::lock(std::uint32_t timeoutMs) {
    std::unique_lock<std::mutex> guard(mutex_);
    const std::uint64_t entry = pulses_;
    const auto ready = [this, entry] { return readyFor(entry); };
    if (timeoutMs == kInfinite) {
        changed_.wait(guard, ready);
    } else if (timeoutMs == 0) {
        if (!ready()) {
            return false;
        }
    } else {
        // A deadline on the steady clock: spurious wake-ups and changes of the
        // wall clock neither shorten nor stretch the wait.
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        if (!changed_.wait_until(guard, deadline, ready)) {
            return false;
        }
    }
    consumeFor(entry);
    return true;
}

bool KernelEvent::set() {
    {
        std::lock_guard<std::mutex> guard(mutex_);
        signalled_ = true;
    }
    changed_.notify_all();
    return true;
}

bool KernelEvent::reset() {
    std::lock_guard<std::mutex> guard(mutex_);
    signalled_ = false;
    return true;
}

bool KernelEvent::pulse() {
    {
        std::lock_guard<std::mutex> guard(mutex_);
        ++pulses_;
        pulseUnclaimed_ = true;
        signalled_ = false;
    }
    changed_.notify_all();
    return true;
}

} // namespace sundra
