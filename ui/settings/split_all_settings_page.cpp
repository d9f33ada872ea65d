#include "ui/settings/split_all_settings_page.h"

#include "ui/settings/settings_store.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include <algorithm>

namespace {

const char* const kSection = "SplitAll";

QLabel* makeLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

// Reports when the watched widget is shown or hidden (with a tab, or with the
// whole sheet).
class VisibilityFilter : public QObject {
public:
    VisibilityFilter(QWidget* watched, std::function<void(bool)> changed)
        : QObject(watched), changed_(std::move(changed)) {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Show)
            changed_(true);
        else if (event->type() == QEvent::Hide)
            changed_(false);
        return false;
    }

private:
    std::function<void(bool)> changed_;
};

} // namespace

CSplitAllSettingsPage::CSplitAllSettingsPage(SettingsStore& store)
    : store_(store), trimSpace_(0), senseLevel_(0), senseTime_(0), minimumTime_(0),
      clickFilter_(0) {
    senseLevel_ = store_.readInt(kSection, "sencelevel", 50);
    senseTime_ = store_.readInt(kSection, "sencetime", 10);
    minimumTime_ = store_.readInt(kSection, "minimumtime", 10);
    trimSpace_ = store_.readInt(kSection, "trimspace", 1);
    // The click filter came after the other settings and is not bound to their
    // raw use: a stored length the slider cannot show is held to its range
    // (0 to 100 ms) here, so the split never runs with one the page hides.
    clickFilter_ = std::clamp(store_.readInt(kSection, "clickfilter", 0), 0, 100);
}

CSplitAllSettingsPage::~CSplitAllSettingsPage() {
    store_.writeInt(kSection, "trimspace", trimSpace_);
    store_.writeInt(kSection, "sencelevel", senseLevel_);
    store_.writeInt(kSection, "sencetime", senseTime_);
    store_.writeInt(kSection, "minimumtime", minimumTime_);
    store_.writeInt(kSection, "clickfilter", clickFilter_);
    destroyWidget();
}

QString CSplitAllSettingsPage::title() const {
    return QStringLiteral("AutoSplit");
}

QWidget* CSplitAllSettingsPage::createWidget(QWidget* parent) {
    using namespace page_controls;
    QWidget* page = makePageWidget(parent, 187, 142);

    // Controls in the template's tab order.
    senseLevelSlider_ = makeSlider(page, QStringLiteral("senseLevelSlider"));
    QLabel* senseLevelLabel = makeLabel(QStringLiteral("Sence Level"), page);
    senseTimeSlider_ = makeSlider(page, QStringLiteral("senseTimeSlider"));
    QLabel* senseTimeLabel = makeLabel(QStringLiteral("Sence Time"), page);
    trimSpaceBox_ =
        makeCheckBox(page, QStringLiteral("trim space"), QStringLiteral("trimSpaceBox"));
    auto* defaultButton = new QPushButton(QStringLiteral("default"), page);
    defaultButton->setObjectName(QStringLiteral("defaultButton"));
    defaultButton->setAutoDefault(false);
    minimumTimeSlider_ = makeSlider(page, QStringLiteral("minimumTimeSlider"));
    QLabel* minimumTimeLabel = makeLabel(QStringLiteral("minimum time"), page);
    // The click filter, in milliseconds: how long a sound must last to count as one.
    clickFilterSlider_ = makeSlider(page, QStringLiteral("clickFilterSlider"));
    QLabel* clickFilterLabel = makeLabel(QStringLiteral("click filter"), page);
    senseLevelValue_ = makeValueLabel(page, QStringLiteral("senseLevelValue"));
    senseTimeValue_ = makeValueLabel(page, QStringLiteral("senseTimeValue"));
    minimumTimeValue_ = makeValueLabel(page, QStringLiteral("minimumTimeValue"));
    clickFilterValue_ = makeValueLabel(page, QStringLiteral("clickFilterValue"));

    // Labels 48 units wide, sliders 67, their values, the button column 50;
    // four slider rows of 22 units 7 apart, then the check box.
    auto* grid = new QGridLayout(page);
    grid->addWidget(senseLevelLabel, 0, 0);
    grid->addWidget(senseLevelSlider_, 0, 1);
    grid->addWidget(senseLevelValue_, 0, 2);
    grid->addWidget(defaultButton, 0, 3, Qt::AlignTop);
    if (detectionOpener_) {
        auto* detection = new QPushButton(QStringLiteral("Detection..."), page);
        detection->setObjectName(QStringLiteral("detectionButton"));
        detection->setAutoDefault(false);
        grid->addWidget(detection, 1, 3, Qt::AlignTop);
        QObject::connect(detection, &QPushButton::clicked, page, [this] { openDetection(); });
    }
    grid->addWidget(senseTimeLabel, 1, 0);
    grid->addWidget(senseTimeSlider_, 1, 1);
    grid->addWidget(senseTimeValue_, 1, 2);
    grid->addWidget(minimumTimeLabel, 2, 0);
    grid->addWidget(minimumTimeSlider_, 2, 1);
    grid->addWidget(minimumTimeValue_, 2, 2);
    grid->addWidget(clickFilterLabel, 3, 0);
    grid->addWidget(clickFilterSlider_, 3, 1);
    grid->addWidget(clickFilterValue_, 3, 2);
    grid->addWidget(trimSpaceBox_, 4, 0, 1, 2);
    grid->setColumnStretch(0, 48);
    grid->setColumnStretch(1, 67);
    grid->setColumnStretch(3, 50);
    grid->setRowStretch(5, 1);

    QWidget::setTabOrder(senseLevelSlider_, senseTimeSlider_);
    QWidget::setTabOrder(senseTimeSlider_, trimSpaceBox_);
    QWidget::setTabOrder(trimSpaceBox_, defaultButton);
    QWidget::setTabOrder(defaultButton, minimumTimeSlider_);
    QWidget::setTabOrder(minimumTimeSlider_, clickFilterSlider_);

    QObject::connect(defaultButton, &QPushButton::clicked, page, [this] { setDefaultControls(); });
    for (QSlider* slider : {senseLevelSlider_.data(), senseTimeSlider_.data(),
                            minimumTimeSlider_.data(), clickFilterSlider_.data()})
        QObject::connect(slider, &QSlider::valueChanged, page, [this] { showValues(); });
    if (controlsListener_)
        watchControls(page);
    showValues();
    return page;
}

