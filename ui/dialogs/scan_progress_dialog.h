#pragma once
// ScanProgressDialog: the progress dialog of a worker that reads one track
// from its start (Auto Split, Find Tracks, the detection's scan). The bar
// follows the track's position every 100 ms and "ｷｬﾝｾﾙ" ends the dialog; the
// worker ends it with OK through commands(), which is made on the window
// thread before the worker starts.

#include "core/sample_stream.h"
#include "ui/dialogs/worker_dialog.h"

#include <QPointer>
#include <QProgressBar>
#include <QPushButton>

#include <memory>

class ScanProgressDialog : public WorkerDialog {
    Q_OBJECT
public:
    ScanProgressDialog(const sundra::SampleStream& scanned, const QString& title, QWidget* parent);

    QProgressBar* progressBar() const { return progress_; }
    QPushButton* cancelButton() const { return cancel_; }

    bool begin() override;

protected:
    void onTimer() override;
    // For the worker: posts OK or Cancel to the dialog.
    sundra::Notifier& commands() { return *commands_; }

private:
    const sundra::SampleStream& scanned_;
    std::unique_ptr<sundra::Notifier> commands_;
    QPointer<QProgressBar> progress_;
    QPointer<QPushButton> cancel_;
};
