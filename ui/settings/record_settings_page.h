#pragma once
// CRecordSettingsPage: the "Record" page (section "record"). Holds the seven
// recording options as raw integers, loads them when it is built, writes all
// seven when it is destroyed, and converts them into the RecordSettings that a
// recording runs with. Each check box enables the controls it governs; beside
// each slider its value, in the units of the detection report.

#include "audio/record_settings.h"
#include "ui/settings/settings_page.h"

#include <QCheckBox>
#include <QLabel>
#include <QSlider>

class SettingsStore;

class CRecordSettingsPage : public SettingsPage {
public:
    // Reads "wait" (0), "waitlevel" (50), "autostop" (0), "autostoplevel" (50),
    // "autostoptime" (50), "overloadstop" (0), "overloadstoplevel" (90); store must
    // outlive the page.
    explicit CRecordSettingsPage(SettingsStore& store);
    // Writes the seven keys in the same order.
    ~CRecordSettingsPage() override;
    CRecordSettingsPage(const CRecordSettingsPage&) = delete;
    CRecordSettingsPage& operator=(const CRecordSettingsPage&) = delete;

    QString title() const override;
    QWidget* createWidget(QWidget* parent) override;
    void loadControls() override;
    void saveControls() override;
    void destroyWidget() override;

    // From the fields only (not the controls).
    sundra::RecordSettings makeRecordSettings() const;

    int autoStop() const { return autoStop_; }
    int autoStopLevel() const { return autoStopLevel_; }
    int autoStopTime() const { return autoStopTime_; }
    int overloadStop() const { return overloadStop_; }
    int overloadStopLevel() const { return overloadStopLevel_; }
    int wait() const { return wait_; }
    int waitLevel() const { return waitLevel_; }

private:
    void applyWaitRule();
    void applyAutoStopRule();
    void applyOverloadRule();
    void applyRules();
    // The value labels follow the sliders, in the report's units.
    void showValues();
    // The "default" button: the controls only; the fields follow when saved.
    void setDefaultControls();

    SettingsStore& store_;
    int autoStop_;
    int autoStopLevel_;
    int autoStopTime_;
    int overloadStop_;
    int overloadStopLevel_;
    int wait_;
    int waitLevel_;

    QPointer<QCheckBox> waitBox_;
    QPointer<QSlider> waitLevelSlider_;
    QPointer<QCheckBox> autoStopBox_;
    QPointer<QSlider> autoStopLevelSlider_;
    QPointer<QSlider> autoStopTimeSlider_;
    QPointer<QCheckBox> overloadStopBox_;
    QPointer<QSlider> overloadStopLevelSlider_;
    QPointer<QLabel> waitLevelLabel_;
    QPointer<QLabel> autoStopLevelLabel_;
    QPointer<QLabel> autoStopTimeLabel_;
    QPointer<QLabel> overloadStopLevelLabel_;
    QPointer<QLabel> waitLevelValue_;
    QPointer<QLabel> autoStopLevelValue_;
    QPointer<QLabel> autoStopTimeValue_;
    QPointer<QLabel> overloadStopLevelValue_;
};
