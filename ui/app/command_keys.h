#pragma once
// The keys of the commands, in the habits of sound editors: Space plays and
// stops, Return plays the selected track, Escape stops, and every transport
// and edit command has a key of its own. The accelerators of the File and
// Edit menus (Ctrl+N, Ctrl+O, Ctrl+S, undo, cut, copy, paste, the panes) keep
// their keys. The menus show each command's keys beside its text; Help >
// Keyboard lists them all.

#include "ui/dialogs/keys_dialog.h"

#include <QList>

class CommandTable;
class QMenuBar;

// Gives every command of the table that has keys here its keys (a command
// not in the table is passed over). Each key belongs to one command only.
void assignCommandKeys(CommandTable& commands);

// Whether id is one of the window's own menu entries that are reached through
// their menu's mnemonics rather than a key: the recent files, the toolbar and
// status-bar toggles and the About box.
bool isMenuOnlyCommand(int id);

// The rows of Help > Keyboard: every entry of the menus that has keys, in menu
// order, then the keys of the track list and the waveform.
QList<KeyRow> keyRows(const QMenuBar& menus);
