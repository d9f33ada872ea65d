#pragma once
// PausePreview: the pauses of one track drawn on the waveform strip while the
// split settings are on display, and the pieces Auto Split would cut there;
// beside them the gaps the detection of the tracks finds without settings,
// made in the same pass as the track's first scan. When the preview goes, the
// strip shows again the gaps it showed before.
// The track is scanned once, on a worker thread of its own and from a reader of
// its own, so neither the window thread nor the position that playback shares
// is held up; a change of the sense level, the minimum time or trim space only
// maps the scan's block levels anew. A change that needs other block levels or
// another pause length (the click filter, the sense time) scans again; until
// that scan is in, the strip keeps what it showed.

#include "audio/worker_thread.h"
#include "split/block_scan.h"
#include "split/split_settings.h"
#include "ui/platform/window_notifier.h"
#include "ui/waveform/gap_overlay.h"

#include <QObject>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class WaveformStrip;

class PausePreview : public QObject, private MessageTarget {
public:
    explicit PausePreview(WaveformStrip& strip, QObject* parent = nullptr);
    // Stops and joins the scan.
    ~PausePreview() override;
    PausePreview(const PausePreview&) = delete;
    PausePreview& operator=(const PausePreview&) = delete;

    // Shows the pauses of frames [start, end) of the file at path (frames of
    // the master) at settings.
    void show(const std::string& path, std::int32_t start, std::int32_t end,
              const sundra::SplitSettings& settings);
    // Stops any scan and takes the overlay off the strip.
    void hide();

    bool shown() const { return shown_; }
    bool scanning() { return task_ != nullptr && !thread_.wait(0); }
    // The scan the overlay is drawn from; null before the first is in.
    const sundra::BlockScan* scan() const { return scan_ ? &*scan_ : nullptr; }

private:
    class ScanTask;

    void handleMessage(std::uint32_t message, std::uint32_t wParam, std::int64_t lParam) override;
    void startScan();
    void stopScan();
    void redraw();

    WaveformStrip& strip_;
    bool shown_ = false;
    std::string path_;
    std::int32_t start_ = 0;
    std::int32_t end_ = 0;
    sundra::SplitSettings settings_;
    std::optional<sundra::BlockScan> scan_;
    bool gapsFound_ = false;
    // What the strip showed of gaps before the preview.
    std::optional<GapOverlay> gapsBefore_;
    // Declared before the thread so the thread (joined first) never outlives it.
    std::unique_ptr<ScanTask> task_;
    sundra::WorkerThread thread_;
};
