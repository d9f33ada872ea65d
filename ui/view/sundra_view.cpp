#include "ui/view/sundra_view.h"

#include "core/time_text.h"
#include "core/units.h"
#include "ui/document/cuts_model.h"
#include "ui/document/sundra_doc.h"
#include "ui/platform/command_ids.h"
#include "ui/platform/command_table.h"
#include "ui/settings/settings_pages.h"
#include "ui/settings/settings_store.h"
#include "ui/view/cut_list_files.h"
#include "ui/view/cut_list_keeper.h"
#include "ui/view/dialog_launchers.h"
#include "ui/view/level_meters.h"
#include "ui/view/position_bar.h"
#include "ui/view/split_commands.h"
#include "ui/view/time_commands.h"
#include "ui/view/track_list_ctrl.h"
#include "ui/view/transport.h"
#include "ui/waveform/waveform_panel.h"
#include "ui/waveform/waveform_strip.h"

#include <QHBoxLayout>
#include <QScopedValueRollback>
#include <QSplitter>
#include <QVBoxLayout>

#include <mutex>

CSundraView::CSundraView(CSundraDoc& document, CommandTable& commands,
                         std::unique_ptr<SettingsStore> store, QWidget* parent)
    : QWidget(parent), document_(document), playback_(document.playback()), cuts_(document.cuts()),
      settings_(std::make_unique<SettingsPages>(std::move(store))) {
    setObjectName(QStringLiteral("CSundraView"));
    list_ = new TrackListCtrl(cuts_, this);
    list_->setObjectName(QStringLiteral("trackList"));
    bar_ = new PositionBar(this);
    meters_ = std::make_unique<LevelMeters>(this);
    transport_ = std::make_unique<Transport>(playback_, cuts_, *meters_, settings_->shotPlayPage());
    panel_ = new WaveformPanel(
        cuts_, playback_, [this] { return transport_ && !transport_->idle(); }, this);
    strip_ = &panel_->strip();
    keeper_ = std::make_unique<CutListKeeper>(document_, this);
    files_ = std::make_unique<CutListFiles>(document_, this);
    split_ = std::make_unique<SplitCommands>(document_, *transport_, settings_->splitPage(),
                                             *strip_, this);
    dialogs_ = std::make_unique<DialogLaunchers>(document_, *transport_, *settings_, this);
    time_ = std::make_unique<TimeCommands>(document_, *transport_, *strip_, this);

    // The list takes any extra width; the meters keep their widths beside it.
    // Below them the waveform, the two parted by a splitter that the user can
    // drag (the waveform takes any extra height); the bar stays below.
    auto* listPane = new QWidget(this);
    listPane->setObjectName(QStringLiteral("listPane"));
    auto* listRow = new QHBoxLayout(listPane);
    listRow->setContentsMargins(0, 0, 0, 0);
    listRow->setSpacing(3);
    listRow->addWidget(list_, 1);
    listRow->addWidget(&meters_->peak(0));
    listRow->addWidget(&meters_->level(0));
    listRow->addWidget(&meters_->level(1));
    listRow->addWidget(&meters_->peak(1));
    splitter_ = new QSplitter(Qt::Vertical, this);
    splitter_->setObjectName(QStringLiteral("listWaveformSplitter"));
    splitter_->setChildrenCollapsible(false);
    splitter_->addWidget(listPane);
    splitter_->addWidget(panel_);
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(6);
    layout->addWidget(splitter_, 1);
    layout->addWidget(bar_);
    list_->setMinimumSize(380, 260);
    // Tab goes from the list to the waveform and the position bar.
    setTabOrder(list_, strip_);
    setTabOrder(strip_, bar_);

    // What the user does with the list, the strip and the bar.
    // A click or a key that moves the list's highlight selects: the highlight
    // is always the selection.
    connect(list_, &TrackListCtrl::rowClicked, this, [this](int row) { SelectTrack(row, true); });
    connect(list_, &TrackListCtrl::highlightMoved, this,
            [this](int row) { SelectTrack(row, true); });
    connect(list_, &TrackListCtrl::returnPressed, this, &CSundraView::playRow);
    connect(strip_, &WaveformStrip::trackClicked, this, [this](int row, std::int32_t offset) {
        SelectTrack(row, false);
        transport_->MovePositionTo(offset);
    });
    connect(bar_, &PositionBar::scrolled, transport_.get(), &Transport::OnHScroll);
    connect(panel_, &WaveformPanel::pointerFrameChanged, this, [this](qint64 frame) {
        const std::int32_t rate = playback_.master().format().samplesPerSecond;
        emit pointerTimeChanged(frame < 0 ? QString()
                                          : QString::fromStdString(sundra::timeText(
                                                sundra::microsOfFrame(frame, rate), 3)));
    });
    // What the views show follows the model and the transport.
    connect(&cuts_, &CutsModel::selectionChanged, this, &CSundraView::onSelectionChanged);
    connect(&cuts_, &CutsModel::markChanged, this,
            [this] { UpdatePositionDisplay(playback_.range()); });
    // The waveform's play line goes with the time display: back to the mark at
    // once when a play stops or ends.
    connect(transport_.get(), &Transport::positionChanged, this, [this] {
        UpdatePositionDisplay(playback_.range());
        strip_->update();
    });
    connect(dialogs_.get(), &DialogLaunchers::recordingAdopted, this, [this](const QString& path) {
        strip_->setSource(document_.pathName(), playback_.master().length());
        emit recordingAdopted(path);
    });

    bindCommands(commands);
}

