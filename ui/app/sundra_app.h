#pragma once
// CSundraApp: the application object. It sets up the settings store key, the
// recent-file list, the document, the main frame with its view, the start-up
// command line and the hand-over of paths from a second start; its handlers are
// New, Open, the recent files, dropped files, Exit and About.
//
// Owns the document and the frame; the frame (and with it the view, which
// writes the settings) goes first, the document last.

#include "core/playback_context.h"
#include "ui/app/recent_file_list.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class CMainFrame;
class CSundraDoc;
class CSundraView;
class CommandTable;
class QLocalServer;
class QTimer;
class SettingsStore;

class CSundraApp : public QObject {
    Q_OBJECT
public:
    struct Options {
        // Opens the output device for a format; empty = a WaveOutDevice with 32
        // buffers per second on the process-wide sound port.
        sundra::PlaybackContext::DeviceFactory makeDevice;
        // Makes the view's settings store; empty = the program's QSettings store.
        std::function<std::unique_ptr<SettingsStore>()> makeSettingsStore;
        // The local server through which a second start hands over its path;
        // empty = no hand-over (tests).
        QString instanceServerName;
    };

    // The name every start of the program uses for the hand-over.
    static QString defaultInstanceServerName();

    explicit CSundraApp(Options options = {});
    ~CSundraApp() override;

    enum class StartResult { Started, Failed, HandedOver };
    // Start-up with the command-line arguments (without the program name): no
    // argument makes a new document, a path opens it. Failed when the document
    // or the frame cannot be made or the path cannot be opened (the message was
    // shown); HandedOver when a running program took the path.
    StartResult initInstance(const QStringList& arguments, bool showWindow = true);

    // The framework's handlers.
    bool OnFileNew();
    void OnFileOpen();
    // Opens path as the document; the file that is already open stays as it
    // is (with its edits) and its window comes to the front. A cue sheet opens
    // the WAV file it names beside it and imports its tracks (one undo step).
    bool OpenDocumentFile(const QString& path);
    void OnOpenRecentFile(int index);
    void OnAppAbout();

    CMainFrame& frame() { return *frame_; }
    CSundraView& view() { return *view_; }
    CSundraDoc& document() { return *document_; }
    CommandTable& commands();
    const RecentFileList& recentFiles() const { return recentFiles_; }
    // Paths handed over by a second start that wait for a modal window or a
    // running command to end.
    int pendingHandOvers() const { return static_cast<int>(pendingHandOvers_.size()); }

    // Closes the frame and releases the view, then the document (exit).
    void shutdown();

private:
    void bindCommands();
    void documentChanged();
    bool handOver(const QString& path);
    bool isOpenDocument(const QString& path) const;
    // offerKept: whether the rows kept for the file are offered back.
    bool openWave(const QString& path, bool offerKept);
    bool openCueSheet(const QString& path);
    void listenForHandOver();
    // A handed-over path replaces the master, which a dialog's worker or the
    // command that ran the dialog may still use: it opens only once no modal
    // window is shown, no command is running and no cut is being dragged.
    void receiveHandOver(const QString& path);
    void openPendingHandOvers();
    bool mayReplaceDocument();

    Options options_;
    RecentFileList recentFiles_;
    std::unique_ptr<CSundraDoc> document_;
    std::unique_ptr<CMainFrame> frame_;
    CSundraView* view_ = nullptr;
    QPointer<QLocalServer> server_;
    QStringList pendingHandOvers_;
    QTimer* handOverRetry_ = nullptr;
};
