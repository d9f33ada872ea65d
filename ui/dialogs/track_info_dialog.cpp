#include "ui/dialogs/track_info_dialog.h"

#include <QFormLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString fromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

std::string toUtf8(const QString& text) {
    return text.trimmed().toStdString();
}

} // namespace

CTrackInfoDialog::CTrackInfoDialog(const sundra::AlbumInfo& current, int trackCount,
                                   QWidget* parent)
    : QDialog(parent), trackCount_(trackCount) {
    setWindowTitle(QStringLiteral("Track Info"));
    album_ = new QLineEdit(fromUtf8(current.album), this);
    album_->setObjectName(QStringLiteral("album"));
    artist_ = new QLineEdit(fromUtf8(current.artist), this);
    artist_->setObjectName(QStringLiteral("artist"));
    year_ = new QLineEdit(fromUtf8(current.year), this);
    year_->setObjectName(QStringLiteral("year"));
    titles_ = new QPlainTextEdit(this);
    titles_->setObjectName(QStringLiteral("titles"));
    QStringList lines;
    for (const std::string& title : current.titles)
        lines << fromUtf8(title);
    titles_->setPlainText(lines.join(QLatin1Char('\n')));
    titles_->setTabChangesFocus(true);
    count_ = new QLabel(this);
    count_->setObjectName(QStringLiteral("count"));
    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("&Album"), album_);
    fields->addRow(QStringLiteral("A&rtist"), artist_);
    fields->addRow(QStringLiteral("&Year"), year_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(new QLabel(QStringLiteral("&Titles, one per line:"), this));
    layout->addWidget(titles_, 1);
    layout->addWidget(count_);
    layout->addWidget(buttons_);
    resize(420, 380);

    connect(titles_, &QPlainTextEdit::textChanged, this, &CTrackInfoDialog::showCount);
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    showCount();
}

sundra::AlbumInfo CTrackInfoDialog::albumInfo() const {
    sundra::AlbumInfo info;
    info.album = toUtf8(album_->text());
    info.artist = toUtf8(artist_->text());
    info.year = toUtf8(year_->text());
    info.titles = sundra::parseTitles(titles_->toPlainText().toStdString());
    return info;
}

void CTrackInfoDialog::showCount() {
    const std::size_t titles = sundra::parseTitles(titles_->toPlainText().toStdString()).size();
    const std::string problem =
        titles == 0 ? std::string() : sundra::titleCountProblem(titles, trackCount_);
    if (titles == 0)
        count_->setText(QStringLiteral("Without titles the tracks keep their names."));
    else if (problem.empty())
        count_->setText(QStringLiteral("%1 titles for %1 tracks: OK names the tracks \"NN Title\".")
                            .arg(trackCount_));
    else
        count_->setText(fromUtf8(problem));
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(problem.empty());
}
