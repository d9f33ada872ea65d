#include "ui/settings/settings_page.h"

#include "split/detection_report.h"
#include "ui/platform/dialog_font.h"

#include <QCheckBox>
#include <QLabel>
#include <QSlider>

SettingsPage::~SettingsPage() = default;

void SettingsPage::destroyWidget() {
    delete widget_.data();
    widget_ = nullptr;
}

QWidget* SettingsPage::makePageWidget(QWidget* parent, int widthUnits, int heightUnits) {
    auto* page = new QWidget(parent);
    applyDialogFont(*page);
    page->setMinimumSize(dialogUnitsToPixels(page->font(), widthUnits, heightUnits));
    widget_ = page;
    return page;
}

namespace page_controls {

QCheckBox* makeCheckBox(QWidget* parent, const QString& text, const QString& objectName) {
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(objectName);
    QObject::connect(box, &QCheckBox::clicked, box, [box] { box->setTristate(false); });
    return box;
}

QSlider* makeSlider(QWidget* parent, const QString& objectName) {
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setObjectName(objectName);
    slider->setRange(0, 100);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setTickInterval(1);
    slider->setSingleStep(1);
    slider->setPageStep(10);
    return slider;
}

void loadCheck(QCheckBox& box, int& field) {
    if (field < 0 || field > 2)
        field = 0;
    if (field == 2) {
        // An indeterminate value shows as such; the next click leaves it for good.
        box.setTristate(true);
        box.setCheckState(Qt::PartiallyChecked);
        return;
    }
    box.setTristate(false);
    box.setCheckState(field == 1 ? Qt::Checked : Qt::Unchecked);
}

int saveCheck(const QCheckBox& box) {
    switch (box.checkState()) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    case Qt::Unchecked:
        break;
    }
    return 0;
}

void setCheck(QCheckBox& box, bool ticked) {
    box.setTristate(false);
    box.setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
}

bool isTicked(const QCheckBox& box) {
    return box.checkState() != Qt::Unchecked;
}

QLabel* makeValueLabel(QWidget* parent, const QString& objectName) {
    auto* label = new QLabel(parent);
    label->setObjectName(objectName);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(levelValue(0.0999)) + 4);
    return label;
}

QString levelValue(double level) {
    return QString::fromStdString(sundra::levelText(level));
}

QString secondsValue(double seconds) {
    return QString::number(seconds, 'f', 1) + QStringLiteral(" s");
}

QString millisecondsValue(int milliseconds) {
    return milliseconds == 0 ? QStringLiteral("off") : QStringLiteral("%1 ms").arg(milliseconds);
}

} // namespace page_controls
