#pragma once
// CExportSettingsPage: the "export" page (section "export"): the format Save
// All writes, the quality of the lossy formats and the folder the tracks go
// to (beside the recording unless one is chosen). Loads them when it is built
// and writes them when it is destroyed, like the other pages.

#include "split/export_format.h"
#include "ui/settings/settings_page.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>

#include <functional>
#include <string>

class SettingsStore;

class CExportSettingsPage : public SettingsPage {
public:
    // Reads "format" (0 = WAV), "quality" (60) and the text "folder" (empty:
    // beside the recording); store must outlive the page.
    explicit CExportSettingsPage(SettingsStore& store);
    // Writes "format", "quality" and "folder".
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
    // The folder Save All writes into (UTF-8); empty: beside the recording.
    const std::string& outputFolder() const { return folder_; }

    // Replaces the folder dialog of "choose..." (tests): gets the folder shown,
    // returns the chosen one or nothing.
    using FolderChooser = std::function<QString(QWidget* parent, const QString& current)>;
    void setFolderChooser(FolderChooser choose) { folderChooser_ = std::move(choose); }

private:
    void showWhatApplies();
    void chooseFolder();

    SettingsStore& store_;
    int format_;
    int quality_;
    std::string folder_;
    FolderChooser folderChooser_;
    QPointer<QComboBox> formatBox_;
    QPointer<QSlider> qualitySlider_;
    QPointer<QLabel> qualityValue_;
    QPointer<QLabel> note_;
    QPointer<QLineEdit> folderEdit_;
};
