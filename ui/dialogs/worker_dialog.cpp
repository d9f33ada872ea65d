#include "ui/dialogs/worker_dialog.h"

#include "ui/platform/dialog_font.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

WorkerDialog::WorkerDialog(QWidget* parent) : QDialog(parent) {
    applyDialogFont(*this);
    setWindowFlag(Qt::WindowMinimizeButtonHint, true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(100);
    connect(&timer_, &QTimer::timeout, this, [this] { onTimer(); });
    timer_.start();
}

WorkerDialog::~WorkerDialog() {
    stopAndJoin();
}

void WorkerDialog::handleMessage(std::uint32_t message, std::uint32_t wParam, std::int64_t lParam) {
    if (message == sundra::kCommandMessage &&
        (wParam == sundra::kIdOk || wParam == sundra::kIdCancel)) {
        if (ended_)
            return;
        if (wParam == sundra::kIdOk)
            accept();
        else
            reject();
        return;
    }
    onMessage(message, wParam, lParam);
}

std::unique_ptr<sundra::Notifier> WorkerDialog::commandNotifier() {
    return std::make_unique<WindowNotifier>(this, this, sundra::kCommandMessage);
}

std::unique_ptr<sundra::Notifier> WorkerDialog::messageNotifier(std::uint32_t message) {
    return std::make_unique<WindowNotifier>(this, this, message);
}

void WorkerDialog::onMessage(std::uint32_t, std::uint32_t, std::int64_t) {}

void WorkerDialog::stopWorker() {
    stopAndJoin();
}

void WorkerDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!started_ && !ended_) {
        started_ = true;
        startThread();
        // The first refresh comes one period after the work began.
        timer_.start();
    }
}

void WorkerDialog::done(int result) {
    if (ended_)
        return;
    ended_ = true;
    // Off the screen first: waiting for the worker may take until the piece it
    // cuts is complete, and the dialog must not stand there frozen meanwhile.
    // exec still returns only once the worker has been dealt with.
    QDialog::done(result);
    timer_.stop();
    stopWorker();
}

QProgressBar* WorkerDialog::makeProgressBar() {
    auto* progress = new QProgressBar(this);
    progress->setObjectName(QStringLiteral("progress"));
    progress->setRange(0, 100);
    progress->setValue(0);
    progress->setTextVisible(false);
    progress->setMinimumHeight(dialogUnitsToPixels(font(), 0, 24).height());
    return progress;
}

QHBoxLayout* WorkerDialog::makeCancelRow(QPushButton*& cancel) {
    cancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setMinimumSize(dialogUnitsToPixels(font(), 50, 14));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* row = new QHBoxLayout;
    row->addStretch(68);
    row->addWidget(cancel, 50);
    row->addStretch(69);
    return row;
}

void WorkerDialog::layOutProgressForm(std::initializer_list<QWidget*> above,
                                      QPointer<QProgressBar>& progress,
                                      QPointer<QPushButton>& cancel) {
    progress = makeProgressBar();
    QPushButton* button = nullptr;
    QHBoxLayout* buttonRow = makeCancelRow(button);
    cancel = button;
    auto* layout = new QVBoxLayout(this);
    for (QWidget* widget : above)
        layout->addWidget(widget);
    layout->addWidget(progress);
    layout->addLayout(buttonRow);
}
