#include "ui/settings/settings_sheet.h"

#include "ui/platform/dialog_font.h"
#include "ui/settings/settings_page.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

void CSettingsSheet::addPage(SettingsPage& page) {
    pages_.push_back(&page);
}

int CSettingsSheet::exec(QWidget* parent) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("settings"));
    applyDialogFont(dialog);

    auto* tabs = new QTabWidget(&dialog);
    holders_.clear();
    for (SettingsPage* page : pages_) {
        // The page's own widget is built into this holder the first time its tab
        // is shown.
        auto* holder = new QWidget(tabs);
        auto* layout = new QVBoxLayout(holder);
        layout->setContentsMargins(0, 0, 0, 0);
        tabs->addTab(holder, page->title());
        holders_.push_back(holder);
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(tabs);
    layout->addWidget(buttons);

    dialog_ = &dialog;
    tabs_ = tabs;
    current_ = -1;
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [this, &dialog] {
        if (current_ >= 0)
            pages_[current_]->saveControls();
        dialog.accept();
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (!pages_.empty())
        activate(0);
    QObject::connect(tabs, &QTabWidget::currentChanged, &dialog,
                     [this](int index) { activate(index); });

    const int result = dialog.exec();

    for (SettingsPage* page : pages_)
        page->destroyWidget();
    holders_.clear();
    current_ = -1;
    dialog_ = nullptr;
    tabs_ = nullptr;
    return result;
}

void CSettingsSheet::activate(int index) {
    if (index == current_ || index < 0 || index >= static_cast<int>(pages_.size()))
        return;
    if (current_ >= 0)
        pages_[current_]->saveControls();
    SettingsPage* page = pages_[index];
    if (!page->widget()) {
        QWidget* holder = holders_[index];
        holder->layout()->addWidget(page->createWidget(holder));
    }
    page->loadControls();
    current_ = index;
}
