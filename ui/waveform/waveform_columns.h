#pragma once
// WaveformColumns: what the waveform draws, the lowest and highest sample and
// the RMS of every device-pixel column, one lane per channel. Columns wide
// enough come from the waveform summary; closer up they come from the samples
// themselves, read from a reader of the strip's own (so the position that
// playback shares never moves), or without a reader from the summary's finest
// buckets. A column of which nothing is known yet is empty.

#include "core/sample_stream.h"
#include "core/wave_file.h"
#include "core/waveform_summary.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class WaveformColumns {
public:
    // Below this many frames a column the samples are read.
    static constexpr double kSummaryFramesPerColumn = 256.0;

    struct Column {
        std::int16_t min;
        std::int16_t max;
        float rms; // on the same 16-bit scale
        bool empty() const { return min > max; }
    };

    // A reader of the file at path of its own (null when its header is
    // refused; a FileError when it cannot be opened). It takes no lock, so it
    // neither blocks nor is blocked by the document's open (which denies
    // writers) or a recording's.
    static std::unique_ptr<sundra::WaveFileReader> openReader(const std::string& path);

    // A new file of format; samples (may be null) serves the close-ups.
    void setSource(const sundra::WaveFormat& format, std::unique_ptr<sundra::SampleReader> samples);
    // No file: nothing to draw and no reader.
    void dropSource();

    // The columns of frames [first, first + columns x framesPerColumn) of a
    // file of totalFrames, from summary (null: nothing to draw). False when
    // nothing could be drawn.
    bool compute(const sundra::WaveformSummary* summary, std::int64_t first,
                 std::int64_t totalFrames, int columns, double framesPerColumn);

    // Folds every lane into one: the lowest and highest of all channels and
    // the RMS of them together.
    void mergeLanes();

    int lanes() const { return static_cast<int>(lanes_.size()); }
    // Columns a lane (0 without lanes).
    int width() const { return lanes_.empty() ? 0 : static_cast<int>(lanes_.front().size()); }
    const Column& at(int lane, int column) const {
        return lanes_[static_cast<std::size_t>(lane)][static_cast<std::size_t>(column)];
    }

private:
    bool fromSamples(std::int64_t first, std::int64_t totalFrames, int columns,
                     double framesPerColumn);

    sundra::WaveFormat format_;
    std::unique_ptr<sundra::SampleReader> samples_;
    // Per channel, per column.
    std::vector<std::vector<Column>> lanes_;
    std::vector<std::uint8_t> bytes_;
};
