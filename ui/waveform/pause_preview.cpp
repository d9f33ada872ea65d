#include "ui/waveform/pause_preview.h"

#include "core/byte_stream.h"
#include "core/file.h"
#include "core/track_segment.h"
#include "core/wave_file.h"
#include "split/auto_split.h"
#include "split/gap_hearing.h"
#include "split/loudness_envelope.h"
#include "split/pause_map.h"
#include "ui/waveform/waveform_strip.h"

#include <utility>

namespace {

constexpr std::uint32_t kScanEnded = sundra::kUserMessage + 7;

// Shifts spans of the track by its start in the master.
std::vector<sundra::FrameSpan> inMaster(std::vector<sundra::FrameSpan> spans, std::int32_t start) {
    for (sundra::FrameSpan& span : spans) {
        span.start += start;
        span.end += start;
    }
    return spans;
}

} // namespace

// Opens its own reader of the file (no lock, like the strip's) and scans the
// track's frames of it, with the detection of its tracks when asked. A file
// that cannot be read gives no scan.
class PausePreview::ScanTask : public sundra::WorkerTask {
public:
    ScanTask(std::string path, std::int32_t start, std::int32_t end,
             const sundra::SplitSettings& settings, bool findGaps)
        : path_(std::move(path)), start_(start), end_(end), settings_(settings),
          findGaps_(findGaps) {}

    const sundra::SplitSettings& settings() const { return settings_; }
    std::optional<sundra::BlockScan>& result() { return result_; }
    const std::optional<sundra::FoundTracks>& found() const { return found_; }

    int run(sundra::Event& stopEvent) override {
        try {
            sundra::WaveFileReader master;
            auto file = std::make_unique<sundra::File>(path_, sundra::File::Access::Read,
                                                       sundra::File::Share::DenyNone,
                                                       sundra::File::Disposition::OpenExisting);
            if (!master.attach(std::make_unique<sundra::FileByteStream>(std::move(file))))
                return 0;
            sundra::TrackSegment track(master, start_, end_);
            track.normalize();
            std::optional<sundra::EnvelopeBuilder> envelope;
            if (findGaps_)
                envelope.emplace(track.format());
            result_ = sundra::scanBlocks(track, settings_.senseTime, sundra::kSplitBlocksPerSecond,
                                         settings_.clickFilterMs, &stopEvent,
                                         envelope ? &*envelope : nullptr);
            if (result_ && envelope) {
                found_ = sundra::chooseTracks(sundra::findGaps(envelope->finish(), track), {});
            }
        } catch (const sundra::FileError&) {
            // The document holds the file open, so it rarely goes away; the
            // strip then simply shows no pauses.
            result_.reset();
        }
        return result_ ? 1 : 0;
    }

private:
    std::string path_;
    std::int32_t start_;
    std::int32_t end_;
    sundra::SplitSettings settings_;
    bool findGaps_;
    std::optional<sundra::BlockScan> result_;
    std::optional<sundra::FoundTracks> found_;
};

PausePreview::PausePreview(WaveformStrip& strip, QObject* parent)
    : QObject(parent), strip_(strip), thread_(std::make_unique<WindowNotifier>(
                                          this, static_cast<MessageTarget*>(this), kScanEnded)) {}

PausePreview::~PausePreview() {
    stopScan();
}

void PausePreview::show(const std::string& path, std::int32_t start, std::int32_t end,
                        const sundra::SplitSettings& settings) {
    const bool sameTrack = shown_ && path == path_ && start == start_ && end == end_;
    if (!shown_)
        gapsBefore_ = strip_.gapOverlay();
    shown_ = true;
    settings_ = settings;
    if (!sameTrack) {
        path_ = path;
        start_ = start;
        end_ = end;
        scan_.reset();
        gapsFound_ = false;
        strip_.setPauseOverlay(std::nullopt);
        startScan();
        return;
    }
    const bool scanServes = scan_ && sundra::scanFits(*scan_, settings_);
    const bool comingServes = task_ && sundra::sameScan(task_->settings(), settings_);
    if (scanServes)
        stopScan(); // a scan for settings left behind is of no use any more
    else if (!comingServes)
        startScan();
    redraw();
}

void PausePreview::hide() {
    stopScan();
    scan_.reset();
    if (shown_) {
        strip_.setPauseOverlay(std::nullopt);
        strip_.setGapOverlay(gapsBefore_);
    }
    shown_ = false;
    gapsFound_ = false;
}

void PausePreview::startScan() {
    stopScan();
    task_ = std::make_unique<ScanTask>(path_, start_, end_, settings_, !gapsFound_);
    if (!thread_.start(*task_))
        task_.reset();
}

void PausePreview::stopScan() {
    // The scan tests the stop after every block, so this is a short wait.
    if (thread_.requestStop())
        thread_.wait(sundra::kInfinite);
    task_.reset();
}

void PausePreview::handleMessage(std::uint32_t message, std::uint32_t, std::int64_t) {
    // Every run ends with this message, a stopped one too: only a task that is
    // still wanted and has ended is taken.
    if (message != kScanEnded || !task_ || !thread_.wait(0))
        return;
    if (task_->result())
        scan_ = std::move(task_->result());
    if (task_->found()) {
        gapsFound_ = true;
        strip_.setGapOverlay(makeGapOverlay(*task_->found(), start_));
    }
    task_.reset();
    redraw();
}

void PausePreview::redraw() {
    // A scan with another click filter has other block levels: its pauses would
    // be wrong, so the strip keeps the old ones until the new scan is in.
    if (!shown_ || !scan_ || scan_->clickFilterMs != settings_.clickFilterMs)
        return;
    // With another sense time the pieces wait for the new scan; the pauses do
    // not depend on it.
    WaveformStrip::PauseOverlay overlay;
    overlay.senseLevel = settings_.senseLevel;
    if (sundra::scanFits(*scan_, settings_)) {
        sundra::PauseMap map = sundra::mapPauses(*scan_, settings_);
        overlay.pauses = inMaster(std::move(map.pauses), start_);
        overlay.pieces = inMaster(std::move(map.pieces), start_);
    } else {
        overlay.pauses = inMaster(sundra::pauseSpans(*scan_, settings_.senseLevel), start_);
        if (const auto& shown = strip_.pauseOverlay())
            overlay.pieces = shown->pieces;
    }
    strip_.setPauseOverlay(std::move(overlay));
}
