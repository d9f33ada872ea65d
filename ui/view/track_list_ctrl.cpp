#include "ui/view/track_list_ctrl.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

namespace {

const char* const kColumnTitles[] = {"filename", "start", "end", "total"};
const int kColumnWidths[] = {240, 64, 64, 64};

} // namespace

TrackListModel::TrackListModel(QObject* parent) : QAbstractTableModel(parent) {}

void TrackListModel::insertTextRow(int index, const std::string& name) {
    beginInsertRows({}, index, index);
    rows_.insertRow(index, name);
    endInsertRows();
}

void TrackListModel::setName(int row, const std::string& name) {
    rows_.setName(row, name);
    rowChanged(row);
}

void TrackListModel::clearAll() {
    beginResetModel();
    rows_.clearAll();
    endResetModel();
}

void TrackListModel::removeTrackRow(int row) {
    beginRemoveRows({}, row, row);
    rows_.removeRow(row);
    endRemoveRows();
}

void TrackListModel::setTrack(int row, const sundra::TrackSegment& segment) {
    rows_.setTrack(row, segment);
    rowChanged(row);
}

void TrackListModel::refreshTimes(int row) {
    rows_.refreshTimes(row);
    rowChanged(row);
}

void TrackListModel::assignRows(const sundra::CutList& cuts, sundra::SampleStream& master) {
    beginResetModel();
    rows_.assign(cuts, master);
    endResetModel();
}

int TrackListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_.rowCount();
}

int TrackListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 4;
}

QVariant TrackListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_.rowCount()) {
        return {};
    }
    if (role == Qt::DisplayRole || role == Qt::EditRole) {
        return QString::fromStdString(rows_.text(index.row(), index.column()));
    }
    return {};
}

bool TrackListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.column() != sundra::TrackList::Name || role != Qt::EditRole) {
        return false;
    }
    const std::string name = value.toString().toStdString();
    if (nameEditor_) {
        nameEditor_(index.row(), name);
    } else {
        setName(index.row(), name);
    }
    return true;
}

Qt::ItemFlags TrackListModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == sundra::TrackList::Name) {
        flags |= Qt::ItemIsEditable;
    }
    return flags;
}

QVariant TrackListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < 4) {
        return QString::fromLatin1(kColumnTitles[section]);
    }
    return {};
}

void TrackListModel::rowChanged(int row) {
    emit dataChanged(index(row, 0), index(row, 3));
}

TrackListCtrl::TrackListCtrl(QWidget* parent)
    : QTreeView(parent), model_(new TrackListModel(this)) {
    setModel(model_);
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

void TrackListCtrl::clearAll() {
    model_->clearAll();
}

void TrackListCtrl::setSelectedRow(int row) {
    if (row < 0 || row >= model_->rowCount()) {
        clearSelection();
        return;
    }
    const QModelIndex index = model_->index(row, 0);
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
    const QModelIndex index = model_->index(row, 0);
    setCurrentIndex(index);
    edit(index);
    return true;
}

void TrackListCtrl::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F2 && state() != QAbstractItemView::EditingState) {
        editHighlightedLabel();
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
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
