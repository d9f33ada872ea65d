#include "ui/dialogs/split_into_tracks_dialog.h"

#include "core/cut_list.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>

namespace {

// "A1 Title (3:45)" for a line's choice.
QString lineText(std::size_t index, const sundra::SleeveTrack& track) {
    QString text = QStringLiteral("%1: ").arg(index + 1);
    if (!track.position.empty())
        text += QString::fromStdString(track.position) + QLatin1Char(' ');
    text += QString::fromStdString(track.title);
    if (track.seconds) {
        const int seconds = static_cast<int>(std::lround(*track.seconds));
        text +=
            QStringLiteral(" (%1:%2)").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
    }
    return text;
}

} // namespace

CSplitIntoTracksDialog::CSplitIntoTracksDialog(sundra::GapDetection detection, int count,
                                               QWidget* parent)
    : QDialog(parent), detection_(std::move(detection)) {
    setWindowTitle(QStringLiteral("Split into Tracks"));
    count_ = new QSpinBox(this);
    count_->setObjectName(QStringLiteral("trackCount"));
    count_->setRange(sundra::kFewestTracks, sundra::kMostTracks);
    count_->setValue(count);
    list_ = new QPlainTextEdit(this);
    list_->setObjectName(QStringLiteral("trackList"));
    list_->setPlaceholderText(QStringLiteral("1. First Title 3:45\n2. Second Title 4:02\n..."));
    list_->setTabChangesFocus(true);
    firstLine_ = new QComboBox(this);
    firstLine_->setObjectName(QStringLiteral("firstLine"));
    lastLine_ = new QComboBox(this);
    lastLine_->setObjectName(QStringLiteral("lastLine"));
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("status"));
    status_->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);

    auto label = [this](const QString& text, QWidget* buddy) {
        auto* shown = new QLabel(text, this);
        shown->setBuddy(buddy);
        return shown;
    };
    auto* countRow = new QHBoxLayout;
    countRow->addWidget(label(QStringLiteral("&Number of tracks:"), count_));
    countRow->addWidget(count_);
    countRow->addStretch(1);
    QLabel* listLabel = label(QStringLiteral("Or paste the &track list of the sleeve, one track a "
                                             "line; its times place the cuts, its titles name "
                                             "the tracks:"),
                              list_);
    listLabel->setWordWrap(true);
    auto* lines = new QGridLayout;
    lines->addWidget(label(QStringLiteral("&From line:"), firstLine_), 0, 0);
    lines->addWidget(firstLine_, 0, 1);
    lines->addWidget(label(QStringLiteral("T&o line:"), lastLine_), 1, 0);
    lines->addWidget(lastLine_, 1, 1);
    lines->setColumnStretch(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(countRow);
    layout->addWidget(listLabel);
    layout->addWidget(list_, 1);
    layout->addLayout(lines);
    layout->addWidget(status_);
    layout->addWidget(buttons);
    resize(460, 400);

    connect(count_, &QSpinBox::valueChanged, this, &CSplitIntoTracksDialog::choose);
    connect(list_, &QPlainTextEdit::textChanged, this, &CSplitIntoTracksDialog::readList);
    connect(firstLine_, &QComboBox::currentIndexChanged, this, &CSplitIntoTracksDialog::choose);
    connect(lastLine_, &QComboBox::currentIndexChanged, this, &CSplitIntoTracksDialog::choose);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    readList();
}

void CSplitIntoTracksDialog::readList() {
    sleeve_ = {};
    listValid_ = true;
    problem_.clear();
    const std::string text = list_->toPlainText().toStdString();
    if (list_->toPlainText().trimmed().isEmpty()) {
        sleeve_ = {};
    } else {
        try {
            sleeve_ = sundra::parseSleeveList(text);
        } catch (const sundra::CutListError& error) {
            listValid_ = false;
            problem_ = QString::fromStdString(error.what());
        }
    }
    const QSignalBlocker blockFirst(firstLine_);
    const QSignalBlocker blockLast(lastLine_);
    firstLine_->clear();
    lastLine_->clear();
    for (std::size_t i = 0; i < sleeve_.tracks.size(); ++i) {
        firstLine_->addItem(lineText(i, sleeve_.tracks[i]));
        lastLine_->addItem(lineText(i, sleeve_.tracks[i]));
    }
    // A whole album's list for one side: the lines that fit the gaps best.
    std::size_t first = 0;
    std::size_t lines = sleeve_.tracks.size();
    if (sleeve_.timed()) {
        const sundra::FoundTracks best = sundra::chooseTracks(
            detection_, {sundra::TrackSearch::ByDurations, 0, sleeve_.durations(), true});
        if (best.fit) {
            first = best.fit->firstLine;
            lines = best.fit->lines;
        }
    }
    firstLine_->setCurrentIndex(lines > 0 ? static_cast<int>(first) : -1);
    lastLine_->setCurrentIndex(lines > 0 ? static_cast<int>(first + lines - 1) : -1);
    choose();
}

void CSplitIntoTracksDialog::choose() {
    const bool listed = !sleeve_.tracks.empty();
    count_->setEnabled(listValid_ && !listed);
    firstLine_->setEnabled(listed);
    lastLine_->setEnabled(listed);
    titles_.clear();
    found_ = {};
    if (!listValid_) {
        status_->setText(problem_);
        ok_->setEnabled(false);
        return;
    }
    problem_.clear();
    sundra::TrackRequest request{
        sundra::TrackSearch::ByCount, static_cast<std::size_t>(count_->value()), {}, false};
    const int first = firstLine_->currentIndex();
    const int last = lastLine_->currentIndex();
    if (listed && last < first) {
        problem_ = QStringLiteral("The last line lies before the first.");
    } else if (listed) {
        const sundra::SleeveList lines{
            {sleeve_.tracks.begin() + first, sleeve_.tracks.begin() + last + 1}};
        if (lines.timed()) {
            request = {sundra::TrackSearch::ByDurations, 0, lines.durations(), false};
        } else if (lines.tracks.size() < static_cast<std::size_t>(sundra::kFewestTracks)) {
            problem_ = QStringLiteral("a track list without times needs at least two tracks");
        } else {
            request.tracks = lines.tracks.size();
        }
        if (problem_.isEmpty()) {
            const QSignalBlocker block(count_);
            count_->setValue(static_cast<int>(lines.tracks.size()));
            titles_ = lines.titles();
        }
    }
    if (problem_.isEmpty()) {
        found_ = sundra::chooseTracks(detection_, request);
        problem_ = QString::fromStdString(sundra::trackProblem(found_));
    }
    QString shown = problem_;
    if (problem_.isEmpty()) {
        const auto tracks = static_cast<qsizetype>(found_.tracks.size());
        if (!listed) {
            shown = QStringLiteral("%1 tracks, cut at the %2 best of %3 gaps.")
                        .arg(tracks)
                        .arg(tracks - 1)
                        .arg(static_cast<qsizetype>(detection_.candidates.size()));
        } else if (found_.fit) {
            shown = QStringLiteral("Lines %1-%2 of the list: %3 tracks, the furthest %4 s off "
                                   "its time.")
                        .arg(first + 1)
                        .arg(last + 1)
                        .arg(tracks)
                        .arg(found_.fit->worstSeconds, 0, 'f', 1);
        } else {
            shown = QStringLiteral("Lines %1-%2 of the list: %3 tracks, cut at the best gaps.")
                        .arg(first + 1)
                        .arg(last + 1)
                        .arg(tracks);
        }
    }
    status_->setText(shown);
    ok_->setEnabled(problem_.isEmpty());
}
