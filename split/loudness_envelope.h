#pragma once
// The loudness of a track over short windows: the energy of every 10 ms,
// made in one pass over the track. Each window's energy is taken about the mean
// of each of its two 5 ms halves, channel by channel, and averaged over the
// channels: phase and sign play no part, a DC offset none, and the slow swing
// of a record's rumble (below about 20 Hz, some 15 dB down) little. Held as
// floats, an hour takes 1.4 MB.

#include "audio/waitable.h"
#include "core/sample_buffer.h"
#include "core/sample_stream.h"
#include "core/wave_format.h"
#include "split/frame_sums.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace sundra {

struct LoudnessEnvelope {
    std::int32_t samplesPerSecond = 0;
    std::int32_t windowFrames = 0; // frames of a full window
    std::int32_t length = 0;       // frames of the track
    // Mean square per sample about the 5 ms means, on a full scale of 1.0: a
    // full-scale square wave is 1.0, a full-scale sine 0.5, digital silence 0.
    // Only the last window may be short.
    std::vector<float> power;

    std::int32_t windows() const { return static_cast<std::int32_t>(power.size()); }
    std::int32_t windowStart(std::int64_t window) const;
    double seconds(std::int64_t windows) const; // the length of that many windows
};

// Frames of one window: a hundredth of a second, at least one frame.
std::int32_t envelopeWindowFrames(const WaveFormat& format);

// Builds an envelope from blocks of a track read in order from its start.
class EnvelopeBuilder {
public:
    explicit EnvelopeBuilder(const WaveFormat& format);

    // The used frames of block, which follow the frames added before.
    void add(const SampleBuffer& block);
    void add(const std::uint8_t* bytes, std::int32_t frames);
    // The envelope of everything added; a part-filled last window is closed.
    LoudnessEnvelope finish();

private:
    void closeHalf();
    void closeWindow();

    WaveFormat format_;
    LoudnessEnvelope envelope_;
    std::int32_t halfFrames_[2];
    int half_ = 0;
    FrameSums sums_;
    double windowEnergy_ = 0.0;
    std::int32_t windowFrameCount_ = 0;
};

// Reads the whole source from frame 0 into an envelope, in the split's
// quarter-second blocks; the source is left at its end, so its position shows
// the progress. Tests stopEvent (when given) after every block; empty when it
// was set.
std::optional<LoudnessEnvelope> scanEnvelope(SampleReader& source, Event* stopEvent);

} // namespace sundra
