#include "ui/settings/shot_play_settings_page.h"

#include "ui/settings/settings_store.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

namespace {
const char* const kSection = "shotplay";
}

CShotPlaySettingsPage::CShotPlaySettingsPage(SettingsStore& store)
    : store_(store), time_(store.readInt(kSection, "time", 10)) {}

CShotPlaySettingsPage::~CShotPlaySettingsPage() {
    store_.writeInt(kSection, "time", time_);
    destroyWidget();
}

QString CShotPlaySettingsPage::title() const {
    return QStringLiteral("shot play");
}

QWidget* CShotPlaySettingsPage::createWidget(QWidget* parent) {
    QWidget* page = makePageWidget(parent, 187, 37);

    timeSlider_ = page_controls::makeSlider(page, QStringLiteral("timeSlider"));
    auto* timeLabel = new QLabel(QStringLiteral("time"), page);
    timeLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    auto* defaultButton = new QPushButton(QStringLiteral("default"), page);
    defaultButton->setObjectName(QStringLiteral("defaultButton"));
    defaultButton->setAutoDefault(false);
    timeValue_ = page_controls::makeValueLabel(page, QStringLiteral("timeValue"));

    // Label 23 units, slider 94, its value, button 50, all on one row.
    auto* grid = new QGridLayout(page);
    grid->addWidget(timeLabel, 0, 0);
    grid->addWidget(timeSlider_, 0, 1);
    grid->addWidget(timeValue_, 0, 2);
    grid->addWidget(defaultButton, 0, 3, Qt::AlignTop);
    grid->setColumnStretch(0, 24);
    grid->setColumnStretch(1, 94);
    grid->setColumnStretch(3, 50);
    grid->setRowStretch(1, 1);

    QWidget::setTabOrder(timeSlider_, defaultButton);
    QObject::connect(defaultButton, &QPushButton::clicked, page, [this] {
        time_ = 10;
        loadControls();
    });
    QObject::connect(timeSlider_, &QSlider::valueChanged, page, [this](int position) {
        timeValue_->setText(page_controls::secondsValue(secondsOf(position)));
    });
    timeValue_->setText(page_controls::secondsValue(secondsOf(timeSlider_->value())));
    return page;
}

void CShotPlaySettingsPage::loadControls() {
    if (!timeSlider_)
        return;
    timeSlider_->setValue(time_);
    timeValue_->setText(page_controls::secondsValue(secondsOf(timeSlider_->value())));
}

void CShotPlaySettingsPage::saveControls() {
    if (timeSlider_)
        time_ = timeSlider_->value();
}

void CShotPlaySettingsPage::destroyWidget() {
    SettingsPage::destroyWidget();
    timeSlider_ = nullptr;
    timeValue_ = nullptr;
}

double CShotPlaySettingsPage::secondsOf(int time) {
    return time * 0.1;
}

double CShotPlaySettingsPage::shotPlaySeconds() const {
    return secondsOf(time_);
}
