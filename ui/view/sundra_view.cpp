#include "ui/view/sundra_view.h"

#include "core/exception.h"
#include "core/sample_buffer.h"
#include "core/track_edges.h"
#include "core/units.h"
#include "ui/app/main_frame.h"
#include "ui/dialogs/recording_dialog.h"
#include "ui/dialogs/save_all_dialog.h"
#include "ui/dialogs/split_all_dialog.h"
#include "ui/document/cuts_model.h"
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
#include <QScopedValueRollback>
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
    : QWidget(parent), document_(document), playback_(document.playback()), cuts_(document.cuts()),
      store_(std::move(store)), splitPage_(std::make_unique<CSplitAllSettingsPage>(*store_)),
      recordPage_(std::make_unique<CRecordSettingsPage>(*store_)),
      shotPage_(std::make_unique<CShotPlaySettingsPage>(*store_)),
      exportPage_(std::make_unique<CExportSettingsPage>(*store_)) {
    setObjectName(QStringLiteral("CSundraView"));
    splitPage_->setDetectionOpener([this](const sundra::SplitSettings& settings, QWidget* parent) {
        return OnDetection(settings, parent);
    });
    list_ = new TrackListCtrl(cuts_, this);
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
    strip_ = new WaveformStrip(
        cuts_, playback_, [this] { return !worker_.wait(0); }, this);
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
    connect(&cuts_, &CutsModel::selectionChanged, this, &CSundraView::onSelectionChanged);
    connect(&cuts_, &CutsModel::markChanged, this,
            [this] { UpdatePositionDisplay(playback_.range()); });
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
}

void CSundraView::bindCommands(CommandTable& commands) {
    using namespace command;
    auto selected = [this] { return cuts_.selectedTrack() != -1; };
    auto idle = [this] { return worker_.wait(0); };
    auto selectedIdle = [this] { return cuts_.selectedTrack() != -1 && worker_.wait(0); };
    auto markedIdle = [this] {
        return cuts_.selectedTrack() != -1 && cuts_.markPosition() != 0 && worker_.wait(0);
    };

    commands.bind(
        kPlay, [this] { OnPlay(); }, idle);
    commands.bind(
        kStop, [this] { OnStop(); }, [this] { return !worker_.wait(0); });
    commands.bind(
        kMark, [this] { OnMark(); }, selected, [this] { return cuts_.markPosition() != 0; });
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

    const auto row = [this] { return cuts_.selectedTrack(); };
    commands.bind(
        kSplit,
        [this, row] {
            cuts_.split(row(), sundra::splitFrameAtBar(*cuts_.trackAt(row()), bar_->value()));
        },
        [this, row] { return row() != -1 && cuts_.markPosition() != 0; });
    commands.bind(
        kJoint, [this, row] { cuts_.join(row()); }, [row] { return row() != -1 && row() != 0; });
    commands.bind(
        kDelete, [this, row] { cuts_.remove(row()); }, selected);
    commands.bind(
        kExpandLeft, [this, row] { cuts_.expandLeft(row()); },
        [this, row] {
            return row() != -1 &&
                   cuts_.expandedStart(row()) != cuts_.trackAt(row())->absoluteStart();
        });
    commands.bind(
        kExpandRight, [this, row] { cuts_.expandRight(row()); },
        [this, row] {
            return row() != -1 && cuts_.expandedEnd(row()) != cuts_.trackAt(row())->absoluteEnd();
        });
    commands.bind(
        kReset, [this] { cuts_.reset(); }, [this] { return !document_.pathName().empty(); });
    commands.bind(
        kRename, [this] { cuts_.renameAll(); }, [this] { return cuts_.rowCount() > 0; });
    commands.bind(
        kAutoSplit, [this] { OnAutoSplit(); }, selectedIdle);
    commands.bind(
        kSplitIntoTracks, [this] { OnSplitIntoTracks(); }, selectedIdle);
    commands.bind(
        kSaveAll, [this] { OnSaveAll(); }, [this] { return saveAllAllowed(); });
    commands.bind(
        kTrackInfo, [this] { OnTrackInfo(); }, [this] { return cuts_.rowCount() > 0; });
    commands.bind(kSettings, [this] { OnSettings(); });
    commands.bind(
        kRecord, [this] { OnRecord(); }, [this] { return worker_.wait(0); });
    bindEditHistoryCommands(commands);
}

