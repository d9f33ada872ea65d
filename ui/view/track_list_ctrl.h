#pragma once
// TrackListCtrl: the track list of the main view, a report list that shows the
// cuts model (name, start / end / total times) and follows its every change.
//
// The highlight is the view's selected track: a click (rowClicked) or a key
// that moves the highlight (highlightMoved) selects, and a command's selection
// is highlighted. Column 0 (the name) can be edited in place with F2 or a slow
// click; the model takes a confirmed name. Return asks to play the highlighted
// row (returnPressed) instead of going to the window's Play key, so that the
// row under the user's eyes is played.

#include <QTreeView>

class TrackListCtrl : public QTreeView {
    Q_OBJECT
public:
    // Shows rows (not owned), which must outlive the list.
    explicit TrackListCtrl(QAbstractItemModel& rows, QWidget* parent = nullptr);

    // One-time setup: the four columns with their titles and widths.
    void insertColumns();

    // Highlights exactly row (nothing else), as a command's selection does;
    // -1 highlights nothing.
    void setSelectedRow(int row);
    // The highlighted row, or -1.
    int highlightedRow() const;
    // Starts editing the name of the highlighted row; false when none is.
    bool editHighlightedLabel();

signals:
    // A click in the list: the row hit, or -1 when the click hit no row.
    void rowClicked(int row);
    // A key (arrows, Home, End, the page keys, typing a name) moved the
    // highlight to row, or took it away (-1).
    void highlightMoved(int row);
    // Return or Enter in the list: the highlighted row, or -1.
    void returnPressed(int row);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool pressed_ = false;
};