void CSplitAllSettingsPage::showValues() {
    const sundra::SplitSettings shown = shownSettings();
    senseLevelValue_->setText(page_controls::levelValue(shown.senseLevel));
    senseTimeValue_->setText(page_controls::secondsValue(shown.senseTime));
    minimumTimeValue_->setText(page_controls::secondsValue(shown.minimumTime));
    clickFilterValue_->setText(page_controls::millisecondsValue(shown.clickFilterMs));
}

void CSplitAllSettingsPage::loadControls() {
    if (!widget_)
        return;
    page_controls::loadCheck(*trimSpaceBox_, trimSpace_);
    senseLevelSlider_->setValue(senseLevel_);
    senseTimeSlider_->setValue(senseTime_);
    minimumTimeSlider_->setValue(minimumTime_);
    clickFilterSlider_->setValue(clickFilter_);
    showValues();
}

void CSplitAllSettingsPage::saveControls() {
    if (!widget_)
        return;
    trimSpace_ = page_controls::saveCheck(*trimSpaceBox_);
    senseLevel_ = senseLevelSlider_->value();
    senseTime_ = senseTimeSlider_->value();
    minimumTime_ = minimumTimeSlider_->value();
    clickFilter_ = clickFilterSlider_->value();
}

void CSplitAllSettingsPage::watchControls(QWidget* page) {
    new VisibilityFilter(page, [this](bool shown) { tellListener(shown); });
    auto changed = [this] { tellListener(widget_ && widget_->isVisible()); };
    for (QSlider* slider : {senseLevelSlider_.data(), senseTimeSlider_.data(),
                            minimumTimeSlider_.data(), clickFilterSlider_.data()})
        QObject::connect(slider, &QSlider::valueChanged, page, changed);
    QObject::connect(trimSpaceBox_, &QCheckBox::stateChanged, page, changed);
}

void CSplitAllSettingsPage::tellListener(bool shown) {
    if (shown)
        controlsListener_(shownSettings());
    else if (toldShown_)
        controlsListener_(std::nullopt);
    toldShown_ = shown;
}

void CSplitAllSettingsPage::destroyWidget() {
    if (toldShown_)
        tellListener(false);
    SettingsPage::destroyWidget();
    senseLevelSlider_ = nullptr;
    senseTimeSlider_ = nullptr;
    trimSpaceBox_ = nullptr;
    minimumTimeSlider_ = nullptr;
    clickFilterSlider_ = nullptr;
    senseLevelValue_ = nullptr;
    senseTimeValue_ = nullptr;
    minimumTimeValue_ = nullptr;
    clickFilterValue_ = nullptr;
}

sundra::SplitSettings CSplitAllSettingsPage::splitSettings() const {
    sundra::SplitSettings settings =
        sundra::SplitSettings::fromPageValues(senseLevel_, senseTime_, minimumTime_, trimSpace_);
    settings.clickFilterMs = clickFilter_;
    return settings;
}

sundra::SplitSettings CSplitAllSettingsPage::shownSettings() const {
    sundra::SplitSettings shown = sundra::SplitSettings::fromPageValues(
        senseLevelSlider_->value(), senseTimeSlider_->value(), minimumTimeSlider_->value(),
        page_controls::saveCheck(*trimSpaceBox_));
    shown.clickFilterMs = clickFilterSlider_->value();
    return shown;
}

void CSplitAllSettingsPage::openDetection() {
    if (const std::optional<int> position = detectionOpener_(shownSettings(), widget_))
        senseLevelSlider_->setValue(*position);
}

void CSplitAllSettingsPage::setDefaultControls() {
    senseLevelSlider_->setValue(50);
    senseTimeSlider_->setValue(10);
    minimumTimeSlider_->setValue(10);
    clickFilterSlider_->setValue(0);
    page_controls::setCheck(*trimSpaceBox_, true);
}
