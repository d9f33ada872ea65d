#pragma once
// TrackListCtrl: the track list of the main view, a report list over the
// engine's TrackList rows (name, owned segment, start / end / total times). The
// row operations go through this class so that the widget follows every change.
//
// The widget's highlight is only a display: the view's selected track changes
// only through a click (rowClicked) or a command. Column 0 (the name) can be
// edited in place with F2 or a slow click; a confirmed edit replaces the name.

#include "core/track_list.h"

#include <QAbstractTableModel>
#include <QTreeView>

#include <functional>
#include <string>

class TrackListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TrackListModel(QObject* parent = nullptr);

    sundra::TrackList& rows() { return rows_; }
    const sundra::TrackList& rows() const { return rows_; }

    void insertTextRow(int index, const std::string& name);
    void setName(int row, const std::string& name);
    void clearAll();
    void removeTrackRow(int row);
    void setTrack(int row, const sundra::TrackSegment& segment);
    void refreshTimes(int row);
    // Replaces every row by one row per cut over master.
    void assignRows(const sundra::CutList& cuts, sundra::SampleStream& master);
    // Called with a name confirmed in the editor instead of setting it, so that
    // the owner can make the change an edit of its own.
    void setNameEditor(std::function<void(int row, const std::string& name)> editor) {
        nameEditor_ = std::move(editor);
    }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void rowChanged(int row);

    sundra::TrackList rows_;
    std::function<void(int, const std::string&)> nameEditor_;
};

class TrackListCtrl : public QTreeView {
    Q_OBJECT
public:
    explicit TrackListCtrl(QWidget* parent = nullptr);

    // One-time setup: the four columns with their titles and widths.
    void insertColumns();

    int rowCount() const { return model_->rowCount(); }
    // The engine's rows; after changing a segment directly, call refreshTimes.
    sundra::TrackList& rows() { return model_->rows(); }
    const std::string& name(int row) { return model_->rows().name(row); }
    void setName(int row, const std::string& name) { model_->setName(row, name); }
    void insertTextRow(int index, const std::string& name) { model_->insertTextRow(index, name); }
    const std::string& text(int row, int column) { return model_->rows().text(row, column); }
    void clearAll();
    void removeRow(int row) { model_->removeTrackRow(row); }
    sundra::TrackSegment* trackAt(int row) { return model_->rows().trackAt(row); }
    void setTrack(int row, const sundra::TrackSegment& segment) { model_->setTrack(row, segment); }
    void refreshTimes(int row) { model_->refreshTimes(row); }
    const sundra::TrackList& rows() const { return model_->rows(); }
    void assignRows(const sundra::CutList& cuts, sundra::SampleStream& master) {
        model_->assignRows(cuts, master);
    }
    void setNameEditor(std::function<void(int row, const std::string& name)> editor) {
        model_->setNameEditor(std::move(editor));
    }

    // Highlights exactly row (nothing else), as a command's selection does.
    void setSelectedRow(int row);
    // The highlighted row, or -1.
    int highlightedRow() const;
    // Starts editing the name of the highlighted row; false when none is.
    bool editHighlightedLabel();

signals:
    // A click in the list: the row hit, or -1 when the click hit no row.
    void rowClicked(int row);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    TrackListModel* model_;
    bool pressed_ = false;
};
