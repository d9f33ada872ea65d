#pragma once
// WindowNotifier: how a worker thread tells a window something. post queues a
// call of handler->handleMessage on the target's thread and returns at once;
// a worker never waits for the window thread, so the window thread may join the
// worker. A null or destroyed target makes post return false and send -1.
//
// The target is watched with a QPointer; the owner must keep it alive while a
// worker may still post (the worker dialogs join their worker before they go).
// Calls still queued when the target is destroyed are dropped.

#include "audio/notifier.h"

#include <QObject>
#include <QPointer>
#include <cstdint>

class MessageTarget {
public:
    virtual ~MessageTarget() = default;
    // Runs on the target's thread.
    virtual void handleMessage(std::uint32_t message, std::uint32_t wParam,
                               std::int64_t lParam) = 0;
};

class WindowNotifier : public sundra::Notifier {
public:
    // target: the window whose thread runs the handler (not owned); handler: who
    // handles the message, usually the target itself.
    WindowNotifier(QObject* target, MessageTarget* handler, std::uint32_t message,
                   std::uint32_t wParam = 0, std::int64_t lParam = 0);

    bool post(std::uint32_t wParam, std::int64_t lParam) override;
    bool post() override;
    // Runs the handler and waits for it; 0 when it ran. Never called by workers
    // (it would block while the window thread joins them).
    std::int64_t send(std::uint32_t wParam, std::int64_t lParam) override;
    std::int64_t send() override;

private:
    QPointer<QObject> target_;
    MessageTarget* handler_;
    std::uint32_t message_;
    std::uint32_t wParam_;
    std::int64_t lParam_;
};
