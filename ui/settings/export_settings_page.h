#pragma once
// CExportSettingsPage: the "export" page (section "export"): the format Save
// All writes and the quality of the lossy formats. Loads both when it is built
// and writes them when it is destroyed, like the other pages.

#include "split/export_format.h"
#include "ui/settings/settings_page.h"

#include <QComboBox>
#include <QLabel>
#include <QSlider>

class SettingsStore;

class CExportSettingsPage : public SettingsPage {
public:
    // Reads "format" (0 = WAV) and "quality" (60); store must outlive the page.
    explicit CExportSettingsPage(SettingsStore& store);
    // Writes "format" and "quality".
    ~CExportSettingsPage() override;
    CExportSettingsPage(const CExportSettingsPage&) = delete;
    CExportSettingsPage& operator=(const CExportSettingsPage&) = delete;

    QString title() const override;
    QWidget* createWidget(QWidget* parent) override;
    void loadControls() override;
    void saveControls() override;
    void destroyWidget() override;

    // A stored format that is not known reads as WAV; the quality is limited
    // to 0..100.
    sundra::ExportSettings exportSettings() const;
    int format() const { return format_; }
    int quality() const { return quality_; }

private:
    void showWhatApplies();

    SettingsStore& store_;
    int format_;
    int quality_;
    QPointer<QComboBox> formatBox_;
    QPointer<QSlider> qualitySlider_;
    QPointer<QLabel> qualityValue_;
    QPointer<QLabel> note_;
};
