#include "ui/view/sundra_view.h"

#include "core/exception.h"
#include "core/sample_buffer.h"
#include "core/track_edges.h"
#include "core/units.h"
#include "ui/app/main_frame.h"
#include "ui/dialogs/recording_dialog.h"
#include "ui/dialogs/save_all_dialog.h"
#include "ui/dialogs/split_all_dialog.h"
#include "ui/document/edit_command.h"
#include "ui/document/sundra_doc.h"
#include "ui/platform/command_ids.h"
#include "ui/platform/command_table.h"
#include "ui/platform/message_box_reporter.h"
#include "ui/settings/settings_pages.h"
#include "ui/settings/settings_store.h"
#include "ui/view/position_bar_input.h"
#include "ui/view/track_list_ctrl.h"
#include "ui/waveform/pause_preview.h"
#include "ui/waveform/waveform_strip.h"

#include <QFile>
#include <QGridLayout>
#include <QProgressBar>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <mutex>

namespace {

constexpr int kBarMaximum = 1000;
constexpr int kMeterMaximum = 1000;
constexpr int kMeterTimerMs = 100;

QProgressBar* makeMeter(QWidget* parent, int width, const char* name) {
    auto* meter = new QProgressBar(parent);
    meter->setObjectName(QString::fromLatin1(name));
    meter->setOrientation(Qt::Vertical);
    meter->setTextVisible(false);
    meter->setRange(0, kMeterMaximum);
    meter->setValue(0);
    meter->setFixedWidth(width);
    return meter;
}

// The value of one meter: trunc(level x 1000).
int meterValue(double level) {
    return static_cast<int>(level * kMeterMaximum);
}

} // namespace

CSundraView::CSundraView(CSundraDoc& document, CommandTable& commands,
                         std::unique_ptr<SettingsStore> store, QWidget* parent)
    : QWidget(parent), document_(document), playback_(document.playback()),
      store_(std::move(store)), splitPage_(std::make_unique<CSplitAllSettingsPage>(*store_)),
      recordPage_(std::make_unique<CRecordSettingsPage>(*store_)),
      shotPage_(std::make_unique<CShotPlaySettingsPage>(*store_)),
      exportPage_(std::make_unique<CExportSettingsPage>(*store_)) {
    setObjectName(QStringLiteral("CSundraView"));
    splitPage_->setDetectionOpener([this](const sundra::SplitSettings& settings, QWidget* parent) {
        return OnDetection(settings, parent);
    });
    list_ = new TrackListCtrl(this);
    list_->setObjectName(QStringLiteral("trackList"));
    bar_ = new QScrollBar(Qt::Horizontal, this);
    bar_->setObjectName(QStringLiteral("positionBar"));
    bar_->setRange(0, 0);
    bar_->setPageStep(100);
    bar_->setMinimumHeight(22);
    PositionBarInput::install(*bar_);
    peaks_[0] = makeMeter(this, 9, "peakMeter0");
    levels_[0] = makeMeter(this, 24, "levelMeter0");
    levels_[1] = makeMeter(this, 24, "levelMeter1");
    peaks_[1] = makeMeter(this, 9, "peakMeter1");
    strip_ = new WaveformStrip(*this, playback_, this);
    pausePreview_ = new PausePreview(*strip_, this);
    splitPage_->setControlsListener([this](const std::optional<sundra::SplitSettings>& settings) {
        ShowPausePreview(settings);
    });

    // The list takes any extra width; the meters keep their widths beside it.
    // The waveform below them takes any extra height, and the bar stays below.
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setHorizontalSpacing(3);
    layout->setVerticalSpacing(6);
    layout->addWidget(list_, 0, 0);
    layout->addWidget(peaks_[0], 0, 1);
    layout->addWidget(levels_[0], 0, 2);
    layout->addWidget(levels_[1], 0, 3);
    layout->addWidget(peaks_[1], 0, 4);
    layout->addWidget(strip_, 1, 0, 1, 5);
    layout->addWidget(bar_, 2, 0, 1, 5);
    layout->setColumnStretch(0, 1);
    layout->setRowStretch(1, 1);
    list_->setMinimumSize(380, 260);

    connect(list_, &TrackListCtrl::rowClicked, this, [this](int row) { SelectTrack(row, true); });
    connect(strip_, &WaveformStrip::trackClicked, this, [this](int row, std::int32_t offset) {
        SelectTrack(row, false);
        MovePositionTo(offset);
    });
    connect(strip_, &WaveformStrip::edgeDragged, this,
            [this](sundra::TrackEdge edge, std::int32_t frame) { MoveCut(edge, frame); });
    connect(bar_, &QAbstractSlider::actionTriggered, this, &CSundraView::onSliderAction);
    // The drop takes the thumb where the user let it go: by then the drag's
    // own handler has already moved the bar to the resulting position.
    connect(bar_, &QAbstractSlider::sliderPressed, this,
            [this] { thumbAtDrop_ = bar_->sliderPosition(); });
    connect(bar_, &QAbstractSlider::sliderReleased, this,
            [this] { OnHScroll(ThumbPosition, thumbAtDrop_); });

    meterTimer_ = new QTimer(this);
    meterTimer_->setInterval(kMeterTimerMs);
    connect(meterTimer_, &QTimer::timeout, this, &CSundraView::OnMeterTimer);
    meterTimer_->start();

    bindCommands(commands);
}

