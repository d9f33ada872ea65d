#include "ui/app/command_keys.h"

#include "ui/platform/command_ids.h"
#include "ui/platform/command_table.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

#include <initializer_list>

namespace {

struct CommandKeys {
    int id;
    std::initializer_list<QKeyCombination> keys;
};

using namespace command;
constexpr auto Ctrl = Qt::ControlModifier;
constexpr auto Shift = Qt::ShiftModifier;
constexpr auto Alt = Qt::AltModifier;

// The first key of each command is the one its menu entry shows.
const CommandKeys kKeys[] = {
    // File
    {kFileNew, {Ctrl | Qt::Key_N}},
    {kFileOpen, {Ctrl | Qt::Key_O}},
    {kFileSave, {Ctrl | Qt::Key_S}},
    {kSaveAll, {Ctrl | Shift | Qt::Key_S}},
    {kImportCutList, {Ctrl | Shift | Qt::Key_O}},
    {kExportCueSheet, {Ctrl | Shift | Qt::Key_E}},
    {kExportLabels, {Ctrl | Shift | Qt::Key_L}},
    {kAppExit, {Ctrl | Qt::Key_Q}},
    // Transport
    {kPlayStop, {QKeyCombination(Qt::Key_Space)}},
    {kPlay, {QKeyCombination(Qt::Key_Return), QKeyCombination(Qt::Key_Enter)}},
    {kStop, {QKeyCombination(Qt::Key_Escape)}},
    {kMark, {QKeyCombination(Qt::Key_M)}},
    {kGoToTime, {Ctrl | Qt::Key_G}},
    {kShotFromTop, {QKeyCombination(Qt::Key_1)}},
    {kShotToMark, {QKeyCombination(Qt::Key_2)}},
    {kShotFromMark, {QKeyCombination(Qt::Key_3)}},
    {kShotToEnd, {QKeyCombination(Qt::Key_4)}},
    {kRecord, {QKeyCombination(Qt::Key_R)}},
    // The crick rates by their power of ten; C steps through them.
    {kCrick100, {Ctrl | Alt | Qt::Key_2}},
    {kCrick1000, {Ctrl | Alt | Qt::Key_3}},
    {kCrick10000, {Ctrl | Alt | Qt::Key_4}},
    {kCrick100000, {Ctrl | Alt | Qt::Key_5}},
    {kToggleCrickRate, {QKeyCombination(Qt::Key_C)}},
    // Splitting and editing
    {kAutoSplit, {Ctrl | Shift | Qt::Key_A}},
    {kFindTracks, {Ctrl | Qt::Key_T}},
    {kSplitIntoTracks, {Ctrl | Shift | Qt::Key_T}},
    {kRename, {Ctrl | Qt::Key_R}},
    {kTrackInfo, {Alt | Qt::Key_Return}},
    {kSplit, {Ctrl | Qt::Key_I}},
    {kSplitAtTime, {Ctrl | Shift | Qt::Key_I}},
    {kJoint, {Ctrl | Qt::Key_J}},
    {kDelete, {QKeyCombination(Qt::Key_Delete)}},
    {kExpandLeft, {Ctrl | Shift | Qt::Key_Left}},
    {kExpandRight, {Ctrl | Shift | Qt::Key_Right}},
    {kReset, {Ctrl | Shift | Qt::Key_Delete}},
    {kEditUndo, {Ctrl | Qt::Key_Z, Alt | Qt::Key_Backspace}},
    {kEditRedo, {Ctrl | Shift | Qt::Key_Z, Ctrl | Qt::Key_Y}},
    // Accelerators that nothing handles: they stay disabled and leave their
    // keys to the control that has the focus.
    {kEditCut, {Ctrl | Qt::Key_X, Shift | Qt::Key_Delete}},
    {kEditCopy, {Ctrl | Qt::Key_C, Ctrl | Qt::Key_Insert}},
    {kEditPaste, {Ctrl | Qt::Key_V, Shift | Qt::Key_Insert}},
    {kNextPane, {QKeyCombination(Qt::Key_F6)}},
    {kPrevPane, {Shift | Qt::Key_F6}},
    // View
    {kSettings, {Ctrl | Qt::Key_P}},
    {kPeakReset, {Ctrl | Shift | Qt::Key_P}},
    {kZoomIn, {Ctrl | Qt::Key_Equal, Ctrl | Qt::Key_Plus}},
    {kZoomOut, {Ctrl | Qt::Key_Minus}},
    {kZoomWholeFile, {Ctrl | Qt::Key_0}},
    // Help
    {kKeyboardHelp, {QKeyCombination(Qt::Key_F1)}},
};

// The keys the widgets take while they have the focus.
const KeyRow kWidgetKeys[] = {
    {"Track list: rename the highlighted track", "F2"},
    {"Track list: play the highlighted track", "Return"},
    {"Waveform: scroll", "Left, Right"},
    {"Waveform: zoom in, out", "+, -"},
    {"Waveform: go to the start, the end", "Home, End"},
    {"Waveform: show the whole file", "0"},
    {"Position bar: move the mark by the crick rate, a tenth", "Left, Right, Page Up, Page Down"},
};

QString plainText(const QAction& action) {
    QString text = action.text();
    return text.remove(QLatin1Char('&'));
}

void addMenuRows(const QMenu& menu, const QString& path, QList<KeyRow>& rows) {
    for (const QAction* action : menu.actions()) {
        if (action->isSeparator() || !action->isVisible())
            continue;
        const QString where = path + QStringLiteral(" > ") + plainText(*action);
        if (const QMenu* submenu = action->menu()) {
            addMenuRows(*submenu, where, rows);
            continue;
        }
        QStringList keys;
        for (const QKeySequence& key : action->shortcuts())
            keys << key.toString(QKeySequence::NativeText);
        if (!keys.isEmpty())
            rows.append({where, keys.join(QStringLiteral(", "))});
    }
}

} // namespace

QList<KeyRow> keyRows(const QMenuBar& menus) {
    QList<KeyRow> rows;
    for (const QAction* action : menus.actions())
        if (const QMenu* menu = action->menu())
            addMenuRows(*menu, plainText(*action), rows);
    for (const KeyRow& row : kWidgetKeys)
        rows.append(row);
    return rows;
}

void assignCommandKeys(CommandTable& commands) {
    for (const CommandKeys& entry : kKeys) {
        QAction* action = commands.action(entry.id);
        if (action == nullptr)
            continue;
        QList<QKeySequence> keys;
        for (QKeyCombination key : entry.keys)
            keys.append(QKeySequence(key));
        action->setShortcuts(keys);
        // The keys work wherever the focus is in the main window, not in the
        // dialogs it shows.
        action->setShortcutContext(Qt::WindowShortcut);
    }
}

bool isMenuOnlyCommand(int id) {
    if (id >= kRecentFileFirst && id < kRecentFileFirst + kRecentFileCount)
        return true;
    return id == kViewToolbar || id == kViewStatusBar || id == kAbout;
}
