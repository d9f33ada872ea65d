#pragma once
// CShotPlaySettingsPage: the "shot play" page (section "shotplay"). Holds the
// length of a shot play in tenths of a second, loads it when it is built and
// writes it when it is destroyed. Its "default" button changes the value at
// once (not only the slider), so Cancel in the sheet does not undo it. Beside
// the slider its value in seconds.

#include "ui/settings/settings_page.h"

#include <QLabel>
#include <QSlider>

class SettingsStore;

class CShotPlaySettingsPage : public SettingsPage {
public:
    // Reads "time" (10); store must outlive the page.
    explicit CShotPlaySettingsPage(SettingsStore& store);
    // Writes "time".
    ~CShotPlaySettingsPage() override;
    CShotPlaySettingsPage(const CShotPlaySettingsPage&) = delete;
    CShotPlaySettingsPage& operator=(const CShotPlaySettingsPage&) = delete;

    QString title() const override;
    QWidget* createWidget(QWidget* parent) override;
    void loadControls() override;
    void saveControls() override;
    void destroyWidget() override;

    // time x 0.1, as stored (also outside 0..100).
    double shotPlaySeconds() const;
    static double secondsOf(int time);
    int time() const { return time_; }

private:
    SettingsStore& store_;
    int time_;
    QPointer<QSlider> timeSlider_;
    QPointer<QLabel> timeValue_;
};