CSundraView::~CSundraView() {
    meterTimer_->stop();
    // Join without the playback lock: the play task takes it for every block.
    if (worker_.requestStop()) {
        worker_.wait(sundra::kInfinite);
    }
    std::lock_guard guard(playback_);
    playback_.setRangeDefault();
    list_->clearAll();
}

void CSundraView::bindCommands(CommandTable& commands) {
    using namespace command;
    auto selected = [this] { return selectedTrack_ != -1; };
    auto idle = [this] { return worker_.wait(0); };
    auto selectedIdle = [this] { return selectedTrack_ != -1 && worker_.wait(0); };
    auto markedIdle = [this] {
        return selectedTrack_ != -1 && markPosition_ != 0 && worker_.wait(0);
    };

    commands.bind(
        kPlay, [this] { OnPlay(); }, idle);
    commands.bind(
        kStop, [this] { OnStop(); }, [this] { return !worker_.wait(0); });
    commands.bind(
        kMark, [this] { OnMark(); }, selected, [this] { return markPosition_ != 0; });
    commands.bind(
        kShotFromTop, [this] { OnShotPlay(sundra::ShotKind::FromTop); }, selectedIdle);
    commands.bind(
        kShotToMark, [this] { OnShotPlay(sundra::ShotKind::ToMark); }, markedIdle);
    commands.bind(
        kShotFromMark, [this] { OnShotPlay(sundra::ShotKind::FromMark); }, markedIdle);
    commands.bind(
        kShotToEnd, [this] { OnShotPlay(sundra::ShotKind::ToEnd); }, selectedIdle);

    const struct {
        int id;
        double rate;
    } rates[] = {
        {kCrick100000, 0.00001}, {kCrick10000, 0.0001}, {kCrick1000, 0.001}, {kCrick100, 0.01}};
    for (const auto& entry : rates) {
        const double rate = entry.rate;
        commands.bind(
            entry.id, [this, rate] { SetCrickRate(rate); }, {},
            [this, rate] { return crickRate_ == rate; });
    }
    commands.bind(kToggleCrickRate, [this] { OnToggleCrickRate(); });
    commands.bind(
        kPeakReset, [this] { OnPeakReset(); },
        [this] { return peaks_[0]->value() > 0 || peaks_[1]->value() > 0; });

    commands.bind(
        kSplit, [this] { OnSplit(); },
        [this] { return selectedTrack_ != -1 && markPosition_ != 0; });
    commands.bind(
        kJoint, [this] { OnJoint(); },
        [this] { return selectedTrack_ != -1 && selectedTrack_ != 0; });
    commands.bind(
        kDelete, [this] { OnDelete(); }, selected);
    commands.bind(
        kExpandLeft, [this] { OnExpandLeft(); },
        [this] {
            return selectedTrack_ != -1 &&
                   expandedStart() != list_->trackAt(selectedTrack_)->absoluteStart();
        });
    commands.bind(
        kExpandRight, [this] { OnExpandRight(); },
        [this] {
            return selectedTrack_ != -1 &&
                   expandedEnd() != list_->trackAt(selectedTrack_)->absoluteEnd();
        });
    commands.bind(
        kReset, [this] { OnReset(); }, [this] { return !document_.pathName().empty(); });
    commands.bind(
        kRename, [this] { OnRename(); }, [this] { return list_->rowCount() > 0; });
    commands.bind(
        kAutoSplit, [this] { OnAutoSplit(); }, selectedIdle);
    commands.bind(
        kSplitIntoTracks, [this] { OnSplitIntoTracks(); }, selectedIdle);
    commands.bind(
        kSaveAll, [this] { OnSaveAll(); }, [this] { return saveAllAllowed(); });
    commands.bind(
        kTrackInfo, [this] { OnTrackInfo(); }, [this] { return list_->rowCount() > 0; });
    commands.bind(kSettings, [this] { OnSettings(); });
    commands.bind(
        kRecord, [this] { OnRecord(); }, [this] { return worker_.wait(0); });
    bindEditHistoryCommands(commands);
}