CSundraView::~CSundraView() = default;

void CSundraView::bindCommands(CommandTable& commands) {
    using namespace command;
    commands_ = &commands;
    const auto row = [this] { return cuts_.selectedTrack(); };
    commands.bind(
        kSplit,
        [this, row] {
            // At the mark's own frame; while playing, where the play is.
            std::lock_guard guard(playback_);
            const std::int32_t offset =
                transport_->idle() ? cuts_.markPosition() : playback_.range().tell();
            cuts_.split(row(), cuts_.trackAt(row())->absoluteStart() + offset);
        },
        [this, row] { return row() != -1 && (cuts_.markPosition() != 0 || !transport_->idle()); });
    commands.bind(
        kJoint, [this, row] { cuts_.join(row()); }, [row] { return row() != -1 && row() != 0; });
    commands.bind(
        kDelete, [this, row] { cuts_.remove(row()); }, [row] { return row() != -1; });
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
        kEditUndo, [this] { cuts_.undoStack().undo(); },
        [this] { return cuts_.undoStack().canUndo(); });
    commands.bind(
        kEditRedo, [this] { cuts_.undoStack().redo(); },
        [this] { return cuts_.undoStack().canRedo(); });

    // Zoom around the middle of the waveform, as its own keys do.
    commands.bind(kZoomIn, [this] { strip_->zoomAt(2.0, strip_->width() / 2.0); });
    commands.bind(kZoomOut, [this] { strip_->zoomAt(0.5, strip_->width() / 2.0); });
    commands.bind(kZoomWholeFile, [this] { strip_->showWholeFile(); });

    transport_->bindCommands(commands);
    files_->bindCommands(commands);
    split_->bindCommands(commands);
    dialogs_->bindCommands(commands);
    time_->bindCommands(commands);
}

void CSundraView::playRow(int row) {
    // Selecting the row it already is would drop its mark.
    if (row != -1 && row != cuts_.selectedTrack()) {
        SelectTrack(row, true);
    }
    commands_->execute(command::kPlay);
}

void CSundraView::oneTimeSetup() {
    columnsReady_ = 1;
    list_->insertColumns();
    bar_->setRange(0, PositionBar::kMaximum);
    settings_->addPagesToSheet();
}

void CSundraView::OnInitialUpdate() {
    std::lock_guard guard(playback_);
    if (!columnsReady_) {
        oneTimeSetup();
    }
    // The document has started its cuts over: one row over the whole file,
    // selected, or none after New; the list and the position followed.
    strip_->setSource(document_.pathName(), playback_.master().length());
    meters_->resetPeaks();
}

void CSundraView::SelectTrack(int index, bool fromClick) {
    const QScopedValueRollback clicked(selectingByClick_, fromClick);
    cuts_.select(index);
}

void CSundraView::onSelectionChanged(int row) {
    // A click or a key has highlighted its row itself; with no selection
    // nothing is highlighted.
    if (!selectingByClick_) {
        list_->setSelectedRow(row);
    }
    UpdatePositionDisplay(playback_.range());
    meters_->resetLevels();
}

void CSundraView::UpdatePositionDisplay(sundra::SampleStream& range) {
    bar_->setValue(sundra::positionBar(range));
    emit positionTimeChanged(sundra::currentSeconds(range));
}

int CSundraView::selectedTrack() const {
    return cuts_.selectedTrack();
}

std::int32_t CSundraView::markPosition() const {
    return cuts_.markPosition();
}

QProgressBar& CSundraView::levelMeter(int channel) {
    return meters_->level(channel);
}

QProgressBar& CSundraView::peakMeter(int channel) {
    return meters_->peak(channel);
}
