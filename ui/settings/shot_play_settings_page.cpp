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

    // Label 23 units, slider 94, button 50, all on one row.
    auto* grid = new QGridLayout(page);
    grid->addWidget(timeLabel, 0, 0);
    grid->addWidget(timeSlider_, 0, 1);
    grid->addWidget(defaultButton, 0, 2, Qt::AlignTop);
    grid->setColumnStretch(0, 24);
    grid->setColumnStretch(1, 94);
    grid->setColumnStretch(2, 50);
    grid->setRowStretch(1, 1);

    QWidget::setTabOrder(timeSlider_, defaultButton);
    QObject::connect(defaultButton, &QPushButton::clicked, page, [this] {
        time_ = 10;
        loadControls();
    });
    return page;
}

void CShotPlaySettingsPage::loadControls() {
    if (timeSlider_)
        timeSlider_->setValue(time_);
}

void CShotPlaySettingsPage::saveControls() {
    if (timeSlider_)
        time_ = timeSlider_->value();
}

void CShotPlaySettingsPage::destroyWidget() {
    SettingsPage::destroyWidget();
    timeSlider_ = nullptr;
}

double CShotPlaySettingsPage::shotPlaySeconds() const {
    return time_ * 0.1;
}