void CSundraView::oneTimeSetup() {
    columnsReady_ = 1;
    list_->insertColumns();
    bar_->setRange(0, kBarMaximum);
    for (QProgressBar* meter : {levels_[0], levels_[1], peaks_[0], peaks_[1]}) {
        meter->setRange(0, kMeterMaximum);
    }
    sheet_.addPage(*splitPage_);
    sheet_.addPage(*recordPage_);
    sheet_.addPage(*shotPage_);
    sheet_.addPage(*exportPage_);
}

void CSundraView::OnInitialUpdate() {
    std::lock_guard guard(playback_);
    if (!columnsReady_) {
        oneTimeSetup();
    }
    selectedTrack_ = -1;
    list_->clearAll();
    strip_->setSource(document_.pathName(), playback_.master().length());
    undo_.clear();
    if (!document_.pathName().empty()) {
        insertWholeMasterRow();
    } else {
        // Nothing is selected: the bar, the time pane and the mark must not
        // keep the values of the track that was there before.
        SelectTrack(-1, false);
    }
    resetPeakMeters();
}

void CSundraView::insertWholeMasterRow() {
    list_->insertTextRow(0, document_.fileTitle());
    list_->setTrack(0, sundra::TrackSegment(playback_.master()));
    SelectTrack(0, false);
}

void CSundraView::SelectTrack(int index, bool fromClick) {
    std::lock_guard guard(playback_);
    sundra::TrackSegment* track = index == -1 ? nullptr : list_->trackAt(index);
    if (track == nullptr) {
        playback_.setRangeDefault();
        markPosition_ = 0;
        selectedTrack_ = -1;
    } else {
        selectedTrack_ = index;
        playback_.setRange(*track);
        markPosition_ = 0;
        playback_.range().seek(0);
        if (!fromClick) {
            list_->setSelectedRow(index);
        }
    }
    UpdatePositionDisplay(playback_.range());
    resetLevelMeters();
}

void CSundraView::UpdatePositionDisplay(sundra::SampleStream& range) {
    bar_->setValue(sundra::positionBar(range));
    if (auto* frame = qobject_cast<CMainFrame*>(window())) {
        frame->SetTimeText(sundra::currentSeconds(range));
    }
}

void CSundraView::resetLevelMeters() {
    levels_[0]->setValue(0);
    levels_[1]->setValue(0);
}

void CSundraView::resetPeakMeters() {
    peaks_[0]->setValue(0);
    peaks_[1]->setValue(0);
}

void CSundraView::OnMeterTimer() {
    if (worker_.wait(0)) {
        return;
    }
    std::lock_guard guard(playback_);
    sundra::TrackSegment& range = playback_.range();
    const sundra::SampleBuffer& buffer = playback_.buffer();
    bar_->setValue(sundra::positionBar(range));
    for (int channel = 0; channel < 2; ++channel) {
        const int level = meterValue(sundra::channelPeak(buffer, channel));
        levels_[channel]->setValue(level);
        if (peaks_[channel]->value() < level) {
            peaks_[channel]->setValue(level);
        }
    }
    UpdatePositionDisplay(range);
}

