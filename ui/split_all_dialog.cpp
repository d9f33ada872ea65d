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

    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("progress"));
    progress_->setRange(0, 100);
    progress_->setValue(0);
    progress_->setTextVisible(false);
    progress_->setMinimumHeight(dialogUnitsToPixels(font(), 0, 24).height());

    cancel_ = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    cancel_->setObjectName(QStringLiteral("cancelButton"));
    cancel_->setMinimumSize(dialogUnitsToPixels(font(), 50, 14));
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(68);
    buttonRow->addWidget(cancel_, 50);
    buttonRow->addStretch(69);
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
