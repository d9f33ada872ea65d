#include "ui/dialogs/keys_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>

CKeysDialog::CKeysDialog(const QList<KeyRow>& rows, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Keyboard"));
    setObjectName(QStringLiteral("keysDialog"));

    table_ = new QTreeWidget(this);
    table_->setObjectName(QStringLiteral("keys"));
    table_->setColumnCount(2);
    table_->setHeaderLabels({QStringLiteral("command"), QStringLiteral("keys")});
    table_->setRootIsDecorated(false);
    table_->setUniformRowHeights(true);
    for (const KeyRow& row : rows)
        table_->addTopLevelItem(new QTreeWidgetItem(QStringList{row.command, row.keys}));
    table_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_, 1);
    layout->addWidget(buttons);
    resize(520, 560);
}