void CSundraView::onSliderAction(int action) {
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
        OnHScroll(LineLeft, 0);
        break;
    case QAbstractSlider::SliderSingleStepAdd:
        OnHScroll(LineRight, 0);
        break;
    case QAbstractSlider::SliderPageStepSub:
        OnHScroll(PageLeft, 0);
        break;
    case QAbstractSlider::SliderPageStepAdd:
        OnHScroll(PageRight, 0);
        break;
    case QAbstractSlider::SliderMove:
        thumbAtDrop_ = bar_->sliderPosition();
        OnHScroll(ThumbTrack, thumbAtDrop_);
        break;
    case QAbstractSlider::SliderToMinimum:
        OnHScroll(LeftEnd, 0);
        break;
    case QAbstractSlider::SliderToMaximum:
        OnHScroll(RightEnd, 0);
        break;
    default:
        break;
    }
}

void CSundraView::OnHScroll(int code, int thumb) {
    std::lock_guard guard(playback_);
    sundra::TrackSegment& range = playback_.range();
    const double ratio = sundra::positionRatio(range);
    switch (code) {
    case LineLeft:
        markPosition_ = sundra::frameAtRatio(range, ratio - crickRate_);
        break;
    case LineRight:
        markPosition_ = sundra::frameAtRatio(range, ratio + crickRate_);
        break;
    case PageLeft:
        markPosition_ = sundra::frameAtRatio(range, ratio - 0.1);
        break;
    case PageRight:
        markPosition_ = sundra::frameAtRatio(range, ratio + 0.1);
        break;
    case ThumbPosition:
    case ThumbTrack:
        markPosition_ = thumb * (range.length() / kBarMaximum);
        break;
    case LeftEnd:
        markPosition_ = 0;
        break;
    case RightEnd:
        markPosition_ = range.length();
        break;
    default:
        return;
    }
    SettleAtMark(range);
}

void CSundraView::MovePositionTo(std::int32_t frame) {
    std::lock_guard guard(playback_);
    sundra::TrackSegment& range = playback_.range();
    markPosition_ = std::clamp(frame, 0, range.length());
    SettleAtMark(range);
}

void CSundraView::SettleAtMark(sundra::TrackSegment& range) {
    // An audible snippet of the new position.
    range.seek(markPosition_);
    sundra::SampleBuffer& buffer = playback_.buffer();
    if (sundra::readIntoBuffer(range, buffer) > 0) {
        sundra::writeBuffer(playback_.device(), buffer);
    }
    range.seek(markPosition_);
    // Inside a slider action this also becomes the value the bar settles on,
    // so the bar shows the resulting position, never the raw thumb value.
    UpdatePositionDisplay(range);
    resetLevelMeters();
}

bool CSundraView::MoveCut(const sundra::TrackEdge& edge, std::int32_t frame) {
    const EditStep step(*this, QStringLiteral("Move Cut"));
    std::lock_guard guard(playback_);
    const sundra::TrackSegment* selected =
        selectedTrack_ == -1 ? nullptr : list_->trackAt(selectedTrack_);
    const std::int32_t start = selected ? selected->start() : 0;
    const std::int32_t end = selected ? selected->end() : 0;
    if (!sundra::moveTrackEdge(list_->rows(), edge, frame, playback_.master().length())) {
        return false;
    }
    for (int row = std::max(edge.row - 1, 0); row <= edge.row + 1 && row < list_->rowCount();
         ++row) {
        list_->refreshTimes(row);
    }
    // The selected track changed under the current range: select it again, as
    // the other edits do, so its position starts over within its new bounds.
    if (selected && (selected->start() != start || selected->end() != end)) {
        SelectTrack(selectedTrack_, false);
    }
    return true;
}

void CSundraView::startTask(std::unique_ptr<sundra::WorkerTask> task) {
    currentTask_ = std::move(task);
    worker_.start(*currentTask_);
}

void CSundraView::OnPlay() {
    startTask(std::make_unique<sundra::PlayTask>(playback_));
}

void CSundraView::OnStop() {
    if (worker_.requestStop()) {
        worker_.wait(sundra::kInfinite);
    }
    currentTask_.reset();
    std::lock_guard guard(playback_);
    playback_.range().seek(markPosition_);
    UpdatePositionDisplay(playback_.range());
    resetLevelMeters();
}

