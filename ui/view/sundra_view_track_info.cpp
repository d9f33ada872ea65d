// The view's album information: the Track Info command and the one edit that
// applies what it returns.

#include "ui/dialogs/track_info_dialog.h"
#include "ui/document/cuts_model.h"
#include "ui/document/sundra_doc.h"
#include "ui/view/sundra_view.h"
#include "ui/view/track_list_ctrl.h"

void CSundraView::OnTrackInfo() {
    CTrackInfoDialog dialog(cuts_.album(), cuts_.rowCount(), this);
    if (dialog.exec() == QDialog::Accepted)
        cuts_.applyTrackInfo(dialog.albumInfo());
}

std::vector<sundra::TrackTags> CSundraView::exportTags() {
    std::vector<sundra::TrackTags> tags;
    for (int row = 0; row < cuts_.rowCount(); ++row)
        tags.push_back(sundra::tagsForRow(cuts_.album(), row, cuts_.name(row)));
    return tags;
}
