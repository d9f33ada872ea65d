#include "ui/view/track_list_ctrl.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

namespace {

const int kColumnWidths[] = {240, 64, 64, 64};

bool isReturn(const QKeyEvent& key) {
    return (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) &&
           (key.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

} // namespace

TrackListCtrl::TrackListCtrl(QAbstractItemModel& rows, QWidget* parent) : QTreeView(parent) {
    setModel(&rows);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    // F2 is handled here (it edits the highlighted row, not the current cell);
    // a slow second click on a highlighted name edits it.
    setEditTriggers(QAbstractItemView::SelectedClicked);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    header()->hide();
}

void TrackListCtrl::insertColumns() {
    header()->show();
    for (int column = 0; column < 4; ++column) {
        header()->resizeSection(column, kColumnWidths[column]);
        header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }
}

void TrackListCtrl::setSelectedRow(int row) {
    if (row < 0 || row >= model()->rowCount()) {
        // No current row either: the next key starts from the top.
        selectionModel()->clear();
        return;
    }
    const QModelIndex index = model()->index(row, 0);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                 QItemSelectionModel::Rows);
    scrollTo(index);
}

int TrackListCtrl::highlightedRow() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

bool TrackListCtrl::editHighlightedLabel() {
    const int row = highlightedRow();
    if (row < 0) {
        return false;
    }
    const QModelIndex index = model()->index(row, 0);
    setCurrentIndex(index);
    edit(index);
    return true;
}

bool TrackListCtrl::event(QEvent* event) {
    // The list takes Return itself rather than leaving it to the window's key.
    if (event->type() == QEvent::ShortcutOverride && isReturn(*static_cast<QKeyEvent*>(event)) &&
        state() != QAbstractItemView::EditingState) {
        event->accept();
        return true;
    }
    return QTreeView::event(event);
}

void TrackListCtrl::keyPressEvent(QKeyEvent* event) {
    if (isReturn(*event) && state() != QAbstractItemView::EditingState) {
        emit returnPressed(highlightedRow());
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_F2 && state() != QAbstractItemView::EditingState) {
        editHighlightedLabel();
        event->accept();
        return;
    }
    const int before = highlightedRow();
    QTreeView::keyPressEvent(event);
    const int after = highlightedRow();
    if (after != before) {
        emit highlightMoved(after);
    }
}

void TrackListCtrl::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    const QModelIndex hit = indexAt(event->position().toPoint());
    QTreeView::mousePressEvent(event);
    if (pressed_ && !hit.isValid()) {
        // A click beside the rows takes the highlight away, as in a list view.
        clearSelection();
    }
}

void TrackListCtrl::mouseReleaseEvent(QMouseEvent* event) {
    QTreeView::mouseReleaseEvent(event);
    if (pressed_ && event->button() == Qt::LeftButton) {
        pressed_ = false;
        const QModelIndex hit = indexAt(event->position().toPoint());
        emit rowClicked(hit.isValid() ? hit.row() : -1);
    }
}
