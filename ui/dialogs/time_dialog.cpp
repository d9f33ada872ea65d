#include "ui/dialogs/time_dialog.h"

#include "core/time_text.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString timeString(std::int64_t micros) {
    return QString::fromStdString(sundra::timeText(micros, 3));
}

} // namespace

CTimeDialog::CTimeDialog(const QString& title, const QString& prompt, std::int64_t initial,
                         std::int64_t end, QWidget* parent)
    : QDialog(parent), end_(end) {
    setObjectName(QStringLiteral("timeDialog"));
    setWindowTitle(title);
    edit_ = new QLineEdit(timeString(initial), this);
    edit_->setObjectName(QStringLiteral("time"));
    edit_->selectAll();
    hint_ = new QLabel(this);
    hint_->setObjectName(QStringLiteral("hint"));
    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

    auto* label = new QLabel(prompt, this);
    label->setBuddy(edit_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(edit_);
    layout->addWidget(hint_);
    layout->addWidget(buttons_);

    connect(edit_, &QLineEdit::textChanged, this, &CTimeDialog::check);
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    check();
}

std::optional<std::int64_t> CTimeDialog::time() const {
    const auto micros = sundra::parseTimeText(edit_->text().toStdString());
    if (!micros || *micros > end_) {
        return std::nullopt;
    }
    return micros;
}

void CTimeDialog::check() {
    const auto micros = sundra::parseTimeText(edit_->text().toStdString());
    if (!micros) {
        hint_->setText(QStringLiteral("Type a time as h:mm:ss.mmm, m:ss or seconds."));
    } else if (*micros > end_) {
        hint_->setText(QStringLiteral("The file ends at %1.").arg(timeString(end_)));
    } else {
        hint_->setText(
            QStringLiteral("The file runs from 0:00:00.000 to %1.").arg(timeString(end_)));
    }
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(time().has_value());
}

std::optional<std::int64_t> CTimeDialog::ask(QWidget* parent, const QString& title,
                                             const QString& prompt, std::int64_t initial,
                                             std::int64_t end) {
    CTimeDialog dialog(title, prompt, initial, end, parent);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.time();
}
