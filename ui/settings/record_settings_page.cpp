#include "ui/settings/record_settings_page.h"

#include "ui/settings/settings_store.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

namespace {

const char* const kSection = "record";

QLabel* makeLabel(const QString& text, const QString& objectName, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(objectName);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

} // namespace

CRecordSettingsPage::CRecordSettingsPage(SettingsStore& store)
    : store_(store), autoStop_(0), autoStopLevel_(0), autoStopTime_(0), overloadStop_(0),
      overloadStopLevel_(0), wait_(0), waitLevel_(0) {
    wait_ = store_.readInt(kSection, "wait", 0);
    waitLevel_ = store_.readInt(kSection, "waitlevel", 50);
    autoStop_ = store_.readInt(kSection, "autostop", 0);
    autoStopLevel_ = store_.readInt(kSection, "autostoplevel", 50);
    autoStopTime_ = store_.readInt(kSection, "autostoptime", 50);
    overloadStop_ = store_.readInt(kSection, "overloadstop", 0);
    overloadStopLevel_ = store_.readInt(kSection, "overloadstoplevel", 90);
}

CRecordSettingsPage::~CRecordSettingsPage() {
    store_.writeInt(kSection, "wait", wait_);
    store_.writeInt(kSection, "waitlevel", waitLevel_);
    store_.writeInt(kSection, "autostop", autoStop_);
    store_.writeInt(kSection, "autostoplevel", autoStopLevel_);
    store_.writeInt(kSection, "autostoptime", autoStopTime_);
    store_.writeInt(kSection, "overloadstop", overloadStop_);
    store_.writeInt(kSection, "overloadstoplevel", overloadStopLevel_);
    destroyWidget();
}

QString CRecordSettingsPage::title() const {
    return QStringLiteral("Record");
}

QWidget* CRecordSettingsPage::createWidget(QWidget* parent) {
    using namespace page_controls;
    QWidget* page = makePageWidget(parent, 187, 165);

    // Controls in the template's order.
    waitBox_ = makeCheckBox(page, QStringLiteral("waitting"), QStringLiteral("waitBox"));
    waitLevelSlider_ = makeSlider(page, QStringLiteral("waitLevelSlider"));
    autoStopBox_ = makeCheckBox(page, QStringLiteral("auto stop"), QStringLiteral("autoStopBox"));
    autoStopLevelSlider_ = makeSlider(page, QStringLiteral("autoStopLevelSlider"));
    autoStopTimeSlider_ = makeSlider(page, QStringLiteral("autoStopTimeSlider"));
    overloadStopBox_ =
        makeCheckBox(page, QStringLiteral("overload stop"), QStringLiteral("overloadStopBox"));
    overloadStopLevelSlider_ = makeSlider(page, QStringLiteral("overloadStopLevelSlider"));
    waitLevelLabel_ = makeLabel(QStringLiteral("level"), QStringLiteral("waitLevelLabel"), page);
    autoStopLevelLabel_ =
        makeLabel(QStringLiteral("level"), QStringLiteral("autoStopLevelLabel"), page);
    autoStopTimeLabel_ =
        makeLabel(QStringLiteral("time"), QStringLiteral("autoStopTimeLabel"), page);
    overloadStopLevelLabel_ =
        makeLabel(QStringLiteral("level"), QStringLiteral("overloadStopLevelLabel"), page);
    auto* defaultButton = new QPushButton(QStringLiteral("default"), page);
    defaultButton->setObjectName(QStringLiteral("defaultButton"));
    defaultButton->setAutoDefault(false);
    waitLevelValue_ = makeValueLabel(page, QStringLiteral("waitLevelValue"));
    autoStopLevelValue_ = makeValueLabel(page, QStringLiteral("autoStopLevelValue"));
    autoStopTimeValue_ = makeValueLabel(page, QStringLiteral("autoStopTimeValue"));
    overloadStopLevelValue_ = makeValueLabel(page, QStringLiteral("overloadStopLevelValue"));

    // Labels about 24 units wide, sliders 94, their values, the button column
    // 50: each check box heads the slider rows it governs.
    auto* grid = new QGridLayout(page);
    grid->addWidget(waitBox_, 0, 0, 1, 2);
    grid->addWidget(defaultButton, 0, 3, Qt::AlignTop);
    grid->addWidget(waitLevelLabel_, 1, 0);
    grid->addWidget(waitLevelSlider_, 1, 1);
    grid->addWidget(waitLevelValue_, 1, 2);
    grid->addWidget(autoStopBox_, 2, 0, 1, 2);
    grid->addWidget(autoStopLevelLabel_, 3, 0);
    grid->addWidget(autoStopLevelSlider_, 3, 1);
    grid->addWidget(autoStopLevelValue_, 3, 2);
    grid->addWidget(autoStopTimeLabel_, 4, 0);
    grid->addWidget(autoStopTimeSlider_, 4, 1);
    grid->addWidget(autoStopTimeValue_, 4, 2);
    grid->addWidget(overloadStopBox_, 5, 0, 1, 2);
    grid->addWidget(overloadStopLevelLabel_, 6, 0);
    grid->addWidget(overloadStopLevelSlider_, 6, 1);
    grid->addWidget(overloadStopLevelValue_, 6, 2);
    grid->setColumnStretch(0, 24);
    grid->setColumnStretch(1, 94);
    grid->setColumnStretch(3, 50);
    grid->setRowStretch(7, 1);

    QWidget::setTabOrder(waitBox_, waitLevelSlider_);
    QWidget::setTabOrder(waitLevelSlider_, autoStopBox_);
    QWidget::setTabOrder(autoStopBox_, autoStopLevelSlider_);
    QWidget::setTabOrder(autoStopLevelSlider_, autoStopTimeSlider_);
    QWidget::setTabOrder(autoStopTimeSlider_, overloadStopBox_);
    QWidget::setTabOrder(overloadStopBox_, overloadStopLevelSlider_);
    QWidget::setTabOrder(overloadStopLevelSlider_, defaultButton);

    QObject::connect(waitBox_, &QCheckBox::stateChanged, page, [this] { applyWaitRule(); });
    QObject::connect(autoStopBox_, &QCheckBox::stateChanged, page, [this] { applyAutoStopRule(); });
    QObject::connect(overloadStopBox_, &QCheckBox::stateChanged, page,
                     [this] { applyOverloadRule(); });
    QObject::connect(defaultButton, &QPushButton::clicked, page, [this] { setDefaultControls(); });
    for (QSlider* slider : {waitLevelSlider_.data(), autoStopLevelSlider_.data(),
                            autoStopTimeSlider_.data(), overloadStopLevelSlider_.data()})
        QObject::connect(slider, &QSlider::valueChanged, page, [this] { showValues(); });
    showValues();
    return page;
}

void CRecordSettingsPage::showValues() {
    // The sliders' values through the conversion the recording uses.
    const sundra::RecordSettings shown = sundra::RecordSettings::fromPageValues(
        0, waitLevelSlider_->value(), 0, autoStopLevelSlider_->value(),
        autoStopTimeSlider_->value(), 0, overloadStopLevelSlider_->value());
    waitLevelValue_->setText(page_controls::levelValue(shown.waitLevel));
    autoStopLevelValue_->setText(page_controls::levelValue(shown.autoStopLevel));
    autoStopTimeValue_->setText(page_controls::secondsValue(shown.autoStopTime));
    overloadStopLevelValue_->setText(page_controls::levelValue(shown.overloadStopLevel));
}

void CRecordSettingsPage::loadControls() {
    if (!widget_)
        return;
    page_controls::loadCheck(*autoStopBox_, autoStop_);
    autoStopLevelSlider_->setValue(autoStopLevel_);
    autoStopTimeSlider_->setValue(autoStopTime_);
    page_controls::loadCheck(*overloadStopBox_, overloadStop_);
    overloadStopLevelSlider_->setValue(overloadStopLevel_);
    page_controls::loadCheck(*waitBox_, wait_);
    waitLevelSlider_->setValue(waitLevel_);
    applyRules();
    showValues();
}

void CRecordSettingsPage::saveControls() {
    if (!widget_)
        return;
    autoStop_ = page_controls::saveCheck(*autoStopBox_);
    autoStopLevel_ = autoStopLevelSlider_->value();
    autoStopTime_ = autoStopTimeSlider_->value();
    overloadStop_ = page_controls::saveCheck(*overloadStopBox_);
    overloadStopLevel_ = overloadStopLevelSlider_->value();
    wait_ = page_controls::saveCheck(*waitBox_);
    waitLevel_ = waitLevelSlider_->value();
}

void CRecordSettingsPage::destroyWidget() {
    SettingsPage::destroyWidget();
    waitBox_ = nullptr;
    waitLevelSlider_ = nullptr;
    autoStopBox_ = nullptr;
    autoStopLevelSlider_ = nullptr;
    autoStopTimeSlider_ = nullptr;
    overloadStopBox_ = nullptr;
    overloadStopLevelSlider_ = nullptr;
    waitLevelLabel_ = nullptr;
    autoStopLevelLabel_ = nullptr;
    autoStopTimeLabel_ = nullptr;
    overloadStopLevelLabel_ = nullptr;
    waitLevelValue_ = nullptr;
    autoStopLevelValue_ = nullptr;
    autoStopTimeValue_ = nullptr;
    overloadStopLevelValue_ = nullptr;
}

sundra::RecordSettings CRecordSettingsPage::makeRecordSettings() const {
    return sundra::RecordSettings::fromPageValues(wait_, waitLevel_, autoStop_, autoStopLevel_,
                                                  autoStopTime_, overloadStop_, overloadStopLevel_);
}

// A box in any state but clear (ticked or indeterminate) enables its controls.
void CRecordSettingsPage::applyWaitRule() {
    const bool enabled = page_controls::isTicked(*waitBox_);
    waitLevelLabel_->setEnabled(enabled);
    waitLevelSlider_->setEnabled(enabled);
    waitLevelValue_->setEnabled(enabled);
}

void CRecordSettingsPage::applyAutoStopRule() {
    const bool enabled = page_controls::isTicked(*autoStopBox_);
    autoStopLevelLabel_->setEnabled(enabled);
    autoStopLevelSlider_->setEnabled(enabled);
    autoStopTimeLabel_->setEnabled(enabled);
    autoStopTimeSlider_->setEnabled(enabled);
    autoStopLevelValue_->setEnabled(enabled);
    autoStopTimeValue_->setEnabled(enabled);
}

void CRecordSettingsPage::applyOverloadRule() {
    const bool enabled = page_controls::isTicked(*overloadStopBox_);
    overloadStopLevelLabel_->setEnabled(enabled);
    overloadStopLevelSlider_->setEnabled(enabled);
    overloadStopLevelValue_->setEnabled(enabled);
}

void CRecordSettingsPage::applyRules() {
    applyWaitRule();
    applyAutoStopRule();
    applyOverloadRule();
}

void CRecordSettingsPage::setDefaultControls() {
    page_controls::setCheck(*waitBox_, false);
    waitLevelSlider_->setValue(50);
    page_controls::setCheck(*autoStopBox_, false);
    autoStopLevelSlider_->setValue(50);
    autoStopTimeSlider_->setValue(50);
    page_controls::setCheck(*overloadStopBox_, false);
    overloadStopLevelSlider_->setValue(90);
    applyRules();
}
