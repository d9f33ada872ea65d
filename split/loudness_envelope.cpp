#include "split/loudness_envelope.h"

#include "core/units.h"

#include <algorithm>

namespace sundra {

std::int32_t LoudnessEnvelope::windowStart(std::int64_t window) const {
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(window * windowFrames, 0, std::int64_t{length}));
}

double LoudnessEnvelope::seconds(std::int64_t windows) const {
    return samplesPerSecond > 0 ? static_cast<double>(windows) * windowFrames / samplesPerSecond
                                : 0.0;
}

std::int32_t envelopeWindowFrames(const WaveFormat& format) {
    return std::max(format.samplesPerSecond / 100, 1);
}

EnvelopeBuilder::EnvelopeBuilder(const WaveFormat& format)
    : format_(format), sums_(std::max(format.channels, 0)) {
    envelope_.samplesPerSecond = format.samplesPerSecond;
    envelope_.windowFrames = envelopeWindowFrames(format);
    halfFrames_[0] = envelope_.windowFrames - envelope_.windowFrames / 2;
    halfFrames_[1] = envelope_.windowFrames / 2;
}

void EnvelopeBuilder::add(const SampleBuffer& block) {
    add(block.data.get(), usedFrames(block));
}

void EnvelopeBuilder::add(const std::uint8_t* bytes, std::int32_t frames) {
    const std::int32_t size = frameSize(format_);
    if (size <= 0)
        return;
    envelope_.length += frames;
    while (frames > 0) {
        const std::int32_t take = std::min(frames, halfFrames_[half_] - sums_.frames);
        addFrameSums(bytes, take, format_, sums_);
        bytes += std::size_t(take) * std::size_t(size);
        frames -= take;
        if (sums_.frames == halfFrames_[half_])
            closeHalf();
    }
}

void EnvelopeBuilder::closeHalf() {
    windowEnergy_ += sums_.energyAboutMean();
    windowFrameCount_ += sums_.frames;
    sums_.clear();
    half_ = half_ == 0 && halfFrames_[1] > 0 ? 1 : 0;
    if (half_ == 0)
        closeWindow();
}

void EnvelopeBuilder::closeWindow() {
    const double samples = double(windowFrameCount_) * std::max(format_.channels, 1);
    envelope_.power.push_back(static_cast<float>(windowEnergy_ / samples));
    windowEnergy_ = 0.0;
    windowFrameCount_ = 0;
}

LoudnessEnvelope EnvelopeBuilder::finish() {
    if (sums_.frames > 0 || half_ == 1) {
        windowEnergy_ += sums_.energyAboutMean();
        windowFrameCount_ += sums_.frames;
        sums_.clear();
        half_ = 0;
        closeWindow();
    }
    return std::move(envelope_);
}

std::optional<LoudnessEnvelope> scanEnvelope(SampleReader& source, Event* stopEvent) {
    EnvelopeBuilder builder(source.format());
    // The split's quarter-second blocks: a size every reader handles well.
    SampleBuffer block(source.format(), blockBytes(source.format(), 4));
    if (capacityFrames(block) <= 0)
        return builder.finish();
    source.seek(0);
    while (readIntoBuffer(source, block) > 0) {
        builder.add(block);
        if (stopEvent && stopEvent->lock(0))
            return std::nullopt;
    }
    return builder.finish();
}

} // namespace sundra
