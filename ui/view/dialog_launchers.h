#pragma once
// DialogLaunchers: the commands that run a dialog over the document: Save All
// (every row to a file of its own, with the export page's format and folder
// and the album's tags; it asks before it replaces files that are there
// already, and ends with a word on what it saved where), Track Info (the album information, one
// edit of the cuts), the settings sheet, and Record (a new WAV file from the sound card; an
// accepted recording becomes the document, with one row over it).
//
// The dialogs are modal children of the view. Save All and Record run only
// while the transport is idle.

#include "split/track_tags.h"

#include <QObject>
#include <QString>

#include <functional>
#include <string>
#include <vector>

class CSundraDoc;
class CommandTable;
class QWidget;
class SettingsPages;
class Transport;

class DialogLaunchers : public QObject {
    Q_OBJECT
public:
    DialogLaunchers(CSundraDoc& document, Transport& transport, SettingsPages& settings,
                    QWidget* owner);

    // Binds Save All, Track Info, settings and Record.
    void bindCommands(CommandTable& commands);

    void OnSaveAll();
    void OnTrackInfo();
    void OnSettings();
    void OnRecord();

    // The tags Save All gives each row's file.
    std::vector<sundra::TrackTags> exportTags();
    // Replaces the Save-As dialog of Record (tests); empty restores it.
    void setRecordingPathChooser(std::function<QString(QWidget*)> choose) {
        chooseRecordingPath_ = std::move(choose);
    }

signals:
    // A recording became the document; path is its file.
    void recordingAdopted(const QString& path);

private:
    bool saveAllAllowed();
    // "take-03.wav is already in /music. Replace it?", or the same for several.
    static QString replaceQuestion(const std::vector<std::string>& paths,
                                   const std::vector<std::size_t>& existing, const QString& folder);

    CSundraDoc& document_;
    Transport& transport_;
    SettingsPages& settings_;
    QWidget* owner_;
    std::function<QString(QWidget*)> chooseRecordingPath_;
};
