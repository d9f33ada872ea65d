#include "ui/app/main_frame.h"

#include "core/units.h"
#include "ui/app/command_keys.h"
#include "ui/platform/command_ids.h"
#include "ui/platform/command_table.h"
#include "ui/platform/typing_guard.h"

#include <QAction>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEvent>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

const char CMainFrame::kWindowTitle[] = "Sundra Ver1.02";

namespace {

constexpr int kRefreshMs = 100;

struct CommandText {
    int id;
    const char* text;
    const char* prompt;
    const char* icon; // toolbar image in the resources, or null
};

// Menu texts, prompts (status-bar text, line feed, tooltip) and toolbar images.
const CommandText kCommandTexts[] = {
    {command::kFileNew, "&New", "Create a new document\nNew", "new"},
    {command::kFileOpen, "&Open...", "Open an existing document\nOpen", "open"},
    {command::kSaveAll, "Save All", "Save all tracks\nSave all", "save_all"},
    {command::kImportCutList, "Import Cue Sheet or Labels...",
     "Replace the tracks by those of a cue sheet or a label file\nImport", nullptr},
    {command::kExportCueSheet, "Export Cue Sheet...",
     "Write the tracks as a cue sheet\nExport cue sheet", nullptr},
    {command::kExportLabels, "Export Labels...", "Write the tracks as a label file\nExport labels",
     nullptr},
    {command::kAppExit, "E&xit", "Quit the application; prompts to save documents\nExit", nullptr},
    {command::kPlay, "&Play", "Play\nPlay", "play"},
    {command::kStop, "&Stop", "Play Stop\nStop", "stop"},
    {command::kPlayStop, "Pla&y/Stop", "Play the selected track, or stop playing\nPlay/Stop",
     nullptr},
    {command::kMark, "&Mark", "Mark/Unmark Sound\nMark", "mark"},
    {command::kShotFromTop, "from &top", "shot play from top\nfrom top", "from_top"},
    {command::kShotToMark, "&to mark", "shot play to mark\nto mark", "to_mark"},
    {command::kShotFromMark, "&from mark", "shot play from mark\nfrom mark", "from_mark"},
    {command::kShotToEnd, "to &end", "shot play to end\nto end", "to_end"},
    {command::kAutoSplit, "&Auto Split", "Split target sound automaticaly\nAuto Split",
     "auto_split"},
    {command::kFindTracks, "&Find Tracks",
     "Find the tracks of target sound at its gaps, without settings\nFind Tracks", nullptr},
    {command::kSplitIntoTracks, "Split into &Tracks...",
     "Split target sound into a given number of tracks, or by a track list from its sleeve\n"
     "Split into Tracks",
     nullptr},
    {command::kRename, "&Rename", "Rename all track\nRename", "rename"},
    {command::kTrackInfo, "Track &Info...", "Album, artist, year and track titles\nTrack Info",
     nullptr},
    {command::kSplit, "&Split", "Split sound at marked point\nSplit", "split"},
    {command::kJoint, "&Joint", "Joint selected track and before track\nJoint", "joint"},
    {command::kDelete, "&Delete", "Delete selected track\nDelete", "delete"},
    {command::kExpandLeft, "Expand &Left",
     "Expand top of selected track from before track end\nExpand left", "expand_left"},
    {command::kExpandRight, "Expand &Right",
     "Expand end of selected track from after track top\nExpand Right", "expand_right"},
    {command::kReset, "Reset", "Restore Master File Image\nReset", "reset"},
    {command::kGoToTime, "&Go To Time...",
     "Show a time of the file and set the mark there\nGo To Time", nullptr},
    {command::kSplitAtTime, "Split at T&ime...",
     "Split the track that holds a time of the file exactly there\nSplit at Time", nullptr},
    {command::kRecord, "&Record", "Record\nRecord", "record"},
    {command::kCrick100000, "1/100000", "", nullptr},
    {command::kCrick10000, "1/10000", "", nullptr},
    {command::kCrick1000, "1/1000", "", nullptr},
    {command::kCrick100, "1/100", "", nullptr},
    {command::kToggleCrickRate, "toggle crick rate", "toggle crick rate", "crick_rate"},
    {command::kViewToolbar, "&Toolbar", "Show or hide the toolbar\nToggle ToolBar", nullptr},
    {command::kViewStatusBar, "&Status Bar", "Show or hide the status bar\nToggle StatusBar",
     nullptr},
    {command::kSettings, "settings", "show settings sheet\nsettings", "settings"},
    {command::kPeakReset, "peak rese&t", "Reset peak meter\nReset peak meter", "peak_reset"},
    {command::kZoomIn, "Zoom &In", "Show the waveform in more detail\nZoom In", nullptr},
    {command::kZoomOut, "Zoom &Out", "Show more of the waveform\nZoom Out", nullptr},
    {command::kZoomWholeFile, "&Whole File", "Show the whole file in the waveform\nWhole File",
     nullptr},
    {command::kKeyboardHelp, "&Keyboard...", "List the keys of every command\nKeyboard", nullptr},
    {command::kAbout, "&About Sundra...",
     "Display program information, version number and copyright\nAbout", "about"},
    {command::kEditUndo, "&Undo", "Undo the last action\nUndo", nullptr},
    {command::kEditRedo, "&Redo", "Redo the previously undone action\nRedo", nullptr},
    // Accelerators only; nothing handles them, so they stay disabled and leave
    // the keys to the control that has the focus.
    {command::kFileSave, "&Save", "Save the active document\nSave", nullptr},
    {command::kEditCut, "Cu&t", "Cut the selection and put it on the Clipboard\nCut", nullptr},
    {command::kEditCopy, "&Copy", "Copy the selection and put it on the Clipboard\nCopy", nullptr},
    {command::kEditPaste, "&Paste", "Insert Clipboard contents\nPaste", nullptr},
    {command::kNextPane, "Next Pane", "Switch to the next window pane\nNext Pane", nullptr},
    {command::kPrevPane, "Previous Pane", "Switch back to the previous window pane\nPrevious Pane",
     nullptr},
};

QString crickText(double rate) {
    if (rate == 0.01) {
        return QStringLiteral("1/100");
    }
    if (rate == 0.001) {
        return QStringLiteral("1/1000");
    }
    if (rate == 0.0001) {
        return QStringLiteral("1/10000");
    }
    if (rate == 0.00001) {
        return QStringLiteral("1/100000");
    }
    return {};
}

// A toolbar button whose prompt has no tooltip part shows none, rather than
// the button's text that Qt would fall back to.
class NoToolTip : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject*, QEvent* event) override { return event->type() == QEvent::ToolTip; }
};