void CSundraView::OnMark() {
    if (worker_.wait(0) && markPosition_ != 0) {
        std::lock_guard guard(playback_);
        markPosition_ = 0;
        playback_.range().seek(0);
        UpdatePositionDisplay(playback_.range());
        resetLevelMeters();
        return;
    }
    // During a play this is the play position. No lock: a shot play holds it
    // for its whole excerpt, and the position is read tear-free.
    markPosition_ = playback_.range().tell();
}

std::int32_t CSundraView::shotFrames() {
    const double frames =
        playback_.range().format().samplesPerSecond * shotPage_->shotPlaySeconds();
    // Saturated: a stored time far beyond the page's range is the whole track.
    return sundra::truncateToInt32(frames);
}

void CSundraView::OnShotPlay(sundra::ShotKind kind) {
    std::unique_ptr<sundra::ShotPlayTask> task;
    {
        std::lock_guard guard(playback_);
        task = std::make_unique<sundra::ShotPlayTask>(
            playback_, sundra::ShotPlayTask::excerptOf(playback_.range(), kind, shotFrames()));
    }
    sundra::ShotPlayTask& started = *task;
    startTask(std::move(task));
    // Until the worker holds the lock, a window handler could still replace
    // the range the excerpt lies on.
    started.waitUntilLocked();
}

void CSundraView::SetCrickRate(double rate) {
    crickRate_ = rate;
    if (auto* frame = qobject_cast<CMainFrame*>(window())) {
        frame->SetCrickRateText(crickRate_);
    }
}

void CSundraView::OnToggleCrickRate() {
    double rate = crickRate_ * 0.1;
    if (rate < 0.00001) {
        rate = 0.01;
    }
    SetCrickRate(rate);
}

void CSundraView::OnPeakReset() {
    resetPeakMeters();
}

void CSundraView::OnSplit() {
    const EditStep step(*this, QStringLiteral("Split"));
    std::lock_guard guard(playback_);
    const int i = selectedTrack_;
    sundra::TrackSegment& track = *list_->trackAt(i);
    const std::int32_t a = track.absoluteStart();
    const std::int32_t b = track.absoluteEnd();
    const std::int32_t n = track.length();
    const int q = bar_->value();
    const std::int32_t s = a + static_cast<std::int32_t>(n * static_cast<double>(q) * 0.001);
    const std::string name = list_->name(i);
    list_->removeRow(i);
    // With the bar at 1000 the second part is [B + 1, B]: it is kept as an empty
    // track (length 0, reads nothing, saves as a file without samples).
    list_->insertTextRow(i, name + "-01");
    list_->setTrack(i, sundra::TrackSegment(playback_.master(), s + 1, b));
    list_->insertTextRow(i, name + "-00");
    list_->setTrack(i, sundra::TrackSegment(playback_.master(), a, s));
    SelectTrack(i, false);
}

void CSundraView::OnJoint() {
    const EditStep step(*this, QStringLiteral("Joint"));
    std::lock_guard guard(playback_);
    const int i = selectedTrack_;
    list_->trackAt(i - 1)->mergeWith(*list_->trackAt(i));
    list_->removeRow(i);
    list_->refreshTimes(i - 1);
    SelectTrack(i - 1, false);
}

void CSundraView::OnDelete() {
    const EditStep step(*this, QStringLiteral("Delete"));
    std::lock_guard guard(playback_);
    list_->removeRow(selectedTrack_);
    SelectTrack(-1, false);
}

std::int32_t CSundraView::expandedStart() {
    const int i = selectedTrack_;
    return i == 0 ? 0 : list_->trackAt(i - 1)->absoluteEnd() + 1;
}

std::int32_t CSundraView::expandedEnd() {
    const int i = selectedTrack_;
    if (i == list_->rowCount() - 1) {
        // Read without the lock (the enable rule must not wait for a shot
        // play); only the window thread replaces the master.
        return playback_.master().length();
    }
    return list_->trackAt(i + 1)->absoluteStart() - 1;
}

void CSundraView::OnExpandLeft() {
    const EditStep step(*this, QStringLiteral("Expand Left"));
    std::lock_guard guard(playback_);
    const int i = selectedTrack_;
    list_->trackAt(i)->setStart(expandedStart());
    list_->refreshTimes(i);
    SelectTrack(i, false);
}

