#pragma once
// Notifier: how a worker tells a window something without waiting for it. The
// engine knows only this base, whose operations do nothing; the window program
// provides a notifier that queues a call on the window thread. A worker only
// ever posts, so that its owner may join it from the window thread.

#include <cstdint>

namespace sundra {

// Message numbers of the dialog protocol.
inline constexpr std::uint32_t kCommandMessage = 0x0111; // a command (wParam = id)
inline constexpr std::uint32_t kUserMessage = 0x0400;    // first private message
inline constexpr std::uint32_t kIdOk = 1;
inline constexpr std::uint32_t kIdCancel = 2;

class Notifier {
public:
    virtual ~Notifier() = default;
    // Queue the message; true when it was accepted.
    virtual bool post(std::uint32_t /*wParam*/, std::int64_t /*lParam*/) { return true; }
    virtual bool post() { return true; }
    // Deliver and wait for the result; -1 when there is no target.
    virtual std::int64_t send(std::uint32_t /*wParam*/, std::int64_t /*lParam*/) { return 0; }
    virtual std::int64_t send() { return 0; }

    // A process-wide notifier that does nothing (used where nobody listens).
    static Notifier& none();
};

} // namespace sundra