int CSundraView::selectedTrack() const {
    return cuts_.selectedTrack();
}

std::int32_t CSundraView::markPosition() const {
    return cuts_.markPosition();
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
    // The document has started its cuts over: one row over the whole file,
    // selected, or none after New.
    strip_->setSource(document_.pathName(), playback_.master().length());
    resetPeakMeters();
}

void CSundraView::SelectTrack(int index, bool fromClick) {
    const QScopedValueRollback clicked(selectingByClick_, fromClick);
    cuts_.select(index);
}

void CSundraView::onSelectionChanged(int row) {
    // A click has highlighted its row itself.
    if (!selectingByClick_ && row != -1) {
        list_->setSelectedRow(row);
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
    std::int32_t mark = 0;
    switch (code) {
    case LineLeft:
        mark = sundra::frameAtRatio(range, ratio - crickRate_);
        break;
    case LineRight:
        mark = sundra::frameAtRatio(range, ratio + crickRate_);
        break;
    case PageLeft:
        mark = sundra::frameAtRatio(range, ratio - 0.1);
        break;
    case PageRight:
        mark = sundra::frameAtRatio(range, ratio + 0.1);
        break;
    case ThumbPosition:
    case ThumbTrack:
        mark = thumb * (range.length() / kBarMaximum);
        break;
    case LeftEnd:
        mark = 0;
        break;
    case RightEnd:
        mark = range.length();
        break;
    default:
        return;
    }
    SettleAtMark(range, mark);
}

void CSundraView::MovePositionTo(std::int32_t frame) {
    std::lock_guard guard(playback_);
    sundra::TrackSegment& range = playback_.range();
    SettleAtMark(range, std::clamp(frame, 0, range.length()));
}

void CSundraView::SettleAtMark(sundra::TrackSegment& range, std::int32_t mark) {
    // An audible snippet of the new position.
    range.seek(mark);
    sundra::SampleBuffer& buffer = playback_.buffer();
    if (sundra::readIntoBuffer(range, buffer) > 0) {
        sundra::writeBuffer(playback_.device(), buffer);
    }
    range.seek(mark);
    // The mark shows the new position. Inside a slider action this also
    // becomes the value the bar settles on, so the bar shows the resulting
    // position, never the raw thumb value.
    cuts_.setMark(mark);
    resetLevelMeters();
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
    playback_.range().seek(cuts_.markPosition());
    UpdatePositionDisplay(playback_.range());
    resetLevelMeters();
}

void CSundraView::OnMark() {
    if (worker_.wait(0) && cuts_.markPosition() != 0) {
        std::lock_guard guard(playback_);
        playback_.range().seek(0);
        cuts_.setMark(0);
        resetLevelMeters();
        return;
    }
    // During a play this is the play position. No lock: a shot play holds it
    // for its whole excerpt, and the position is read tear-free.
    cuts_.setMark(playback_.range().tell());
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

bool CSundraView::saveAllAllowed() {
    if (!worker_.wait(0)) {
        return false;
    }
    const int rows = cuts_.rowCount();
    return rows > 1 || (rows == 1 && cuts_.name(0) != document_.fileTitle());
}

void CSundraView::OnAutoSplit() {
    // No lock: the dialog is modal and the worker idle, so nothing else uses
    // the source or the list while the split runs.
    CSplitAllDialog dialog(playback_.range(), splitPage_->splitSettings(), this);
    if (dialog.exec() == QDialog::Accepted) {
        cuts_.applyPieces(cuts_.selectedTrack(), dialog.pieces());
        ReportFewPieces(dialog);
    }
}

void CSundraView::OnSaveAll() {
    CSaveAllDialog dialog(document_.pathName(), this);
    for (int row = 0; row < cuts_.rowCount(); ++row) {
        dialog.addJob(cuts_.name(row), cuts_.trackAt(row));
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
                // The cuts start over with one row over the recording.
                document_.adoptRecording(std::move(outcome.writer), path);
                adopted = true;
            } catch (const sundra::Exception& error) {
                refused = QString::fromLocal8Bit(error.what());
            }
            if (adopted) {
                strip_->setSource(path, playback_.master().length());
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
