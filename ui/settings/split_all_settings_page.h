#pragma once
// CSplitAllSettingsPage: the "AutoSplit" page (section "SplitAll"). Holds the
// values of the automatic split as raw slider positions, loads them when it is
// built, writes all of them when it is destroyed, and converts them into the
// SplitSettings that Auto Split runs with. Beside each slider its value, in
// the units of the detection report.

#include "split/split_settings.h"
#include "ui/settings/settings_page.h"

#include <QCheckBox>
#include <QLabel>
#include <QSlider>

#include <functional>
#include <optional>

class SettingsStore;

class CSplitAllSettingsPage : public SettingsPage {
public:
    // Reads "sencelevel" (50), "sencetime" (10), "minimumtime" (10),
    // "trimspace" (1) and "clickfilter" (0) from store, which must outlive the page.
    explicit CSplitAllSettingsPage(SettingsStore& store);
    // Writes "trimspace", "sencelevel", "sencetime", "minimumtime", "clickfilter".
    ~CSplitAllSettingsPage() override;
    CSplitAllSettingsPage(const CSplitAllSettingsPage&) = delete;
    CSplitAllSettingsPage& operator=(const CSplitAllSettingsPage&) = delete;

    QString title() const override;
    QWidget* createWidget(QWidget* parent) override;
    void loadControls() override;
    void saveControls() override;
    void destroyWidget() override;

    // Level x 0.001, times x 0.1 s, trim space exactly when the value is 1, the
    // click filter in milliseconds. Values are used as stored, also outside
    // 0..100, except the click filter, which is held to 0..100 when read.
    sundra::SplitSettings splitSettings() const;

    // The "Detection..." button, shown when an opener is set: the opener gets
    // the settings the controls show; a position it returns goes onto the
    // sense-level slider (the field follows when the page is saved).
    using DetectionOpener =
        std::function<std::optional<int>(const sundra::SplitSettings&, QWidget* parent)>;
    void setDetectionOpener(DetectionOpener opener) { detectionOpener_ = std::move(opener); }

    // Told what the controls show while the page is on display: the settings
    // when it appears and after every change of a control, nothing when it is
    // hidden or goes away. Set it before the widget is built.
    using ControlsListener = std::function<void(const std::optional<sundra::SplitSettings>&)>;
    void setControlsListener(ControlsListener listener) { controlsListener_ = std::move(listener); }

    int trimSpace() const { return trimSpace_; }
    int senseLevel() const { return senseLevel_; }
    int senseTime() const { return senseTime_; }
    int minimumTime() const { return minimumTime_; }
    int clickFilter() const { return clickFilter_; }

private:
    // The "default" button: the controls only; the fields follow when saved.
    void setDefaultControls();
    void openDetection();
    // The settings of the controls, which the fields take only when saved.
    sundra::SplitSettings shownSettings() const;
    void watchControls(QWidget* page);
    // The value labels follow the sliders, in the report's units.
    void showValues();
    void tellListener(bool shown);

    SettingsStore& store_;
    int trimSpace_;
    int senseLevel_;
    int senseTime_;
    int minimumTime_;
    int clickFilter_;

    QPointer<QSlider> senseLevelSlider_;
    QPointer<QSlider> senseTimeSlider_;
    QPointer<QCheckBox> trimSpaceBox_;
    QPointer<QSlider> minimumTimeSlider_;
    QPointer<QSlider> clickFilterSlider_;
    QPointer<QLabel> senseLevelValue_;
    QPointer<QLabel> senseTimeValue_;
    QPointer<QLabel> minimumTimeValue_;
    QPointer<QLabel> clickFilterValue_;
    DetectionOpener detectionOpener_;
    ControlsListener controlsListener_;
    // Whether the listener was last told settings (not nothing).
    bool toldShown_ = false;
};
