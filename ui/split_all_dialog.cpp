#include "ui/split_all_dialog.h"

#include "core/units.h"
#include "ui/dialog_font.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

CSplitAllDialog::CSplitAllDialog(sundra::SampleReaderWriter& source,
                                 const sundra::SplitSettings& settings, QWidget* parent)
    : WorkerDialog(parent), settings_(settings), source_(source) {
    setWindowTitle(QStringLiteral("Split All Dialog"));
    setMinimumSize(dialogUnitsToPixels(font(), 187, 57));

    progress_ = makeProgressBar();
    QPushButton* cancel = nullptr;
    QHBoxLayout* buttonRow = makeCancelRow(cancel);
    cancel_ = cancel;
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(progress_);
    layout->addLayout(buttonRow);
}

CSplitAllDialog::~CSplitAllDialog() {
    // run uses the members below: the worker must be gone before they are.
    stopAndJoin();
}

bool CSplitAllDialog::begin() {
    // Built here, on the window thread, before the worker exists.
    commands_ = commandNotifier();
    return true;
}

int CSplitAllDialog::run(sundra::Event& stopEvent) {
    return sundra::splitAll(source_, settings_, stopEvent, pieces_, *commands_);
}

void CSplitAllDialog::onTimer() {
    progress_->setValue(static_cast<int>(sundra::positionRatio(source_) * 100.0));
}

void CSplitAllDialog::done(int result) {
    WorkerDialog::done(result);
    // The worker has been joined by now; pieces found before a cancel are
    // released rather than handed over.
    if (this->result() != QDialog::Accepted)
        pieces_.clear();
}
