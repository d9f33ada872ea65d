#pragma once
// CAboutDlg: the "About Sundra" box: the program's icon, name and version, the
// maker's notice and the maker's web address as a link.

#include <QDialog>

class HyperlinkStatic;

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    static const char kWebAddress[];

    explicit CAboutDlg(QWidget* parent = nullptr);
    HyperlinkStatic& link() { return *link_; }

private:
    HyperlinkStatic* link_;
};
