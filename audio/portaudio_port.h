#pragma once
// The sound port on the machine's default sound device, through PortAudio.
// PortAudio is started once per process, quietly: its own and ALSA's
// diagnostics never reach the terminal. Nothing outside audio/ sees PortAudio.
//
// Completions come on PortAudio's stream thread, once the last byte of an
// output buffer has gone to the device or an input buffer is full.

#include "audio/sound_port.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

namespace sundra {

class PortAudioPort : public SoundPort {
public:
    PortAudioPort() = default;
    ~PortAudioPort() override;
    PortAudioPort(const PortAudioPort&) = delete;
    PortAudioPort& operator=(const PortAudioPort&) = delete;

    bool open(const WaveFormat& format, SoundDirection direction, Completion bufferDone) override;
    int queue(SoundBuffer& buffer) override;
    bool start() override;
    void reset() override;
    void close() override;
    bool isQueued(const SoundBuffer& buffer) const override;
    bool canWaitUntilPlayed() const override { return true; }
    void waitUntilPlayed() override;

    // Called by PortAudio on its stream thread.
    void process(const std::uint8_t* input, std::uint8_t* output, unsigned long frames);

private:
    void completeFront(std::unique_lock<std::mutex>& lock);

    void* stream_ = nullptr; // PaStream
    WaveFormat format_;
    SoundDirection direction_ = SoundDirection::Output;
    Completion bufferDone_;
    std::int32_t frameBytes_ = 0;
    std::uint8_t silence_ = 0;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<SoundBuffer*> queued_;
    // Bytes of the front buffer already played or recorded.
    std::int32_t frontOffset_ = 0;
    const SoundBuffer* completing_ = nullptr;
    int resetting_ = 0;
};

// Starts PortAudio on first use. True when it runs and has a default output
// device (or input device).
bool portAudioHasOutputDevice();
bool portAudioHasInputDevice();

} // namespace sundra
