#pragma once
// CSettingsSheet: the settings dialog, one tab per page, with OK and Cancel. The
// sheet only uses its pages (the view owns them); its dialog is built anew on
// every exec and is gone when exec returns.
//
// Exchange: a page's controls are filled from its fields each time its tab is
// shown; leaving a tab moves the controls into that page's fields; OK moves the
// page on display; Cancel moves nothing from the page on display, while pages
// left earlier keep what they received.

// Complete types: the sheet hands out its guarded pointers as plain ones.
#include <QDialog>
#include <QPointer>
#include <QTabWidget>
#include <vector>

class QWidget;
class SettingsPage;

class CSettingsSheet {
public:
    // Pages appear in the order they are added; each must outlive the sheet.
    void addPage(SettingsPage& page);
    // Shows the sheet modally; returns QDialog::Accepted or QDialog::Rejected.
    int exec(QWidget* parent);

    // The dialog while exec runs (null otherwise); lets tests drive it.
    QDialog* dialog() const { return dialog_; }
    QTabWidget* tabs() const { return tabs_; }
    std::size_t pageCount() const { return pages_.size(); }

private:
    void activate(int index);

    std::vector<SettingsPage*> pages_;
    std::vector<QWidget*> holders_;
    QPointer<QDialog> dialog_;
    QPointer<QTabWidget> tabs_;
    int current_ = -1;
};
