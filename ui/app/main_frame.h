#pragma once
// CMainFrame: the main window. It lays out the menus, the toolbar and the status
// bar over the command table it owns (one QAction per command number), shows
// command prompts in the status bar, keeps the time and crick-rate panes, and
// passes files dropped on it to whoever listens (the application opens them).
// The view is its central widget; the frame holds no state of its own.

#include <QMainWindow>
#include <QStringList>

class CommandTable;
class QLabel;
class QMenu;
class QTimer;
class QToolBar;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    static const char kWindowTitle[]; // "Sundra Ver1.02"

    explicit CMainFrame(QWidget* parent = nullptr);
    ~CMainFrame() override;

    CommandTable& commands() { return *commands_; }

    // Pane 1: whole seconds as "%H:%M:%S" (hours within a day).
    void SetTimeText(long long seconds);
    // Pane 2: "1/100", "1/1000", "1/10000" or "1/100000" for exactly those rates;
    // any other rate leaves the pane as it is.
    void SetCrickRateText(double rate);
    // The pane left of the time: the time under the pointer on the waveform
    // ("h:mm:ss.mmm"), empty when it is elsewhere.
    void SetPointerTimeText(const QString& text);
    QString pointerTimeText() const;
    QString timeText() const;
    QString crickRateText() const;

    // "<document title> - Sundra Ver1.02", or the bare title without document.
    void setDocumentTitle(const QString& documentTitle);
    // Shows the recent files as entries 57616.. of the File menu.
    void setRecentFiles(const QStringList& paths);

    QToolBar& toolBar() { return *toolBar_; }
    QMenu& fileMenu() { return *fileMenu_; }

signals:
    void filesDropped(const QStringList& paths);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void createActions();
    void createMenus();
    void createToolBar();
    void createStatusBar();
    void rebuildRecentFileEntries();

    CommandTable* commands_;
    QToolBar* toolBar_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QAction* recentSeparator_ = nullptr;
    QAction* recentPlaceholder_ = nullptr;
    QLabel* pointerPane_ = nullptr;
    QLabel* timePane_ = nullptr;
    QLabel* crickPane_ = nullptr;
    QTimer* refreshTimer_ = nullptr;
    QStringList recentFiles_;
};
