#include "ui/document/cuts_model.h"

#include <mutex>

namespace {

constexpr int kColumns = 4;
const char* const kColumnTitles[kColumns] = {"filename", "start", "end", "total"};

} // namespace

// One edit: the cuts before are taken when it opens (before the edit takes the
// playback lock); when it closes and the rows or the album differ, it pushes
// one step onto the history. A selection alone is no step.
class CutsModel::EditStep {
public:
    EditStep(CutsModel& model, const QString& text)
        : model_(model), text_(text), before_(model.snapshot()) {}
    ~EditStep() {
        CutsSnapshot after = model_.snapshot();
        if (after.rows == before_.rows && after.album == before_.album) {
            return;
        }
        CutsModel* model = &model_;
        model_.history_.push(
            new EditCommand(text_, std::move(before_), std::move(after),
                            [model](const CutsSnapshot& state) { model->restore(state); }));
        emit model_.cutsChanged();
    }
    EditStep(const EditStep&) = delete;
    EditStep& operator=(const EditStep&) = delete;

private:
    CutsModel& model_;
    QString text_;
    CutsSnapshot before_;
};

CutsModel::CutsModel(sundra::PlaybackContext& playback, QObject* parent)
    : QAbstractTableModel(parent), playback_(playback) {
    rows_.setObserver(this);
}

CutsModel::~CutsModel() {
    std::lock_guard guard(playback_);
    playback_.setRangeDefault();
    rows_.setObserver(nullptr);
    rows_.clearAll();
}

int CutsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_.rowCount();
}

void CutsModel::select(int row) {
    std::lock_guard guard(playback_);
    sundra::TrackSegment* track = row == -1 ? nullptr : rows_.trackAt(row);
    mark_ = 0;
    if (track == nullptr) {
        playback_.setRangeDefault();
        selected_ = -1;
    } else {
        selected_ = row;
        playback_.setRange(*track);
        playback_.range().seek(0);
    }
    emit selectionChanged(selected_);
}

void CutsModel::setMark(std::int32_t mark) {
    mark_ = mark;
    emit markChanged(mark_);
}

void CutsModel::startOver(const std::string& title, bool wholeRow) {
    std::lock_guard guard(playback_);
    title_ = title;
    album_ = {};
    selected_ = -1;
    if (wholeRow) {
        sundra::resetToWhole(rows_, title_, playback_.master());
    } else {
        rows_.clearAll();
    }
    history_.clear();
    select(wholeRow ? 0 : -1);
    emit startedOver();
    emit cutsChanged();
}

bool CutsModel::split(int row, std::int32_t at) {
    const EditStep step(*this, QStringLiteral("Split"));
    std::lock_guard guard(playback_);
    if (!sundra::splitTrack(rows_, row, at, playback_.master())) {
        return false;
    }
    select(row);
    return true;
}

void CutsModel::join(int row) {
    const EditStep step(*this, QStringLiteral("Joint"));
    std::lock_guard guard(playback_);
    sundra::joinWithPrevious(rows_, row);
    select(row - 1);
}

void CutsModel::remove(int row) {
    const EditStep step(*this, QStringLiteral("Delete"));
    std::lock_guard guard(playback_);
    rows_.removeRow(row);
    select(-1);
}

std::int32_t CutsModel::expandedStart(int row) const {
    return sundra::expandedStart(rows_, row);
}

std::int32_t CutsModel::expandedEnd(int row) const {
    // Read without the lock (an enable rule must not wait for a shot play);
    // only the window thread replaces the master.
    return sundra::expandedEnd(rows_, row, playback_.master().length());
}

void CutsModel::expandLeft(int row) {
    const EditStep step(*this, QStringLiteral("Expand Left"));
    std::lock_guard guard(playback_);
    sundra::expandLeft(rows_, row);
    select(row);
}

void CutsModel::expandRight(int row) {
    const EditStep step(*this, QStringLiteral("Expand Right"));
    std::lock_guard guard(playback_);
    sundra::expandRight(rows_, row, playback_.master().length());
    select(row);
}

void CutsModel::reset() {
    const EditStep step(*this, QStringLiteral("Reset"));
    std::lock_guard guard(playback_);
    sundra::resetToWhole(rows_, title_, playback_.master());
    select(0);
}

void CutsModel::renameAll() {
    const EditStep step(*this, QStringLiteral("Rename"));
    sundra::renameAll(rows_, title_);
}

void CutsModel::renameTrack(int row, const std::string& name) {
    const EditStep step(*this, QStringLiteral("Rename Track"));
    rows_.setName(row, name);
}

