#include "audio/waveform_task.h"

namespace sundra {

WaveformTask::WaveformTask(std::unique_ptr<SampleReader> source)
    : source_(std::move(source)),
      summary_(std::make_shared<WaveformSummary>(source_->format(), source_->length())) {}

int WaveformTask::run(Event& stopEvent) {
    source_->seek(0);
    WaveformBuilder builder(*summary_);
    return builder.readFrom(*source_, [&stopEvent] { return stopEvent.lock(0); }) ? 1 : 0;
}

} // namespace sundra
