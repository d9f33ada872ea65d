// The view's album information: the Track Info command and the one edit that
// applies what it returns.

#include "ui/dialogs/track_info_dialog.h"
#include "ui/document/edit_command.h"
#include "ui/document/sundra_doc.h"
#include "ui/view/sundra_view.h"
#include "ui/view/track_list_ctrl.h"

void CSundraView::OnTrackInfo() {
    CTrackInfoDialog dialog(document_.album(), list_->rowCount(), this);
    if (dialog.exec() == QDialog::Accepted)
        ApplyTrackInfo(dialog.albumInfo());
}

bool CSundraView::ApplyTrackInfo(const sundra::AlbumInfo& info) {
    if (!info.titles.empty() && info.titles.size() != static_cast<std::size_t>(list_->rowCount()))
        return false;
    // One undo step for the album and all the names. Names only, like Rename:
    // no lock, segments and selection untouched.
    const EditStep step(*this, QStringLiteral("Track Info"));
    document_.setAlbum(info);
    for (std::size_t i = 0; i < info.titles.size(); ++i) {
        const int row = static_cast<int>(i);
        list_->setName(row, sundra::titledTrackName(row + 1, info.titles[i]));
    }
    return true;
}

std::vector<sundra::TrackTags> CSundraView::exportTags() {
    std::vector<sundra::TrackTags> tags;
    for (int row = 0; row < list_->rowCount(); ++row)
        tags.push_back(sundra::tagsForRow(document_.album(), row, list_->name(row)));
    return tags;
}