QLabel* makePane(QWidget* parent, const QString& text, const char* name) {
    auto* pane = new QLabel(text, parent);
    pane->setObjectName(QString::fromLatin1(name));
    pane->setFrameShape(QFrame::Panel);
    pane->setFrameShadow(QFrame::Sunken);
    // The initial text sets the width, as the pane's width template.
    pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(text) + 8);
    return pane;
}

} // namespace

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent), commands_(new CommandTable(this)) {
    setObjectName(QStringLiteral("CMainFrame"));
    setWindowTitle(QString::fromLatin1(kWindowTitle));
    setWindowIcon(QIcon(QStringLiteral(":/icons/sundra.png")));
    setAcceptDrops(true);
    createActions();
    createMenus();
    createToolBar();
    createStatusBar();
    // A name typed in the track list keeps its keys.
    new TypingGuard(*this);

    refreshTimer_ = new QTimer(this);
    connect(refreshTimer_, &QTimer::timeout, commands_, &CommandTable::refresh);
    refreshTimer_->start(kRefreshMs);
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::createActions() {
    for (const CommandText& entry : kCommandTexts) {
        QAction* action = commands_->add(entry.id, QString::fromUtf8(entry.text),
                                         QString::fromUtf8(entry.prompt), {});
        action->setObjectName(QStringLiteral("command%1").arg(entry.id));
        if (entry.icon != nullptr) {
            action->setIcon(QIcon(QStringLiteral(":/icons/%1.xpm").arg(entry.icon)));
        }
        // Actions live on the frame so that their shortcuts work everywhere in it.
        addAction(action);
    }
    for (int i = 0; i < command::kRecentFileCount; ++i) {
        const int id = command::kRecentFileFirst + i;
        QAction* action =
            commands_->add(id, QStringLiteral("Recent File"), QStringLiteral("Open this document"),
                           {}, [this, i] { return i < recentFiles_.size(); });
        action->setObjectName(QStringLiteral("command%1").arg(id));
    }

    assignCommandKeys(*commands_);

    // The frame's own toggles.
    commands_->bind(
        command::kViewToolbar, [this] { toolBar_->setVisible(toolBar_->isHidden()); }, {},
        [this] { return toolBar_ != nullptr && !toolBar_->isHidden(); });
    commands_->bind(
        command::kViewStatusBar, [this] { statusBar()->setVisible(statusBar()->isHidden()); }, {},
        [this] { return !statusBar()->isHidden(); });
}

void CMainFrame::createMenus() {
    auto add = [this](QMenu* menu, int id) { menu->addAction(commands_->action(id)); };
    auto refreshOnShow = [this](QMenu* menu) {
        connect(menu, &QMenu::aboutToShow, commands_, &CommandTable::refresh);
    };

    fileMenu_ = menuBar()->addMenu(QStringLiteral("&File"));
    add(fileMenu_, command::kFileNew);
    add(fileMenu_, command::kFileOpen);
    add(fileMenu_, command::kSaveAll);
    fileMenu_->addSeparator();
    add(fileMenu_, command::kImportCutList);
    add(fileMenu_, command::kExportCueSheet);
    add(fileMenu_, command::kExportLabels);
    recentSeparator_ = fileMenu_->addSeparator();
    for (int i = 0; i < command::kRecentFileCount; ++i) {
        add(fileMenu_, command::kRecentFileFirst + i);
    }
    fileMenu_->addSeparator();
    add(fileMenu_, command::kAppExit);
    refreshOnShow(fileMenu_);
    rebuildRecentFileEntries();

    QMenu* action = menuBar()->addMenu(QStringLiteral("&Action"));
    add(action, command::kPlay);
    add(action, command::kStop);
    add(action, command::kPlayStop);
    add(action, command::kMark);
    add(action, command::kGoToTime);
    add(action, command::kSplitAtTime);
    QMenu* shot = action->addMenu(QStringLiteral("S&hot Play"));
    for (int id : {command::kShotFromTop, command::kShotToMark, command::kShotFromMark,
                   command::kShotToEnd}) {
        add(shot, id);
    }
    action->addSeparator();
    QMenu* autoSplit = action->addMenu(QStringLiteral("&Auto Split"));
    add(autoSplit, command::kAutoSplit);
    add(autoSplit, command::kFindTracks);
    add(autoSplit, command::kSplitIntoTracks);
    add(autoSplit, command::kRename);
    add(autoSplit, command::kTrackInfo);
    QMenu* edit = action->addMenu(QStringLiteral("&Edit"));
    for (int id : {command::kSplit, command::kJoint, command::kDelete, command::kExpandLeft,
                   command::kExpandRight, command::kReset}) {
        add(edit, id);
    }
    edit->addSeparator();
    add(edit, command::kEditUndo);
    add(edit, command::kEditRedo);
    add(action, command::kRecord);
    QMenu* crick = action->addMenu(QStringLiteral("crick rate"));
    for (int id :
         {command::kCrick100000, command::kCrick10000, command::kCrick1000, command::kCrick100}) {
        add(crick, id);
    }
    for (QMenu* menu : {action, shot, autoSplit, edit, crick}) {
        refreshOnShow(menu);
    }

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    add(view, command::kViewToolbar);
    add(view, command::kViewStatusBar);
    add(view, command::kSettings);
    add(view, command::kPeakReset);
    view->addSeparator();
    add(view, command::kZoomIn);
    add(view, command::kZoomOut);
    add(view, command::kZoomWholeFile);
    refreshOnShow(view);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    add(help, command::kKeyboardHelp);
    add(help, command::kAbout);
    refreshOnShow(help);
}

void CMainFrame::createToolBar() {
    toolBar_ = new QToolBar(QStringLiteral("toolbar"), this);
    toolBar_->setObjectName(QStringLiteral("toolbar"));
    toolBar_->setIconSize(QSize(16, 15));
    toolBar_->setMovable(false);
    toolBar_->setFloatable(false);
    toolBar_->toggleViewAction()->setVisible(false);
    const int groups[][6] = {
        {command::kFileNew, command::kFileOpen, command::kSaveAll},
        {command::kPlay, command::kStop, command::kRecord},
        {command::kMark, command::kShotFromTop, command::kShotToMark, command::kShotFromMark,
         command::kShotToEnd},
        {command::kSplit, command::kJoint, command::kExpandLeft, command::kExpandRight,
         command::kDelete},
        {command::kAutoSplit, command::kRename, command::kReset},
        {command::kPeakReset, command::kToggleCrickRate, command::kSettings, command::kAbout},
    };
    bool first = true;
    for (const auto& group : groups) {
        if (!first) {
            toolBar_->addSeparator();
        }
        first = false;
        for (int id : group) {
            if (id != 0) {
                toolBar_->addAction(commands_->action(id));
            }
        }
    }
    addToolBar(Qt::TopToolBarArea, toolBar_);
    auto* noToolTip = new NoToolTip(toolBar_);
    for (const CommandText& entry : kCommandTexts) {
        if (QString::fromUtf8(entry.prompt).contains(QLatin1Char('\n'))) {
            continue;
        }
        if (QWidget* button = toolBar_->widgetForAction(commands_->action(entry.id))) {
            button->installEventFilter(noToolTip);
        }
    }
}

void CMainFrame::createStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("statusBar"));
    // The time under the pointer on the waveform, left of the position.
    pointerPane_ = makePane(bar, QStringLiteral("0:00:00.000"), "pointerPane");
    pointerPane_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    pointerPane_->setToolTip(QStringLiteral("Time under the pointer"));
    pointerPane_->clear();
    bar->addPermanentWidget(pointerPane_);
    timePane_ = makePane(bar, QStringLiteral("00:00:00"), "timePane");
    crickPane_ = makePane(bar, QStringLiteral("1/100     "), "crickRatePane");
    bar->addPermanentWidget(timePane_);
    bar->addPermanentWidget(crickPane_);
    // The keyboard-lock indicators; their state is not read on this platform,
    // so they show greyed like an indicator that is off.
    for (const char* indicator : {"CAP", "NUM", "SCRL"}) {
        QLabel* pane = makePane(bar, QString::fromLatin1(indicator), indicator);
        pane->setEnabled(false);
        bar->addPermanentWidget(pane);
    }
    // The message pane shows "Ready" whenever no prompt is on display.
    connect(bar, &QStatusBar::messageChanged, bar, [bar](const QString& message) {
        if (message.isEmpty()) {
            bar->showMessage(QStringLiteral("Ready"));
        }
    });
    bar->showMessage(QStringLiteral("Ready"));
}

