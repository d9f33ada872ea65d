#pragma once
// WorkerDialog: the shared behaviour of the modal progress dialogs (split all,
// save all, recording). The dialog is also the task of its own worker thread:
// the worker starts when the dialog is first shown, a 100 ms timer refreshes the
// display from what the task keeps, and the task ends the dialog by posting OK
// or Cancel through commandNotifier(). When the dialog ends, its worker is asked
// to stop and, unless a dialog says otherwise, joined before exec returns. A
// dialog runs once: build a new one for every run.
//
// Threads: everything here runs on the window thread except run(), which a
// derived dialog implements for the worker thread.

#include "audio/worker_thread.h"
#include "ui/platform/window_notifier.h"

#include <QDialog>
#include <QPointer>
#include <QTimer>

class QHBoxLayout;
class QProgressBar;
class QPushButton;
#include <cstdint>
#include <initializer_list>
#include <memory>

class WorkerDialog : public QDialog, public sundra::ThreadedTask, public MessageTarget {
    Q_OBJECT
public:
    explicit WorkerDialog(QWidget* parent);
    // Stops and joins the worker if it still runs.
    ~WorkerDialog() override;

    // kCommandMessage with kIdOk / kIdCancel ends the dialog with accept() /
    // reject(); anything else goes to onMessage. Once the dialog has ended,
    // further commands are ignored: whichever came first decides the result.
    void handleMessage(std::uint32_t message, std::uint32_t wParam, std::int64_t lParam) override;

    // For the worker: posts kCommandMessage (wParam = kIdOk or kIdCancel) here.
    std::unique_ptr<sundra::Notifier> commandNotifier();
    // For the worker: posts message to onMessage.
    std::unique_ptr<sundra::Notifier> messageNotifier(std::uint32_t message);

    // Ends the dialog once: hides it, then stops the worker (stopWorker).
    void done(int result) override;

    bool workerStarted() const { return started_; }
    // The dialog's worker thread (QObject::thread() is the window thread).
    sundra::WorkerThread& worker() { return sundra::ThreadedTask::thread(); }

protected:
    // Every 100 ms while the dialog is open (the timer with id 1).
    virtual void onTimer() = 0;
    // A posted message other than OK / Cancel.
    virtual void onMessage(std::uint32_t message, std::uint32_t wParam, std::int64_t lParam);
    // What ending the dialog does to the worker; by default stop and join, so
    // exec returns only after the worker has returned.
    virtual void stopWorker();

    void showEvent(QShowEvent* event) override;

    // The parts the progress dialogs share: a 0..100 progress bar without text,
    // 24 dialog units high, and the row that centres the "ｷｬﾝｾﾙ" button (50 x 14
    // units), which cancels the dialog.
    QProgressBar* makeProgressBar();
    QHBoxLayout* makeCancelRow(QPushButton*& cancel);
    // The whole form of a progress dialog: the given widgets, top to bottom,
    // then the progress bar and the cancel row, which progress and cancel get.
    void layOutProgressForm(std::initializer_list<QWidget*> above, QPointer<QProgressBar>& progress,
                            QPointer<QPushButton>& cancel);

private:
    QTimer timer_;
    bool started_ = false;
    bool ended_ = false;
};