void CSundraView::OnExpandRight() {
    const EditStep step(*this, QStringLiteral("Expand Right"));
    std::lock_guard guard(playback_);
    const int i = selectedTrack_;
    list_->trackAt(i)->setEnd(expandedEnd());
    list_->refreshTimes(i);
    SelectTrack(i, false);
}

void CSundraView::OnReset() {
    const EditStep step(*this, QStringLiteral("Reset"));
    std::lock_guard guard(playback_);
    list_->clearAll();
    insertWholeMasterRow();
}

void CSundraView::OnRename() {
    const EditStep step(*this, QStringLiteral("Rename"));
    const std::string title = document_.fileTitle();
    for (int i = 0; i < list_->rowCount(); ++i) {
        char number[16];
        std::snprintf(number, sizeof number, "-%02d", i);
        list_->setName(i, title + number);
    }
}

bool CSundraView::saveAllAllowed() {
    if (!worker_.wait(0)) {
        return false;
    }
    const int rows = list_->rowCount();
    return rows > 1 || (rows == 1 && list_->name(0) != document_.fileTitle());
}

void CSundraView::OnAutoSplit() {
    // No lock: the dialog is modal and the worker idle, so nothing else uses
    // the source or the list while the split runs.
    CSplitAllDialog dialog(playback_.range(), splitPage_->splitSettings(), this);
    if (dialog.exec() == QDialog::Accepted) {
        ApplyPieces(dialog.pieces());
        ReportFewPieces(dialog);
    }
}

void CSundraView::ApplyPieces(const sundra::PieceList& pieces, const QString& stepName) {
    const EditStep step(*this, stepName);
    const int s = selectedTrack_;
    const std::string base = list_->name(s);
    const int n = static_cast<int>(pieces.size());
    for (int i = n - 1; i >= 0; --i) {
        list_->insertTextRow(s + 1, sundra::pieceName(base, i));
        // The piece's frames as frames of the master.
        list_->setTrack(s + 1, sundra::TrackSegment(playback_.master(), pieces[i]->absoluteStart(),
                                                    pieces[i]->absoluteEnd()));
    }
    std::lock_guard guard(playback_);
    list_->removeRow(s);
    SelectTrack(s < list_->rowCount() ? s : -1, false);
}

void CSundraView::OnSaveAll() {
    CSaveAllDialog dialog(document_.pathName(), this);
    for (int row = 0; row < list_->rowCount(); ++row) {
        dialog.addJob(list_->name(row), list_->trackAt(row));
    }
    dialog.setExport(exportPage_->exportSettings(), exportTags());
    dialog.exec();
}

void CSundraView::OnSettings() {
    sheet_.exec(this);
}

void CSundraView::OnRecord() {
    const QString chosen =
        chooseRecordingPath_ ? chooseRecordingPath_(this) : chooseRecordingPath(this);
    if (chosen.isEmpty()) {
        return;
    }
    const std::string path = QFile::encodeName(chosen).toStdString();
    RecordingOutcome outcome;
    try {
        outcome = recordToFile(path, recordPage_->makeRecordSettings(), this);
    } catch (const std::exception& error) {
        // The file could not be created: nothing was recorded.
        showMessage(this, QString::fromLocal8Bit(error.what()));
        return;
    }
    if (!outcome.fileError.empty()) {
        showMessage(this, QString::fromLocal8Bit(outcome.fileError.c_str()));
    }
    if (outcome.writer) {
        KeepCutList();
        bool adopted = false;
        QString refused;
        {
            std::lock_guard guard(playback_);
            try {
                document_.adoptRecording(std::move(outcome.writer), path);
                adopted = true;
            } catch (const sundra::Exception& error) {
                refused = QString::fromLocal8Bit(error.what());
            }
            if (adopted) {
                selectedTrack_ = -1;
                list_->clearAll();
                strip_->setSource(path, playback_.master().length());
                undo_.clear();
                insertWholeMasterRow();
            }
        }
        if (adopted) {
            emit recordingAdopted(chosen);
        } else {
            showMessage(this, refused);
        }
    }
    if (outcome.stopReason == sundra::CaptureLoop::kStoppedByOverload) {
        showMessage(this, QStringLiteral("overload : recording was stopped"));
    }
}
