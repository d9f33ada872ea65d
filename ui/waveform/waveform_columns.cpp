#include "ui/waveform/waveform_columns.h"

#include "core/byte_stream.h"
#include "core/file.h"
#include "core/peak_scanner.h"

#include <algorithm>
#include <cmath>
#include <limits>

std::unique_ptr<sundra::WaveFileReader> WaveformColumns::openReader(const std::string& path) {
    auto reader = std::make_unique<sundra::WaveFileReader>();
    auto file = std::make_unique<sundra::File>(path, sundra::File::Access::Read,
                                               sundra::File::Share::DenyNone,
                                               sundra::File::Disposition::OpenExisting);
    if (!reader->attach(std::make_unique<sundra::FileByteStream>(std::move(file)))) {
        return nullptr;
    }
    return reader;
}

void WaveformColumns::setSource(const sundra::WaveFormat& format,
                                std::unique_ptr<sundra::SampleReader> samples) {
    format_ = format;
    samples_ = std::move(samples);
}

void WaveformColumns::dropSource() {
    samples_.reset();
    lanes_.clear();
}

bool WaveformColumns::fromSamples(std::int64_t first, std::int64_t totalFrames, int columns,
                                  double framesPerColumn) {
    const int channels = format_.channels;
    const std::int64_t last = std::min<std::int64_t>(
        totalFrames, first + static_cast<std::int64_t>(std::ceil(columns * framesPerColumn)) + 1);
    if (!samples_ || last <= first) {
        return false;
    }
    const std::int32_t frameBytes = sundra::frameSize(format_);
    bytes_.resize(static_cast<std::size_t>(last - first) * static_cast<std::size_t>(frameBytes));
    samples_->seek(static_cast<std::int32_t>(first));
    const std::int32_t got =
        samples_->read(bytes_.data(), static_cast<std::int32_t>(bytes_.size()));
    const std::int64_t frames = got / frameBytes;
    // One bucket a column: each column's frames are fed, then finished.
    int column = 0;
    std::int64_t columnFrames = 0;
    sundra::PeakScanner scanner(
        format_, std::numeric_limits<std::int64_t>::max(),
        [&](const sundra::Peak* peaks) {
            // The scanner is complete by the time a column is finished.
            const std::uint64_t* squares = scanner.squares();
            for (int channel = 0; channel < channels; ++channel) {
                const double meanSquare =
                    static_cast<double>(squares[channel]) / static_cast<double>(columnFrames);
                lanes_[static_cast<std::size_t>(channel)][static_cast<std::size_t>(column)] = {
                    peaks[channel].min, peaks[channel].max,
                    static_cast<float>(std::sqrt(meanSquare))};
            }
        },
        true);
    for (; column < columns; ++column) {
        const auto from = static_cast<std::int64_t>(column * framesPerColumn);
        const auto to = std::min(
            frames, std::max(from + 1, static_cast<std::int64_t>((column + 1) * framesPerColumn)));
        if (from >= frames) {
            break;
        }
        columnFrames = to - from;
        scanner.feed(bytes_.data() + from * frameBytes, columnFrames);
        scanner.finish();
    }
    return true;
}

bool WaveformColumns::compute(const sundra::WaveformSummary* summary, std::int64_t first,
                              std::int64_t totalFrames, int columns, double framesPerColumn) {
    const int channels = summary ? summary->channels() : 0;
    lanes_.assign(static_cast<std::size_t>(channels),
                  std::vector<Column>(static_cast<std::size_t>(columns),
                                      Column{std::numeric_limits<std::int16_t>::max(),
                                             std::numeric_limits<std::int16_t>::min(), 0.0F}));
    if (channels == 0) {
        return false;
    }
    if (framesPerColumn < kSummaryFramesPerColumn && samples_) {
        return fromSamples(first, totalFrames, columns, framesPerColumn);
    }
    for (int c = 0; c < columns; ++c) {
        const auto from = first + static_cast<std::int64_t>(c * framesPerColumn);
        const auto to = first + static_cast<std::int64_t>((c + 1) * framesPerColumn);
        for (int channel = 0; channel < channels; ++channel) {
            if (const auto stats = summary->statsOver(channel, from, std::max(to, from + 1))) {
                lanes_[static_cast<std::size_t>(channel)][static_cast<std::size_t>(c)] = {
                    stats->peak.min, stats->peak.max, static_cast<float>(stats->rms())};
            }
        }
    }
    return true;
}

void WaveformColumns::mergeLanes() {
    if (lanes_.size() < 2) {
        return;
    }
    std::vector<Column>& merged = lanes_.front();
    for (std::size_t c = 0; c < merged.size(); ++c) {
        double squares = 0;
        int known = 0;
        for (const std::vector<Column>& lane : lanes_) {
            const Column& column = lane[c];
            if (column.empty()) {
                continue;
            }
            merged[c].min = std::min(merged[c].min, column.min);
            merged[c].max = std::max(merged[c].max, column.max);
            squares += static_cast<double>(column.rms) * column.rms;
            ++known;
        }
        merged[c].rms = known > 0 ? static_cast<float>(std::sqrt(squares / known)) : 0.0F;
    }
    lanes_.resize(1);
}
