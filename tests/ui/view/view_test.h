#pragma once
// The main view under test: the started window program, its view, list and
// cuts, and the position bar driven as a user drags it.

#include "tests/ui/window_test_support.h"
#include "ui/app/sundra_app.h"
#include "ui/document/cuts_model.h"
#include "ui/document/sundra_doc.h"
#include "ui/view/position_bar.h"
#include "ui/view/sundra_view.h"
#include "ui/view/track_list_ctrl.h"
#include "ui/view/transport.h"

#include <cstdint>

namespace sundra::uitest {

class ViewTest : public WindowTest {
protected:
    CSundraView& view() { return app->view(); }
    TrackListCtrl& list() { return app->view().list(); }
    CutsModel& cuts() { return app->view().cuts(); }
    PlaybackContext& playback() { return app->document().playback(); }
    std::int32_t position() { return playback().range().tell(); }
    struct Span {
        std::int32_t start;
        std::int32_t end;
        friend bool operator==(const Span&, const Span&) = default;
    };
    Span span(int row) {
        return {cuts().trackAt(row)->absoluteStart(), cuts().trackAt(row)->absoluteEnd()};
    }
    // Moves the bar's thumb to value as a drag does.
    void dragThumb(int value) {
        QScrollBar& bar = view().positionBar();
        bar.setSliderDown(true);
        bar.setSliderPosition(value);
        bar.setSliderDown(false);
    }
    bool waitForIdle() {
        return waitUntil([this] { return view().transport().idle(); });
    }
};

} // namespace sundra::uitest
