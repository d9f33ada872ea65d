#pragma once
// CTrackInfoDialog: "Track Info": the album, artist and year of the recording
// and a box of titles, one per line, as pasted from a sleeve or a web page. OK
// is offered only when the box is empty (the rows keep their names) or holds
// one title per row; the line under the box says how the count stands.

#include "split/track_tags.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>

class CTrackInfoDialog : public QDialog {
    Q_OBJECT
public:
    CTrackInfoDialog(const sundra::AlbumInfo& current, int trackCount, QWidget* parent);

    // What the fields say now.
    sundra::AlbumInfo albumInfo() const;

    QLineEdit* albumEdit() const { return album_; }
    QLineEdit* artistEdit() const { return artist_; }
    QLineEdit* yearEdit() const { return year_; }
    QPlainTextEdit* titlesEdit() const { return titles_; }
    QLabel* countLabel() const { return count_; }
    QDialogButtonBox* buttons() const { return buttons_; }

private:
    void showCount();

    int trackCount_;
    QPointer<QLineEdit> album_;
    QPointer<QLineEdit> artist_;
    QPointer<QLineEdit> year_;
    QPointer<QPlainTextEdit> titles_;
    QPointer<QLabel> count_;
    QPointer<QDialogButtonBox> buttons_;
};