bool CutsModel::moveCut(const sundra::TrackEdge& edge, std::int32_t frame) {
    const EditStep step(*this, QStringLiteral("Move Cut"));
    std::lock_guard guard(playback_);
    const sundra::TrackSegment* selected = selected_ == -1 ? nullptr : rows_.trackAt(selected_);
    const std::int32_t start = selected ? selected->start() : 0;
    const std::int32_t end = selected ? selected->end() : 0;
    if (!sundra::moveTrackEdge(rows_, edge, frame, playback_.master().length())) {
        return false;
    }
    // The selected track changed under the current range: select it again, as
    // the other edits do, so its position starts over within its new bounds.
    if (selected && (selected->start() != start || selected->end() != end)) {
        select(selected_);
    }
    return true;
}

void CutsModel::applyPieces(int row, const std::vector<sundra::FrameRange>& pieces,
                            const QString& stepName) {
    const EditStep step(*this, stepName);
    std::lock_guard guard(playback_);
    sundra::replaceByPieces(rows_, row, pieces, playback_.master());
    select(row < rows_.rowCount() ? row : -1);
}

void CutsModel::applyPieces(int row, const sundra::PieceList& pieces, const QString& stepName) {
    // The pieces are windows onto the row: in frames of the master they become rows.
    std::vector<sundra::FrameRange> ranges;
    ranges.reserve(pieces.size());
    for (const auto& piece : pieces) {
        ranges.push_back({piece->absoluteStart(), piece->absoluteEnd()});
    }
    applyPieces(row, ranges, stepName);
}

void CutsModel::applyTitledPieces(int row, const std::vector<sundra::FrameRange>& pieces,
                                  const std::vector<std::string>& titles, const QString& stepName) {
    const EditStep step(*this, stepName);
    std::lock_guard guard(playback_);
    if (sundra::replaceByTitledPieces(rows_, album_, row, pieces, titles, playback_.master()))
        select(row < rows_.rowCount() ? row : -1);
}

void CutsModel::applyCutList(const sundra::CutList& cuts, const QString& text,
                             const sundra::AlbumInfo* album) {
    const EditStep step(*this, text);
    std::lock_guard guard(playback_);
    if (album) {
        album_ = *album;
    }
    rows_.assign(cuts, playback_.master());
    select(rows_.rowCount() > 0 ? 0 : -1);
}

bool CutsModel::applyTrackInfo(const sundra::AlbumInfo& info) {
    if (!info.titles.empty() && info.titles.size() != static_cast<std::size_t>(rows_.rowCount())) {
        return false;
    }
    const EditStep step(*this, QStringLiteral("Track Info"));
    album_ = info;
    sundra::nameAfterTitles(rows_, info.titles);
    return true;
}

CutsSnapshot CutsModel::snapshot() const {
    return {rows_.cuts(), selected_, mark_, album_};
}

void CutsModel::restore(const CutsSnapshot& state) {
    // Like every edit: under the lock from start to end, ending with a live row
    // (or the empty range) as the current range.
    std::lock_guard guard(playback_);
    album_ = state.album;
    rows_.assign(state.rows, playback_.master());
    select(state.selectedTrack < rows_.rowCount() ? state.selectedTrack : -1);
    if (selected_ != -1 && state.markPosition != 0) {
        playback_.range().seek(state.markPosition);
        setMark(state.markPosition);
    }
    emit cutsChanged();
}

int CutsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant CutsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_.rowCount()) {
        return {};
    }
    if (role == Qt::DisplayRole || role == Qt::EditRole) {
        return QString::fromStdString(rows_.text(index.row(), index.column()));
    }
    return {};
}

bool CutsModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.column() != sundra::TrackList::Name || role != Qt::EditRole) {
        return false;
    }
    renameTrack(index.row(), value.toString().toStdString());
    return true;
}

Qt::ItemFlags CutsModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == sundra::TrackList::Name) {
        flags |= Qt::ItemIsEditable;
    }
    return flags;
}

QVariant CutsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < kColumns) {
        return QString::fromLatin1(kColumnTitles[section]);
    }
    return {};
}

void CutsModel::aboutToInsertRows(int first, int last) {
    beginInsertRows({}, first, last);
}

void CutsModel::insertedRows() {
    endInsertRows();
}

void CutsModel::aboutToRemoveRows(int first, int last) {
    beginRemoveRows({}, first, last);
}

void CutsModel::removedRows() {
    endRemoveRows();
}

void CutsModel::aboutToReplaceList() {
    beginResetModel();
}

void CutsModel::replacedList() {
    endResetModel();
}

void CutsModel::changedRow(int row) {
    emit dataChanged(index(row, 0), index(row, kColumns - 1));
}