void CMainFrame::SetTimeText(long long seconds) {
    timePane_->setText(QString::fromStdString(sundra::clock(seconds)));
}

void CMainFrame::SetCrickRateText(double rate) {
    const QString text = crickText(rate);
    if (!text.isEmpty()) {
        crickPane_->setText(text);
    }
}

void CMainFrame::SetPointerTimeText(const QString& text) {
    pointerPane_->setText(text);
}

QString CMainFrame::pointerTimeText() const {
    return pointerPane_->text();
}

QString CMainFrame::timeText() const {
    return timePane_->text();
}

QString CMainFrame::crickRateText() const {
    return crickPane_->text();
}

void CMainFrame::setDocumentTitle(const QString& documentTitle) {
    const QString title = QString::fromLatin1(kWindowTitle);
    setWindowTitle(documentTitle.isEmpty() ? title : documentTitle + QStringLiteral(" - ") + title);
}

void CMainFrame::setRecentFiles(const QStringList& paths) {
    recentFiles_ = paths;
    rebuildRecentFileEntries();
}

void CMainFrame::rebuildRecentFileEntries() {
    for (int i = 0; i < command::kRecentFileCount; ++i) {
        QAction* entry = commands_->action(command::kRecentFileFirst + i);
        if (i < recentFiles_.size()) {
            const QString shown = QDir::toNativeSeparators(recentFiles_[i]);
            entry->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(shown));
            entry->setVisible(true);
        } else {
            // With no entries the first one stays as the greyed placeholder.
            entry->setText(QStringLiteral("Recent File"));
            entry->setVisible(i == 0);
        }
    }
    commands_->refresh();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void CMainFrame::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            paths.append(url.toLocalFile());
        }
    }
    if (!paths.isEmpty()) {
        event->acceptProposedAction();
        emit filesDropped(paths);
    }
}
