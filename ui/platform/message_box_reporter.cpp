#include "ui/platform/message_box_reporter.h"

#include "audio/error_reporter.h"

#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QPointer>
#include <cstdio>

namespace {

std::function<void(const QString&)>& messageSink() {
    static std::function<void(const QString&)> sink;
    return sink;
}

std::function<bool(const QString&)>& questionAnswer() {
    static std::function<bool(const QString&)> answer;
    return answer;
}

QMessageBox* makeBox(QWidget* owner, const QString& text,
                     QMessageBox::Icon icon = QMessageBox::Warning) {
    return new QMessageBox(icon, QStringLiteral("Sundra"), text, QMessageBox::Ok, owner);
}

void execBox(QWidget* owner, const QString& text, QMessageBox::Icon icon) {
    if (messageSink()) {
        messageSink()(text);
        return;
    }
    // Guarded: the box goes with its owner if the owner is destroyed meanwhile.
    QPointer<QMessageBox> box = makeBox(owner, text, icon);
    box->exec();
    delete box.data();
}

// On the window thread: a box that does not run a loop of its own, so that the
// queued call that shows it returns at once.
void showQueuedBox(const QString& text) {
    if (messageSink()) {
        messageSink()(text);
        return;
    }
    QMessageBox* box = makeBox(nullptr, text);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    box->show();
}

} // namespace

void installMessageBoxErrorReporter() {
    sundra::setErrorReporter([](const std::string& text) {
        const QString message = QString::fromStdString(text);
        QCoreApplication* app = QCoreApplication::instance();
        if (app == nullptr ||
            !QMetaObject::invokeMethod(
                app, [message] { showQueuedBox(message); }, Qt::QueuedConnection)) {
            std::fprintf(stderr, "Sundra: %s\n", text.c_str());
        }
    });
}

void showMessage(QWidget* owner, const QString& text) {
    execBox(owner, text, QMessageBox::Warning);
}

void showInformation(QWidget* owner, const QString& text) {
    execBox(owner, text, QMessageBox::Information);
}

bool askYesNo(QWidget* owner, const QString& question) {
    if (questionAnswer()) {
        return questionAnswer()(question);
    }
    if (messageSink()) {
        messageSink()(question);
        return false;
    }
    QPointer<QMessageBox> box =
        new QMessageBox(QMessageBox::Question, QStringLiteral("Sundra"), question,
                        QMessageBox::Yes | QMessageBox::No, owner);
    const bool yes = box->exec() == QMessageBox::Yes;
    delete box.data();
    return yes;
}

void setQuestionAnswerForTests(std::function<bool(const QString&)> answer) {
    questionAnswer() = std::move(answer);
}

void setMessageSinkForTests(std::function<void(const QString&)> sink) {
    messageSink() = std::move(sink);
}

void sendMessagesToStandardError() {
    messageSink() = [](const QString& text) {
        std::fprintf(stderr, "sundra: %s\n", text.toLocal8Bit().constData());
    };
}
