#include "ui/view/time_commands.h"

#include "core/playback_context.h"
#include "core/time_text.h"
#include "ui/dialogs/time_dialog.h"
#include "ui/document/cuts_model.h"
#include "ui/document/sundra_doc.h"
#include "ui/platform/command_ids.h"
#include "ui/platform/command_table.h"
#include "ui/platform/message_box_reporter.h"
#include "ui/view/transport.h"
#include "ui/waveform/waveform_strip.h"

#include <QWidget>

namespace {

QString timeString(std::int64_t micros) {
    return QString::fromStdString(sundra::timeText(micros, 3));
}

} // namespace

TimeCommands::TimeCommands(CSundraDoc& document, Transport& transport, WaveformStrip& strip,
                           QWidget* owner)
    : QObject(owner), document_(document), transport_(transport), strip_(strip), owner_(owner) {
    connect(&strip_, &WaveformStrip::cutDoubleClicked, this, &TimeCommands::OnEditCut);
}

void TimeCommands::bindCommands(CommandTable& commands) {
    const auto hasFrames = [this] { return document_.playback().master().length() > 0; };
    commands.bind(
        command::kGoToTime, [this] { OnGoToTime(); }, hasFrames);
    commands.bind(
        command::kSplitAtTime, [this] { OnSplitAtTime(); },
        [this] { return document_.cuts().rowCount() > 0; });
}

std::int32_t TimeCommands::rate() const {
    return document_.playback().master().format().samplesPerSecond;
}

std::int64_t TimeCommands::lengthMicros() const {
    return sundra::microsOfFrame(document_.playback().master().length(), rate());
}

int TimeCommands::rowHolding(std::int64_t frame) const {
    const CutsModel& cuts = document_.cuts();
    const auto holds = [&](int row) {
        const sundra::TrackSegment* track = row >= 0 ? cuts.trackAt(row) : nullptr;
        return track != nullptr && track->absoluteStart() <= frame && frame < track->absoluteEnd();
    };
    if (holds(cuts.selectedTrack())) {
        return cuts.selectedTrack();
    }
    for (int row = 0; row < cuts.rowCount(); ++row) {
        if (holds(row)) {
            return row;
        }
    }
    return -1;
}

void TimeCommands::reveal(std::int64_t frame) {
    const double x = strip_.xOfFrame(frame);
    if (x < 0 || x > strip_.width()) {
        strip_.setView(frame - strip_.visibleFrames() / 2, strip_.framesPerPixel());
    }
}

void TimeCommands::sayNoTrackHolds(std::int64_t frame) {
    showMessage(
        owner_,
        QStringLiteral("No track holds %1.").arg(timeString(sundra::microsOfFrame(frame, rate()))));
}

bool TimeCommands::goToFrame(std::int64_t frame) {
    reveal(frame);
    const int row = rowHolding(frame);
    if (row < 0) {
        sayNoTrackHolds(frame);
        return false;
    }
    CutsModel& cuts = document_.cuts();
    const auto offset = static_cast<std::int32_t>(frame - cuts.trackAt(row)->absoluteStart());
    cuts.select(row);
    transport_.MovePositionTo(offset);
    return true;
}

bool TimeCommands::splitAtFrame(std::int64_t frame) {
    reveal(frame);
    const int row = rowHolding(frame);
    if (row < 0) {
        sayNoTrackHolds(frame);
        return false;
    }
    // The frame at the cut belongs to neither part: at a track's first or last
    // frame one part would be empty.
    const sundra::TrackSegment& track = *document_.cuts().trackAt(row);
    if (frame == track.absoluteStart() || frame + 1 >= track.absoluteEnd()) {
        showMessage(owner_,
                    QStringLiteral("%1 is the edge of a track: there is nothing to split off.")
                        .arg(timeString(sundra::microsOfFrame(frame, rate()))));
        return false;
    }
    document_.cuts().split(row, static_cast<std::int32_t>(frame));
    return true;
}

void TimeCommands::OnGoToTime() {
    const CutsModel& cuts = document_.cuts();
    const sundra::TrackSegment* track = cuts.trackAt(cuts.selectedTrack());
    const std::int64_t mark = track != nullptr && cuts.selectedTrack() >= 0
                                  ? track->absoluteStart() + cuts.markPosition()
                                  : 0;
    if (const auto time =
            CTimeDialog::ask(owner_, QStringLiteral("Go To Time"),
                             QStringLiteral("Set the &mark at this time of the file:"),
                             sundra::microsOfFrame(mark, rate()), lengthMicros())) {
        goToFrame(sundra::frameOfMicros(*time, rate()));
    }
}

void TimeCommands::OnSplitAtTime() {
    const std::int64_t at = std::max<std::int64_t>(strip_.positionFrame(), 0);
    if (const auto time =
            CTimeDialog::ask(owner_, QStringLiteral("Split at Time"),
                             QStringLiteral("&Split the track that holds this time of the file:"),
                             sundra::microsOfFrame(at, rate()), lengthMicros())) {
        splitAtFrame(sundra::frameOfMicros(*time, rate()));
    }
}

void TimeCommands::OnEditCut(const sundra::TrackEdge& edge) {
    CutsModel& cuts = document_.cuts();
    const std::int32_t frame = sundra::edgeFrame(cuts.rows(), edge);
    const std::int64_t shown = sundra::microsOfFrame(frame, rate());
    const auto time =
        CTimeDialog::ask(owner_, QStringLiteral("Move Cut"),
                         QStringLiteral("&Time of the cut in the file:"), shown, lengthMicros());
    // The time as shown, unchanged, is the cut where it is, not the frame
    // nearest to its rounded time.
    if (time && *time != shown) {
        cuts.moveCut(edge, static_cast<std::int32_t>(sundra::frameOfMicros(*time, rate())));
    }
}
