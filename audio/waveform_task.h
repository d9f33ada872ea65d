#pragma once
// WaveformTask: builds the waveform summary of a stream on a worker thread, in
// one pass from the stream's start, polling the stop event between blocks. It
// owns the stream it reads (its own reader of the file, so the position that
// playback shares is never moved) and shares the summary with whoever draws it:
// readers follow its progress through the summary's lock-free ready count.

#include "audio/worker_thread.h"
#include "core/sample_stream.h"
#include "core/waveform_summary.h"

#include <memory>

namespace sundra {

class WaveformTask : public WorkerTask {
public:
    // source's format must pass canScanPeaks.
    explicit WaveformTask(std::unique_ptr<SampleReader> source);

    std::shared_ptr<const WaveformSummary> summary() const { return summary_; }

    // 1 when the summary is complete, 0 when a stop came first.
    int run(Event& stopEvent) override;

private:
    std::unique_ptr<SampleReader> source_;
    std::shared_ptr<WaveformSummary> summary_;
};

} // namespace sundra
