#include "ui/dialogs/about_box.h"

#include "ui/dialogs/hyperlink_static.h"

#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>

const char CAboutDlg::kWebAddress[] = "https://tolvan-production.example/sundra/";

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Sundra"));
    setObjectName(QStringLiteral("aboutBox"));

    auto* icon = new QLabel(this);
    icon->setPixmap(QIcon(QStringLiteral(":/icons/sundra.png")).pixmap(32, 32));
    auto* name = new QLabel(QStringLiteral("Sundra Version 1.02"), this);
    auto* notice = new QLabel(QStringLiteral("Copyright (C) 2026 TOLVAN-Production"), this);
    link_ = new HyperlinkStatic(QString::fromLatin1(kWebAddress), this);
    link_->setObjectName(QStringLiteral("link1025"));
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(16, 12, 12, 12);
    layout->setHorizontalSpacing(14);
    layout->addWidget(icon, 0, 0, 3, 1, Qt::AlignTop);
    layout->addWidget(name, 0, 1);
    layout->addWidget(notice, 1, 1);
    layout->addWidget(link_, 2, 1);
    layout->addWidget(ok, 0, 2, Qt::AlignTop);
    setFixedSize(sizeHint());
}
