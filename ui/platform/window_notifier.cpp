#include "ui/platform/window_notifier.h"

#include <QMetaObject>
#include <QThread>

WindowNotifier::WindowNotifier(QObject* target, MessageTarget* handler, std::uint32_t message,
                               std::uint32_t wParam, std::int64_t lParam)
    : target_(target), handler_(handler), message_(message), wParam_(wParam), lParam_(lParam) {}

bool WindowNotifier::post(std::uint32_t wParam, std::int64_t lParam) {
    QObject* target = target_.data();
    if (target == nullptr || handler_ == nullptr)
        return false;
    MessageTarget* handler = handler_;
    const std::uint32_t message = message_;
    // With target as the context object the call is dropped if target is
    // destroyed before it runs.
    return QMetaObject::invokeMethod(
        target,
        [handler, message, wParam, lParam] { handler->handleMessage(message, wParam, lParam); },
        Qt::QueuedConnection);
}

bool WindowNotifier::post() {
    return post(wParam_, lParam_);
}

std::int64_t WindowNotifier::send(std::uint32_t wParam, std::int64_t lParam) {
    QObject* target = target_.data();
    if (target == nullptr || handler_ == nullptr)
        return -1;
    if (target->thread() == QThread::currentThread()) {
        handler_->handleMessage(message_, wParam, lParam);
        return 0;
    }
    MessageTarget* handler = handler_;
    const std::uint32_t message = message_;
    const bool ran = QMetaObject::invokeMethod(
        target,
        [handler, message, wParam, lParam] { handler->handleMessage(message, wParam, lParam); },
        Qt::BlockingQueuedConnection);
    return ran ? 0 : -1;
}

std::int64_t WindowNotifier::send() {
    return send(wParam_, lParam_);
}
