#pragma once
// CKeysDialog: Help > Keyboard: every key of the window, one row per command
// (where its menu lists it, and its keys), then the keys that the track list
// and the waveform take while they have the focus.

#include <QDialog>
#include <QList>
#include <QString>

class QTreeWidget;

struct KeyRow {
    QString command; // "Action > Edit > Split"
    QString keys;    // "Ctrl+I", or several separated by ", "
};

class CKeysDialog : public QDialog {
    Q_OBJECT
public:
    CKeysDialog(const QList<KeyRow>& rows, QWidget* parent);

    QTreeWidget* table() const { return table_; }

private:
    QTreeWidget* table_;
};
